// SPDX-License-Identifier: GPL-3.0-or-later
// The places of an ephemeris against JPL Horizons, and the observed places against ERFA's
// own transformation, the Sun against an independent formula and the Moon against an
// eclipse and its phases.
#include "planner/horizontal.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ephemeris/sites.h"
#include "planner/command_line.h"
#include "planner/ephemeris_table.h"
#include "planner/object_lookup.h"
#include "reference_table.h"

namespace orbelux::planificador {
namespace {

namespace ef = orbelux::efemerides;

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;

ef::Instante InstanteIso(const std::string& utc) {
  int anio = 0, mes = 0, dia = 0, hora = 0, minuto = 0;
  double segundo = 0;
  std::sscanf(utc.c_str(), "%d-%d-%dT%d:%d:%lf", &anio, &mes, &dia, &hora, &minuto, &segundo);
  return ef::InstanteDesdeCalendario(anio, mes, dia, hora, minuto, segundo);
}

double Separacion(double ar1, double dec1, double ar2, double dec2) {  // degrees
  return eraSeps(ar1 * kGrado, dec1 * kGrado, ar2 * kGrado, dec2 * kGrado) / kGrado;
}

// ERFA's observed place in one call, from an astrometric place in degrees.
Horizontal Atco13(double ar, double dec, const LugarGeodesico& g, const ef::Instante& i) {
  double aob = 0, zob = 0, hob = 0, dob = 0, rob = 0, eo = 0;
  EXPECT_GE(eraAtco13(ar * kGrado, dec * kGrado, 0, 0, 0, 0, i.utc.entera, i.utc.fraccion, 0,
                      g.longitud, g.latitud, g.altura, 0, 0, PresionEnAltura(g.altura),
                      kTemperatura, kHumedad, kLongitudOnda, &aob, &zob, &hob, &dob, &rob, &eo),
            0);
  return {eraAnp(aob) / kGrado, 90 - zob / kGrado};
}

// Eros from Horizons' elements of 2004-11-02, within 30 days of them: every place within
// 0.3" of Horizons (the median within 0.1"), and the observed place of the row within 2" of
// ERFA's from Horizons' own place.
TEST(TablaEfemerides, ErosComoHorizonsDesdeX05YW84) {
  const auto filas =
      prueba::LeerHorizonsEros(ORBELUX_TEST_DATA_DIR "/ephemeris/horizons_eros_topocentric.tsv");
  ASSERT_GE(filas.size(), 15u);
  const auto hallado = BuscarObjetos(
      {"eros"}, {ORBELUX_TEST_DATA_DIR "/ephemeris/eros_2004_elements.dat"}, SistemaReal());
  std::vector<double> cercanas;
  for (const auto& fila : filas) {
    SCOPED_TRACE(fila.sitio + " " + fila.utc);
    PeticionTabla p;
    p.intervalo.inicio = InstanteIso(fila.utc);
    p.sitio = *ef::BuscarObservatorio(fila.sitio);
    p.hilos = 1;
    const auto tabla = CalcularTablas({hallado[0].elementos}, p);
    ASSERT_EQ(tabla.size(), 1u);
    ASSERT_EQ(tabla[0].size(), 1u);
    const FilaEfemerides& f = tabla[0][0];
    ASSERT_TRUE(f.lugar && f.horizonte);
    const double sep = Separacion(f.lugar->ar, f.lugar->dec, fila.ra_deg, fila.dec_deg) * 3600;
    const double dias = std::abs(p.intervalo.inicio.tt.Total() - hallado[0].elementos.epoca);
    if (dias <= 30) {
      EXPECT_LT(sep, 0.3);
      cercanas.push_back(sep);
    }
    EXPECT_LT(sep, 1.3);
    EXPECT_NEAR(f.lugar->delta, fila.delta_au, 1e-5);
    const Horizontal erfa =
        Atco13(fila.ra_deg, fila.dec_deg, GeodesicoDeSitio(*p.sitio), p.intervalo.inicio);
    const double sep_hz =
        Separacion(f.horizonte->acimut, f.horizonte->altura, erfa.acimut, erfa.altura) * 3600;
    EXPECT_LT(sep_hz, 2.0) << f.horizonte->acimut << " " << f.horizonte->altura;
  }
  ASSERT_GE(cercanas.size(), 10u);
  std::sort(cercanas.begin(), cercanas.end());
  EXPECT_LT(cercanas[cercanas.size() / 2], 0.1);
}

// A long table takes the Earth from nodes it interpolates, a one-row table straight from
// ERFA: Eros close to the Earth, seen from a site every ten minutes, reads the same both
// ways to well within the last printed digit.
TEST(TablaEfemerides, LaTablaLargaComoCadaFilaSola) {
  const auto hallado = BuscarObjetos(
      {"eros"}, {ORBELUX_TEST_DATA_DIR "/ephemeris/eros_2004_elements.dat"}, SistemaReal());
  PeticionTabla p;
  p.intervalo.inicio = InstanteIso("2004-11-20T18:00:00");
  p.intervalo.paso = 1.0 / 144;
  p.intervalo.filas = 400;
  p.sitio = *ef::BuscarObservatorio("X05");
  p.hilos = 2;
  const auto larga = CalcularTablas({hallado[0].elementos}, p);
  for (const std::size_t i : {0, 1, 77, 250, 399}) {
    SCOPED_TRACE(i);
    PeticionTabla una = p;
    una.intervalo.inicio = larga[0][i].instante;
    una.intervalo.filas = 1;
    const FilaEfemerides sola = CalcularTablas({hallado[0].elementos}, una)[0][0];
    const FilaEfemerides& fila = larga[0][i];
    ASSERT_TRUE(fila.lugar && fila.horizonte && sola.lugar && sola.horizonte);
    EXPECT_LT(Separacion(fila.lugar->ar, fila.lugar->dec, sola.lugar->ar, sola.lugar->dec), 1e-8);
    EXPECT_NEAR(fila.lugar->mov_ar, sola.lugar->mov_ar, 1e-5);
    EXPECT_NEAR(fila.lugar->mov_dec, sola.lugar->mov_dec, 1e-5);
    EXPECT_NEAR(fila.lugar->delta, sola.lugar->delta, 1e-10);
    EXPECT_LT(Separacion(fila.horizonte->acimut, fila.horizonte->altura, sola.horizonte->acimut,
                         sola.horizonte->altura),
              1e-6);  // 0.004": the pole between nodes
    EXPECT_NEAR(fila.horizonte->altura_sol, sola.horizonte->altura_sol, 1e-6);
    EXPECT_NEAR(fila.horizonte->distancia_luna, sola.horizonte->distancia_luna, 1e-4);
    EXPECT_NEAR(fila.horizonte->luna_iluminada, sola.horizonte->luna_iluminada, 1e-6);
  }
}

// The Sun's altitude against the Astronomical Almanac's low-precision Sun (0.01°) carried
// through eraAtco13, over a day at Calar Alto.
TEST(CieloLocalTest, AlturaDelSolComoElAlmanaque) {
  const ef::Sitio sitio = *ef::BuscarObservatorio("Z84");
  const LugarGeodesico g = GeodesicoDeSitio(sitio);
  for (int hora = 0; hora < 24; hora += 3) {
    const ef::Instante i = ef::InstanteDesdeCalendario(2024, 6, 21, hora, 17, 0);
    const double n = i.tt.Total() - 2451545.0;
    const double l = 280.460 + 0.9856474 * n;
    const double gm = (357.528 + 0.9856003 * n) * kGrado;
    const double lambda = (l + 1.915 * std::sin(gm) + 0.020 * std::sin(2 * gm)) * kGrado;
    const double eps = (23.439 - 0.0000004 * n) * kGrado;
    // The almanac's place is of the date: back to J2000 by the precession's rotation.
    double v[3] = {std::cos(lambda), std::cos(eps) * std::sin(lambda),
                   std::sin(eps) * std::sin(lambda)};
    double rp[3][3];
    eraPmat06(i.tt.entera, i.tt.fraccion, rp);
    double j2000[3];
    eraTrxp(rp, v, j2000);
    double ar = 0, dec = 0;
    eraC2s(j2000, &ar, &dec);
    const Horizontal almanaque = Atco13(ar / kGrado, dec / kGrado, g, i);
    const CieloLocal cielo(sitio, g, i);
    EXPECT_NEAR(cielo.AlturaSol(), almanaque.altura, 0.05) << hora;
  }
}

// The Moon over the Sun at the total eclipse of 2024-04-08 from Dallas, and its phases.
TEST(CieloLocalTest, LaLunaEnUnEclipseYEnSusFases) {
  const ef::Sitio dallas = ef::SitioGeodesico(-96.80, 32.78, 140);
  const LugarGeodesico g = GeodesicoDeSitio(dallas);
  const ef::Instante maximo = ef::InstanteDesdeCalendario(2024, 4, 8, 18, 42, 30);
  const CieloLocal cielo(dallas, g, maximo);
  double pvh[2][3], pvb[2][3];
  eraEpv00(maximo.tdb.entera, maximo.tdb.fraccion, pvh, pvb);
  double sol[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
  double ar = 0, dec = 0;
  eraC2s(sol, &ar, &dec);
  EXPECT_LT(cielo.DistanciaLuna(ar, dec), 0.05);
  EXPECT_LT(cielo.LunaIluminada(), 0.01);
  EXPECT_GT(cielo.AlturaSol(), 60);  // near the meridian at Dallas in April

  struct Fase {
    int mes, dia, hora, minuto;
    double fraccion;
  };
  // Full moon, new moon and first quarter of September 2022 (UTC).
  for (const Fase& f :
       {Fase{9, 10, 9, 59, 1.0}, Fase{9, 25, 21, 55, 0.0}, Fase{9, 3, 18, 8, 0.5}}) {
    const ef::Instante i = ef::InstanteDesdeCalendario(2022, f.mes, f.dia, f.hora, f.minuto, 0);
    const ef::Sitio z84 = *ef::BuscarObservatorio("Z84");
    EXPECT_NEAR(CieloLocal(z84, GeodesicoDeSitio(z84), i).LunaIluminada(), f.fraccion, 0.01)
        << f.mes << "-" << f.dia;
  }
}

TEST(CieloLocalTest, LugarGeodesicoDeUnCodigoYDeCoordenadas) {
  const LugarGeodesico z84 = GeodesicoDeSitio(*ef::BuscarObservatorio("Z84"));
  EXPECT_NEAR(z84.latitud / kGrado, 37.2236, 0.01);
  EXPECT_NEAR(z84.longitud / kGrado, -2.5461, 0.01);
  // The MPC's six decimals of the parallax constants place the height within ~100 m.
  EXPECT_NEAR(z84.altura, 2168, 150);
  const LugarGeodesico vuelta = GeodesicoDeSitio(ef::SitioGeodesico(-3.3842, 37.064, 2896));
  EXPECT_NEAR(vuelta.longitud / kGrado, -3.3842, 1e-9);
  EXPECT_NEAR(vuelta.latitud / kGrado, 37.064, 1e-9);
  EXPECT_NEAR(vuelta.altura, 2896, 1e-3);
  EXPECT_DOUBLE_EQ(PresionEnAltura(0), 1013.25);
  EXPECT_NEAR(PresionEnAltura(8150), 1013.25 / std::exp(1.0), 1e-9);
}

TEST(CieloLocalTest, MasaDeAireDeKastenYYoung) {
  EXPECT_NEAR(*MasaDeAire(90), 1.0, 0.001);
  EXPECT_GT(*MasaDeAire(30), 1.99);
  EXPECT_LT(*MasaDeAire(30), 2.0);
  EXPECT_NEAR(*MasaDeAire(0), 37.92, 0.01);  // the formula's value at the horizon
  EXPECT_FALSE(MasaDeAire(-0.01));
}

TEST(TablaEfemerides, VisibleGuardaJustoLosLimites) {
  struct Caso {
    double altura, sol;
    bool visible;
  };
  for (const Caso& c : {Caso{20, -12, true}, Caso{19.999, -12, false}, Caso{45, -11.999, false},
                        Caso{90, -90, true}}) {
    FilaEfemerides f;
    f.lugar.emplace();
    f.horizonte.emplace();
    f.horizonte->altura = c.altura;
    f.horizonte->altura_sol = c.sol;
    EXPECT_EQ(Visible(f, 20, -12), c.visible) << c.altura << " " << c.sol;
  }
  FilaEfemerides sin_sitio;
  sin_sitio.lugar.emplace();
  EXPECT_FALSE(Visible(sin_sitio, -90, 90));
}

TEST(TablaEfemerides, FilasYPasos) {
  EXPECT_EQ(FilasEntre(0, 1, 1.0 / 24), 25u);
  EXPECT_EQ(FilasEntre(0, 1.01, 0.5), 3u);
  EXPECT_EQ(FilasEntre(0, 0.99, 0.5), 2u);
  EXPECT_EQ(FilasEntre(5, 5, 1), 1u);
  EXPECT_EQ(FilasEntre(5, 4, 1), 0u);
  EXPECT_EQ(FilasEntre(2460000.5, 2460000.5 + 7, 10.0 / 1440), 7u * 144 + 1);

  EXPECT_DOUBLE_EQ(LeerPaso("10m"), 10.0 / 1440);
  EXPECT_DOUBLE_EQ(LeerPaso("1h"), 1.0 / 24);
  EXPECT_DOUBLE_EQ(LeerPaso("1.5D"), 1.5);
  EXPECT_DOUBLE_EQ(LeerPaso("1m"), 1.0 / 1440);
  EXPECT_DOUBLE_EQ(LeerPaso("100d"), 100);
  for (const char* malo : {"0m", "-1h", "0.5m", "100.5d", "1x", "h", "", "1", "1 h h"}) {
    EXPECT_THROW(LeerPaso(malo), consola::ErrorUso) << malo;
  }
}

}  // namespace
}  // namespace orbelux::planificador

namespace orbelux::planificador {
namespace {

// An object followed from row to row lands where the integration straight from its epoch
// puts it, row by row.
TEST(TablaEfemerides, DeFilaEnFilaComoDesdeLaEpoca) {
  const auto hallado =
      BuscarObjetos({"vesta"}, {ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat"}, SistemaReal());
  PeticionTabla p;
  p.intervalo.inicio = ef::InstanteDesdeCalendario(2024, 3, 1, 0, 0, 0);
  p.intervalo.paso = 7.25;
  p.intervalo.filas = 9;
  p.hilos = 1;
  const auto seguidas = CalcularTablas({hallado[0].elementos}, p)[0];
  ASSERT_EQ(seguidas.size(), 9u);
  for (std::size_t i = 0; i < seguidas.size(); ++i) {
    PeticionTabla una = p;
    una.intervalo.inicio = InstanteDeFila(p.intervalo, i);
    una.intervalo.filas = 1;
    const auto sola = CalcularTablas({hallado[0].elementos}, una)[0][0];
    ASSERT_TRUE(seguidas[i].lugar && sola.lugar);
    EXPECT_LT(
        Separacion(seguidas[i].lugar->ar, seguidas[i].lugar->dec, sola.lugar->ar, sola.lugar->dec) *
            3600,
        0.001)
        << i;
    EXPECT_NEAR(seguidas[i].lugar->mov_ar, sola.lugar->mov_ar, 1e-6) << i;
  }
}

}  // namespace
}  // namespace orbelux::planificador
