// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue seen from an observatory: against the independent reference to the rounding of
// its fields, (433) Eros against JPL Horizons, and the geocentre exactly as before.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_line.h"
#include "catalogue/catalogue_maker.h"
#include "catalogue_comparison.h"
#include "ephemeris/element_source.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/sites.h"
#include "reference_table.h"
#include "support/places.h"

namespace orbelux::catalogo {
namespace {

namespace ef = orbelux::efemerides;
using prueba::CasoSitio;

std::vector<ef::ElementosOrbitales> Ejemplo() {
  ef::ArchivoElementos archivo(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  ef::OpcionesLectura opciones;
  opciones.nombre = "elementos_1-227.dat";
  return ef::LeerElementosMPC(archivo, opciones);
}

OpcionesCatalogo Desde(std::optional<ef::Sitio> sitio,
                       Movimiento movimiento = Movimiento::Perturbado) {
  OpcionesCatalogo opciones;
  opciones.sitio = std::move(sitio);
  opciones.movimiento = movimiento;
  return opciones;
}

class CatalogoTopocentrico : public testing::TestWithParam<CasoSitio> {};

TEST_P(CatalogoTopocentrico, CoincideConLaReferenciaAlRedondeoDeSusCampos) {
  const CasoSitio& c = GetParam();
  const std::vector<ef::ElementosOrbitales> elementos = Ejemplo();
  const ef::Instante instante =
      ef::InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 0);
  const std::string texto =
      TextoCatalogo(elementos, instante, Desde(ef::BuscarObservatorio(c.codigo)));
  const std::vector<std::string> lineas = Lineas(texto);
  ASSERT_EQ(lineas.size(), 227u);

  int filas = 0;
  int en_frontera = 0;
  int distintas_del_geocentro = 0;
  const std::vector<std::string> geocentricas = Lineas(TextoCatalogo(elementos, instante));
  for (const prueba::PosicionTopocentrica& fila : prueba::LeerReferenciaTopocentrica(
           ORBELUX_TEST_DATA_DIR "/ephemeris/reference_positions_topocentric.tsv")) {
    const prueba::PosicionReferencia& ref = fila.posicion;
    if (fila.sitio != c.codigo || ref.utc != c.utc) continue;
    ++filas;
    const std::size_t i = static_cast<std::size_t>(ref.numero - 1);
    const std::string& l = lineas.at(i);
    SCOPED_TRACE(l);
    const Comparacion comparacion = Comparar(l, ref.ra_deg, ref.dec_deg);
    EXPECT_TRUE(comparacion.bien) << comparacion.ra_s << " s, " << comparacion.dec_arc << "\"";
    EXPECT_TRUE(MagnitudBien(std::stod(l.substr(57, 5)), ref.v_mag)) << ref.v_mag;
    if (comparacion.en_frontera) ++en_frontera;
    if (l != geocentricas.at(i)) ++distintas_del_geocentro;
  }
  EXPECT_EQ(filas, 227);
  // Most lines show the observer's 0.1" to 7.5".
  EXPECT_GT(distintas_del_geocentro, 150);
  std::cout << c.codigo << " " << c.utc << ": " << distintas_del_geocentro
            << " lines differ from the geocentric ones; last digit off by a boundary: "
            << en_frontera << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Sitios, CatalogoTopocentrico,
    testing::Values(CasoSitio{"LaPalma", "950", "2024-03-01T22:00", 2024, 3, 1, 22, 0},
                    CasoSitio{"SierraNevada", "J86", "2024-03-01T22:00", 2024, 3, 1, 22, 0},
                    CasoSitio{"CalarAlto", "Z84", "2022-09-20T03:30", 2022, 9, 20, 3, 30}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoMovimiento {
  const char* nombre;
  Movimiento movimiento;
};

void PrintTo(const CasoMovimiento& caso, std::ostream* os) { *os << caso.nombre; }

class SitiosYMovimientos : public testing::TestWithParam<CasoMovimiento> {};

// The geocentre, asked for by code 500 or by no site, writes the catalogue of always.
TEST_P(SitiosYMovimientos, ElGeocentroEsElCatalogoDeSiempre) {
  const std::vector<ef::ElementosOrbitales> elementos = Ejemplo();
  const ef::Instante instante = ef::InstanteDesdeCalendario(2024, 3, 1, 22, 0, 0);
  const Movimiento m = GetParam().movimiento;
  const std::string sin_sitio = TextoCatalogo(elementos, instante, Desde(std::nullopt, m));
  EXPECT_EQ(TextoCatalogo(elementos, instante, Desde(ef::BuscarObservatorio("500"), m)), sin_sitio);
  EXPECT_EQ(TextoCatalogo(elementos, instante, Desde(ef::Sitio{}, m)), sin_sitio);
  EXPECT_NE(TextoCatalogo(elementos, instante, Desde(ef::BuscarObservatorio("J86"), m)), sin_sitio);
}

// J86's parallax constants as WGS84 coordinates (to 0.1 mm) give J86's catalogue.
TEST_P(SitiosYMovimientos, UnLugarGeodesicoEsSuCodigo) {
  const std::vector<ef::ElementosOrbitales> elementos = Ejemplo();
  const ef::Instante instante = ef::InstanteDesdeCalendario(2024, 3, 1, 22, 0, 0);
  const Movimiento m = GetParam().movimiento;
  EXPECT_EQ(TextoCatalogo(elementos, instante,
                          Desde(ef::SitioGeodesico(-3.3847, 37.0641337531, 2930.4128), m)),
            TextoCatalogo(elementos, instante, Desde(ef::BuscarObservatorio("J86"), m)));
}

// (433) Eros from X05 and W84 in 2004, 0.5 to 0.85 AU away: every line within its rounding
// plus 0.5" of Horizons.
TEST_P(SitiosYMovimientos, ErosCoincideConHorizons) {
  std::ifstream archivo(ORBELUX_TEST_DATA_DIR "/ephemeris/eros_2004_elements.dat");
  std::string registro;
  ASSERT_TRUE(std::getline(archivo, registro));
  registro.replace(0, 5, "00001");  // the reader wants asteroids from (1) on
  ef::FuenteMemoria fuente(registro);
  const std::vector<ef::ElementosOrbitales> eros = ef::LeerElementosMPC(fuente, {});
  ASSERT_EQ(eros.size(), 1u);
  int filas = 0;
  for (const prueba::PosicionHorizons& ref :
       prueba::LeerHorizonsEros(ORBELUX_TEST_DATA_DIR "/ephemeris/horizons_eros_topocentric.tsv")) {
    SCOPED_TRACE(ref.sitio + " " + ref.utc);
    ++filas;
    int anio = 0, mes = 0, dia = 0, hora = 0, minuto = 0;
    double segundo = 0;
    ASSERT_EQ(std::sscanf(ref.utc.c_str(), "%d-%d-%dT%d:%d:%lf", &anio, &mes, &dia, &hora, &minuto,
                          &segundo),
              6);
    const std::string l = Lineas(
        TextoCatalogo(eros, ef::InstanteDesdeCalendario(anio, mes, dia, hora, minuto, segundo),
                      Desde(ef::BuscarObservatorio(ref.sitio), GetParam().movimiento)))[0];
    SCOPED_TRACE(l);
    const Comparacion comparacion = Comparar(l, ref.ra_deg, ref.dec_deg);
    // Rounding: 0.05 s of time and 0.5"; then 0.5" for the model.
    EXPECT_LE(std::abs(comparacion.ra_s) * 15 * std::cos(ref.dec_deg * std::numbers::pi / 180),
              0.75 + 0.5);
    EXPECT_LE(std::abs(comparacion.dec_arc), 0.5 + 0.5);
  }
  EXPECT_EQ(filas, 15);
}

INSTANTIATE_TEST_SUITE_P(Movimientos, SitiosYMovimientos,
                         testing::Values(CasoMovimiento{"Perturbado", Movimiento::Perturbado},
                                         CasoMovimiento{"DosCuerpos", Movimiento::DosCuerpos}),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::catalogo
