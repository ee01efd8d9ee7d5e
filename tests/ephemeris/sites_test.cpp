// SPDX-License-Identifier: GPL-3.0-or-later
// The observatory codes compiled in from the MPC's list, geodetic places, and where a site
// stands relative to the centre of the Earth at an instant.
#include "ephemeris/sites.h"

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include <erfa.h>
#include <gtest/gtest.h>

namespace orbelux::efemerides {
namespace {

constexpr double kGrados = 180 / std::numbers::pi;
constexpr double kRadioUA = 6378137.0 / 1.495978707e11;  // Earth radii in AU

struct CasoCodigo {
  const char* nombre;
  const char* codigo;
  double longitud_grados;
  double rho_cos_phi;
  double rho_sin_phi;
  const char* nombre_sitio;
};

void PrintTo(const CasoCodigo& caso, std::ostream* os) { *os << caso.nombre; }

class Observatorios : public testing::TestWithParam<CasoCodigo> {};

TEST_P(Observatorios, TienenLasConstantesDeLaLista) {
  const CasoCodigo& c = GetParam();
  const std::optional<Sitio> sitio = BuscarObservatorio(c.codigo);
  ASSERT_TRUE(sitio.has_value());
  EXPECT_EQ(sitio->codigo, c.codigo);
  EXPECT_EQ(sitio->nombre, c.nombre_sitio);
  EXPECT_DOUBLE_EQ(sitio->longitud * kGrados, c.longitud_grados);
  EXPECT_DOUBLE_EQ(sitio->rho_cos_phi, c.rho_cos_phi);
  EXPECT_DOUBLE_EQ(sitio->rho_sin_phi, c.rho_sin_phi);
  EXPECT_TRUE(sitio->con_coordenadas);
  EXPECT_EQ(sitio->Geocentro(), std::string(c.codigo) == "500");
}

INSTANTIATE_TEST_SUITE_P(
    Lista, Observatorios,
    testing::Values(
        CasoCodigo{"LaPalma", "950", 342.1176, 0.87764, 0.47847, "La Palma"},
        CasoCodigo{"SierraNevada", "J86", 356.6153, 0.79930, 0.59968, "Sierra Nevada Observatory"},
        CasoCodigo{"ColumnasJuntas", "Z84", 357.45184, 0.797536, 0.601835, "Calar Alto-Schmidt"},
        CasoCodigo{"Sur", "W84", 289.19358, 0.865572, -0.499793, "Cerro Tololo-DECam"},
        CasoCodigo{"Primero", "000", 0, 0.62411, 0.77873, "Greenwich"},
        CasoCodigo{"Ultimo", "Z99", 359.97874, 0.595468, 0.800687,
                   "Clixby Observatory, Cleethorpes"},
        CasoCodigo{"Ampersand", "H32", 263.6334, 0.86174, 0.50567,
                   "Texas A&M Physics Observatory, College Station"},
        CasoCodigo{"Geocentro", "500", 0, 0, 0, "Geocentric"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Observatorios, UnCodigoDesconocidoNoEsNinguno) {
  for (const char* codigo : {"", "95", "9500", "j86", "ZZZ", " 95", "A0"}) {
    SCOPED_TRACE(codigo);
    EXPECT_FALSE(BuscarObservatorio(codigo).has_value());
  }
}

TEST(Observatorios, SinCoordenadasSeRechazaConSuNombre) {
  struct Caso {
    const char* codigo;
    const char* nombre;
  };
  for (const Caso& c : {Caso{"250", "Hubble Space Telescope"}, Caso{"247", "Roving Observer"},
                        Caso{"C51", "WISE"}}) {
    SCOPED_TRACE(c.codigo);
    try {
      BuscarObservatorio(c.codigo);
      ADD_FAILURE() << "no error";
    } catch (const ErrorSitio& e) {
      EXPECT_NE(std::string(e.what()).find(c.nombre), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("no tiene coordenadas"), std::string::npos);
    }
  }
}

std::vector<std::string> Codigos(const std::vector<Sitio>& sitios) {
  std::vector<std::string> codigos;
  for (const Sitio& s : sitios) codigos.push_back(s.codigo);
  return codigos;
}

TEST(Observatorios, PorNombreSinMayusculasNiAcentos) {
  struct Caso {
    const char* palabra;
    std::vector<std::string> codigos;
  };
  const Caso casos[] = {
      {"calar alto", {"493", "G36", "Z79", "Z84"}},
      {"CÁLAR ALTO", {"493", "G36", "Z79", "Z84"}},
      {"Sierra Névada", {"J86"}},
      {"palma", {"950", "J13", "J22", "J50", "J70", "R20", "Z19", "Z20", "Z23"}},
      {"hubble", {"250"}},
      {"no hay tal sitio", {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.palabra);
    EXPECT_EQ(Codigos(BuscarObservatoriosPorNombre(c.palabra)), c.codigos);
  }
  // Listed, but marked, so that the listing can say why it would be refused.
  EXPECT_FALSE(BuscarObservatoriosPorNombre("hubble").at(0).con_coordenadas);
  EXPECT_TRUE(BuscarObservatoriosPorNombre("nevada").at(0).con_coordenadas);
}

struct CasoGeodesico {
  const char* nombre;
  double longitud, latitud, altura;
  double rho_cos_phi, rho_sin_phi, longitud_este;
};

void PrintTo(const CasoGeodesico& caso, std::ostream* os) { *os << caso.nombre; }

class Geodesico : public testing::TestWithParam<CasoGeodesico> {};

// Expected constants from the WGS84 ellipse directly: (N + h) cos phi and (N (1 - e2) + h)
// sin phi over the equatorial radius.
TEST_P(Geodesico, DaLasConstantesDelElipsoide) {
  const CasoGeodesico& c = GetParam();
  const Sitio sitio = SitioGeodesico(c.longitud, c.latitud, c.altura);
  EXPECT_NEAR(sitio.rho_cos_phi, c.rho_cos_phi, 2e-11);
  EXPECT_NEAR(sitio.rho_sin_phi, c.rho_sin_phi, 2e-11);
  EXPECT_NEAR(sitio.longitud * kGrados, c.longitud_este, 1e-12);
  EXPECT_TRUE(sitio.codigo.empty());
  EXPECT_FALSE(sitio.Geocentro());
}

INSTANTIATE_TEST_SUITE_P(
    Lugares, Geodesico,
    testing::Values(CasoGeodesico{"Ecuador", 0, 0, 0, 1, 0, 0},
                    CasoGeodesico{"PoloNorte", 10, 90, 0, 0, 0.996647189335253, 10},
                    CasoGeodesico{"Medio", 45, 45, 1000, 0.708404034850634, 0.703662451221588, 45},
                    CasoGeodesico{"SurYOeste", -70.5, -30.5, 2500, 0.862710764188416,
                                  -0.504774888276076, 289.5},
                    // J86's constants as geodetic coordinates.
                    CasoGeodesico{"SierraNevada", -3.3847, 37.0641337531, 2930.4128, 0.79930,
                                  0.59968, 356.6153}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Observador, EnElGeocentroEsCero) {
  const Instante instante = InstanteDesdeCalendario(2024, 3, 1, 22, 0, 0);
  for (const Sitio& sitio : {Sitio{}, *BuscarObservatorio("500")}) {
    const EstadoObservador o = ObservadorGeocentrico(sitio, instante);
    EXPECT_EQ(o.posicion.x, 0);
    EXPECT_EQ(o.posicion.y, 0);
    EXPECT_EQ(o.posicion.z, 0);
    EXPECT_EQ(Modulo(o.velocidad), 0);
  }
  Sitio hubble;
  hubble.codigo = "250";
  hubble.con_coordenadas = false;
  EXPECT_THROW(ObservadorGeocentrico(hubble, instante), ErrorSitio);
}

struct CasoObservador {
  const char* nombre;
  const char* codigo;
  int anio, mes, dia, hora, minuto;
};

void PrintTo(const CasoObservador& caso, std::ostream* os) { *os << caso.nombre; }

class Observador : public testing::TestWithParam<CasoObservador> {};

// Checked by another road through ERFA: on the true equator and equinox of date the site
// stands at the apparent sidereal time plus its longitude, at its geocentric latitude.
TEST_P(Observador, EstaEnSuHoraSideralYSuLatitud) {
  const CasoObservador& c = GetParam();
  const Sitio sitio = *BuscarObservatorio(c.codigo);
  const Instante i = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 0);
  const EstadoObservador o = ObservadorGeocentrico(sitio, i);
  const double rho = std::hypot(sitio.rho_cos_phi, sitio.rho_sin_phi);
  EXPECT_NEAR(Modulo(o.posicion), rho * kRadioUA, 1e-18);

  double npb[3][3];
  eraPnm06a(i.tt.entera, i.tt.fraccion, npb);
  double celeste[3] = {o.posicion.x, o.posicion.y, o.posicion.z};
  double de_fecha[3];
  eraRxp(npb, celeste, de_fecha);
  const double hora =
      eraAnp(eraGst06a(i.utc.entera, i.utc.fraccion, i.tt.entera, i.tt.fraccion) + sitio.longitud);
  EXPECT_NEAR(eraAnp(std::atan2(de_fecha[1], de_fecha[0])), hora, 1e-9);
  EXPECT_NEAR(std::atan2(de_fecha[2], std::hypot(de_fecha[0], de_fecha[1])),
              std::atan2(sitio.rho_sin_phi, sitio.rho_cos_phi), 1e-9);
}

// The velocity is the rate of the position: a central difference over twenty seconds, whose
// own error is some 1e-7 of it.
TEST_P(Observador, SuVelocidadEsLaDerivadaDeSuPosicion) {
  const CasoObservador& c = GetParam();
  const Sitio sitio = *BuscarObservatorio(c.codigo);
  // From the calendar, whose fraction of the day keeps the seconds exact.
  const Instante antes = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 0);
  const Instante ahora = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 10);
  const Instante despues = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 20);
  const double paso = 10.0 / 86400;
  const Vector3 derivada = (1 / (2 * paso)) * (ObservadorGeocentrico(sitio, despues).posicion -
                                               ObservadorGeocentrico(sitio, antes).posicion);
  const Vector3 v = ObservadorGeocentrico(sitio, ahora).velocidad;
  // About 0.46 km/s times cos phi, in AU/day.
  EXPECT_NEAR(Modulo(v), 2 * std::numbers::pi * 1.00273781191135448 * sitio.rho_cos_phi * kRadioUA,
              1e-15);
  EXPECT_LT(Modulo(v - derivada), 1e-6 * Modulo(v));
}

INSTANTIATE_TEST_SUITE_P(Sitios, Observador,
                         testing::Values(CasoObservador{"LaPalma2024", "950", 2024, 3, 1, 22, 0},
                                         CasoObservador{"CalarAlto2022", "Z84", 2022, 9, 20, 3, 30},
                                         CasoObservador{"CerroTololo2004", "W84", 2004, 11, 3, 23,
                                                        58}),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::efemerides
