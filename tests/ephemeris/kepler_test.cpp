// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <numbers>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/two_body.h"

namespace orbelux::efemerides {
namespace {

constexpr double kPi = std::numbers::pi;

// An independent solution: bisection in long double, which cannot fail to converge.
long double EPorBiseccion(long double M, long double e) {
  long double bajo = -kPi - 1;
  long double alto = kPi + 1;
  for (int i = 0; i < 200; ++i) {
    const long double medio = 0.5L * (bajo + alto);
    if (medio - e * std::sin(medio) - M < 0) {
      bajo = medio;
    } else {
      alto = medio;
    }
  }
  return 0.5L * (bajo + alto);
}

struct CasoKepler {
  const char* nombre;
  double M;
  double e;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoKepler& caso, std::ostream* os) { *os << caso.nombre; }

class Kepler : public testing::TestWithParam<CasoKepler> {};

TEST_P(Kepler, ResuelveHasta1e14Radianes) {
  const CasoKepler& c = GetParam();
  const double E = AnomaliaExcentrica(c.M, c.e);
  const long double residuo = static_cast<long double>(E) - c.e * std::sin(static_cast<long double>(E)) - c.M;
  EXPECT_LE(std::abs(residuo), 1e-14L);
  // The residual bounds the error in E through the slope of Kepler's equation.
  const long double referencia = EPorBiseccion(c.M, c.e);
  const long double pendiente = 1 - c.e * std::cos(referencia);
  EXPECT_LE(std::abs(E - referencia), 1e-14L / pendiente + 1e-15L) << "E = " << E;
}

TEST_P(Kepler, PartirDeUnaEstimacionDaLaMismaSolucion) {
  const CasoKepler& c = GetParam();
  const double E = AnomaliaExcentrica(c.M, c.e);
  for (const double estimacion : {E, E + 1e-3, E - 0.5, 3.0, -3.0}) {
    EXPECT_NEAR(AnomaliaExcentrica(c.M, c.e, estimacion), E, 2e-14 / (1 - c.e))
        << "estimacion " << estimacion;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Excentricidades, Kepler,
    testing::Values(CasoKepler{"Circular", 1.234, 0.0},
                    CasoKepler{"CircularNegativa", -2.5, 0.0},
                    CasoKepler{"Media", 1.0, 0.5},
                    CasoKepler{"MediaNegativa", -2.0, 0.5},
                    CasoKepler{"MediaAfelio", kPi, 0.5},
                    CasoKepler{"AltaCuarto", kPi / 2, 0.97},
                    CasoKepler{"AltaCercaPerihelio", 1e-4, 0.97},
                    CasoKepler{"AltaMuyCercaPerihelio", -1e-9, 0.97},
                    CasoKepler{"AltaEnPerihelio", 0.0, 0.97},
                    CasoKepler{"AltaCercaAfelio", kPi - 1e-6, 0.97},
                    CasoKepler{"AltaEnAfelio", kPi, 0.97},
                    CasoKepler{"AltaTrasAfelio", -kPi + 1e-6, 0.97},
                    CasoKepler{"CasiParabolica", 1e-3, 0.999999}),
    [](const auto& info) { return std::string(info.param.nombre); });

// Everywhere, not just at the chosen points: a sweep of M for each eccentricity.
class KeplerBarrido : public testing::TestWithParam<double> {};

TEST_P(KeplerBarrido, ResiduoBajo1e14) {
  const double e = GetParam();
  for (int i = -2000; i <= 2000; ++i) {
    const double M = kPi * i / 2000.0;
    const double E = AnomaliaExcentrica(M, e);
    const long double residuo =
        static_cast<long double>(E) - e * std::sin(static_cast<long double>(E)) - M;
    ASSERT_LE(std::abs(residuo), 1e-14L) << "M = " << M;
  }
}

INSTANTIATE_TEST_SUITE_P(Excentricidades, KeplerBarrido,
                         testing::Values(0.0, 0.1, 0.5, 0.8, 0.9, 0.97, 0.99, 0.9999),
                         [](const auto& info) {
                           return "e" + std::to_string(static_cast<int>(info.param * 10000));
                         });

TEST(KeplerReduccion, AnomaliasGrandesSeReducenSinPerderse) {
  // 1000 turns and a bit: the same E as the bit alone, to the precision of 2 pi * 1000.
  const double M = 0.75 + 2 * kPi * 1000;
  EXPECT_NEAR(AnomaliaExcentrica(M, 0.3), AnomaliaExcentrica(0.75, 0.3), 1e-11);
}

ElementosOrbitales Orbita(double a, double e, double M, double i = 0, double nodo = 0,
                          double peri = 0) {
  ElementosOrbitales el;
  el.numero = 1;
  el.semieje = a;
  el.excentricidad = e;
  el.anomalia_media = M;
  el.inclinacion = i;
  el.nodo = nodo;
  el.perihelio = peri;
  el.epoca = 2451545.0;
  return el;
}

constexpr double kOblicuidad = 84381.448 / 3600 * kPi / 180;

TEST(OrbitaKepleriana, PerihelioYAfelioALaDistanciaDeLaElipse) {
  const OrbitaKepleriana orbita(Orbita(2.5, 0.3, 0));
  const Vector3 perihelio = orbita.Posicion(2451545.0, 0);
  EXPECT_NEAR(Modulo(perihelio), 2.5 * 0.7, 1e-14);
  // Along the equinox: the ecliptic's x axis is the equator's.
  EXPECT_NEAR(perihelio.x, 1.75, 1e-14);
  const double periodo = 2 * kPi / (kGauss / std::pow(2.5, 1.5));
  const Vector3 afelio = orbita.Posicion(2451545.0, periodo / 2);
  EXPECT_NEAR(Modulo(afelio), 2.5 * 1.3, 1e-12);
  EXPECT_NEAR(afelio.x, -3.25, 1e-12);
}

TEST(OrbitaKepleriana, UnCuartoDeVueltaCircularSubeAlPlanoDeLaEcliptica) {
  // a = 1 AU: the period is 2 pi / k days, and after a quarter of it the asteroid is on
  // the ecliptic's y axis, which the obliquity tips out of the equator.
  const OrbitaKepleriana orbita(Orbita(1.0, 0.0, 0));
  const Vector3 p = orbita.Posicion(2451545.0, kPi / 2 / kGauss);
  EXPECT_NEAR(p.x, 0, 1e-13);
  EXPECT_NEAR(p.y, std::cos(kOblicuidad), 1e-13);
  EXPECT_NEAR(p.z, std::sin(kOblicuidad), 1e-13);
}

TEST(OrbitaKepleriana, LosAngulosOrientanLaOrbita) {
  // Node 90, inclination 90, perihelion 90: the perihelion points to the ecliptic's pole.
  const OrbitaKepleriana orbita(Orbita(2.0, 0.5, 0, 90, 90, 90));
  const Vector3 p = orbita.Posicion(2451545.0, 0);
  EXPECT_NEAR(p.x, 0, 1e-14);
  EXPECT_NEAR(p.y, -std::sin(kOblicuidad), 1e-14);
  EXPECT_NEAR(p.z, std::cos(kOblicuidad), 1e-14);
}

}  // namespace
}  // namespace orbelux::efemerides
