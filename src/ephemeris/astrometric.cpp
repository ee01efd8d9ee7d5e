#include "ephemeris/astrometric.h"

#include <cmath>
#include <limits>

#include <erfa.h>
#include <erfam.h>

namespace orbelux::efemerides {

namespace {

constexpr double kTiempoLuzUA = ERFA_AULT / ERFA_DAYSEC;  // days per AU
constexpr double kToleranciaLuz = 1e-4 / ERFA_DAYSEC;  // days: 0.1 ms, a metre or so
constexpr int kMaxIteraciones = 10;

}  // namespace

Vector3 PosicionTierra(const Instante& instante) {
  double heliocentrica[2][3];
  double baricentrica[2][3];
  // Status +1 only says the date lies outside 1900-2100, where the series degrades slowly.
  eraEpv00(instante.tdb.entera, instante.tdb.fraccion, heliocentrica, baricentrica);
  return {heliocentrica[0][0], heliocentrica[0][1], heliocentrica[0][2]};
}

LugarAstrometrico Astrometrico(const OrbitaKepleriana& orbita, const Vector3& tierra,
                               const Instante& instante) {
  const double t1 = instante.tdb.entera;
  const double t2 = instante.tdb.fraccion;
  double anomalia = std::numeric_limits<double>::quiet_NaN();
  Vector3 asteroide = orbita.PosicionCerca(t1, t2, anomalia);
  Vector3 geocentrica = asteroide - tierra;
  double tau = 0;
  for (int i = 0; i < kMaxIteraciones; ++i) {
    const double nuevo_tau = Modulo(geocentrica) * kTiempoLuzUA;
    if (std::abs(nuevo_tau - tau) < kToleranciaLuz) break;
    tau = nuevo_tau;
    asteroide = orbita.PosicionCerca(t1, t2 - tau, anomalia);
    geocentrica = asteroide - tierra;
  }

  LugarAstrometrico lugar;
  lugar.delta = Modulo(geocentrica);
  lugar.r = Modulo(asteroide);
  double ar = std::atan2(geocentrica.y, geocentrica.x);
  if (ar < 0) ar += 2 * ERFA_DPI;
  if (ar >= 2 * ERFA_DPI) ar = 0;
  lugar.ascension_recta = ar;
  lugar.declinacion =
      std::atan2(geocentrica.z, std::hypot(geocentrica.x, geocentrica.y));
  // The angle at the asteroid between the Sun (-asteroide) and the Earth (-geocentrica).
  lugar.fase = std::atan2(Modulo(ProductoVectorial(asteroide, geocentrica)),
                          Producto(asteroide, geocentrica));
  return lugar;
}

}  // namespace orbelux::efemerides
