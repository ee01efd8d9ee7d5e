// SPDX-License-Identifier: GPL-3.0-or-later
// The Earth of a long ephemeris, tabulated once, against ERFA's for each instant.
#include "ephemeris/earth_track.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ephemeris/planet_table.h"

namespace orbelux::efemerides {
namespace {

double Diferencia(const Vector3& a, const Vector3& b) { return Modulo(a - b); }

struct CasoTrayecto {
  const char* nombre;
  double inicio;  // TDB days from J2000
  double paso;    // days between rows
  int filas;
  bool interpolada;
};

class Trayectos : public testing::TestWithParam<CasoTrayecto> {};

// Each row and the minute on each side, as an ephemeris asks; every one of them, and the
// midpoints the interpolation is weakest at, within metres of eraEpv00.
TEST_P(Trayectos, SiguenAERFA) {
  const CasoTrayecto& c = GetParam();
  std::vector<double> tiempos;
  for (int i = 0; i < c.filas; ++i) {
    for (const double minuto : {-1.0, 0.0, 1.0}) {
      tiempos.push_back(c.inicio + i * c.paso + minuto / 1440);
    }
  }
  std::reverse(tiempos.begin(), tiempos.end());  // any order will do
  const TrayectoTierra trayecto(tiempos, 2);
  EXPECT_EQ(trayecto.Interpolada(), c.interpolada);
  EXPECT_LT(trayecto.Nodos(), static_cast<std::size_t>(c.filas) + 2);
  double peor_posicion = 0;
  double peor_velocidad = 0;
  double peor_sol = 0;
  double peor_luna = 0;
  double peor_polo = 0;
  for (const double t : tiempos) {
    const TierraEnInstante e = trayecto.En(t);
    const TierraEnInstante erfa = TierraERFA({kJ2000, t});
    peor_posicion = std::max(peor_posicion, Diferencia(e.posicion, erfa.posicion));
    peor_velocidad = std::max(peor_velocidad, Diferencia(e.velocidad, erfa.velocidad));
    peor_sol = std::max({peor_sol, Diferencia(e.posicion_sol, erfa.posicion_sol),
                         Diferencia(e.velocidad_sol, erfa.velocidad_sol)});
    peor_luna = std::max(peor_luna, Diferencia(e.luna, erfa.luna));
    peor_polo = std::max({peor_polo, std::abs(e.polo.x - erfa.polo.x),
                          std::abs(e.polo.y - erfa.polo.y), std::abs(e.polo.s - erfa.polo.s)});
  }
  EXPECT_LT(peor_posicion, 1e-10);  // 15 m: 0.003" for an object 0.01 AU away
  EXPECT_LT(peor_velocidad, 1e-8);  // 2 cm/s of 30 km/s: nothing in the aberration
  EXPECT_LT(peor_sol, 1e-9);
  EXPECT_LT(peor_luna, 5e-9);           // 750 m: 0.4" at the Moon's distance
  EXPECT_LT(peor_polo, 4e-3 / 206265);  // 4 mas: a site moves by 12 cm
}

INSTANTIATE_TEST_SUITE_P(
    EarthTrack, Trayectos,
    testing::Values(CasoTrayecto{"horas", 9466.3, 1.0 / 24, 24 * 20, true},
                    CasoTrayecto{"diez_minutos_en_1850", -54789.7, 1.0 / 144, 300, true},
                    CasoTrayecto{"dias", 9466.3, 1, 60, false},
                    CasoTrayecto{"una_fila", 9466.3, 1, 1, false}),
    [](const testing::TestParamInfo<CasoTrayecto>& i) { return i.param.nombre; });

TEST(TrayectoTierra, UnInstanteNoPrevistoSeCalculaEntero) {
  const std::vector<double> tiempos = {9466.25};
  const TrayectoTierra trayecto(tiempos, 1);
  const double lejos = 9470.5;
  EXPECT_EQ(Diferencia(trayecto.En(lejos).posicion, TierraERFA({kJ2000, lejos}).posicion), 0);
}

// The short nutation against the full IAU 2006/2000A model, near and far from J2000.
TEST(PoloCeleste, ComoElModeloCompletoAlMilisegundo) {
  for (const double jd : {2396758.5, 2451545.0, 2461382.25, 2506331.5}) {
    SCOPED_TRACE(jd);
    double x = 0, y = 0, s = 0;
    eraXys06a(jd, 0, &x, &y, &s);
    const PoloCeleste polo = PoloCelesteAbreviado({jd, 0});
    constexpr double kDosMilisegundos = 2e-3 / 206264.806;
    EXPECT_NEAR(polo.x, x, kDosMilisegundos);
    EXPECT_NEAR(polo.y, y, kDosMilisegundos);
    EXPECT_NEAR(polo.s, s, kDosMilisegundos);
  }
}

}  // namespace
}  // namespace orbelux::efemerides
