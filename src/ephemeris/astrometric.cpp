// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/astrometric.h"

#include <cmath>

#include <erfa.h>
#include <erfam.h>

namespace orbelux::efemerides {

namespace {

constexpr double kTiempoLuzUA = ERFA_AULT / ERFA_DAYSEC;  // days per AU
constexpr double kToleranciaLuz = 1e-4 / ERFA_DAYSEC;  // days: 0.1 ms, a metre or so
constexpr int kMaxIteraciones = 10;

// Where the Sun, the asteroid at emission and the observer at reception stand.
LugarAstrometrico Lugar(const Vector3& asteroide, const Vector3& relativa) {
  LugarAstrometrico lugar;
  lugar.delta = Modulo(relativa);
  lugar.r = Modulo(asteroide);
  double ar = std::atan2(relativa.y, relativa.x);
  if (ar < 0) ar += 2 * ERFA_DPI;
  if (ar >= 2 * ERFA_DPI) ar = 0;
  lugar.ascension_recta = ar;
  lugar.declinacion =
      std::atan2(relativa.z, std::sqrt(relativa.x * relativa.x + relativa.y * relativa.y));
  // The angle at the asteroid between the Sun (-asteroide) and the observer (-relativa):
  // tan(alpha / 2) = |a x g| / (|a| |g| + a . g), exact at every angle.
  lugar.tan_media_fase = Modulo(ProductoVectorial(asteroide, relativa)) /
                         (lugar.r * lugar.delta + Producto(asteroide, relativa));
  return lugar;
}

}  // namespace

Vector3 PosicionTierra(const Instante& instante) {
  double heliocentrica[2][3];
  double baricentrica[2][3];
  // Status +1 only says the date lies outside 1900-2100, where the series degrades slowly.
  eraEpv00(instante.tdb.entera, instante.tdb.fraccion, heliocentrica, baricentrica);
  return {heliocentrica[0][0], heliocentrica[0][1], heliocentrica[0][2]};
}

Vector3 PosicionObservador(const Instante& instante, const Sitio& sitio) {
  const Vector3 tierra = PosicionTierra(instante);
  if (sitio.Geocentro() && sitio.con_coordenadas) return tierra;
  return tierra + ObservadorGeocentrico(sitio, instante).posicion;
}

double LugarAstrometrico::Fase() const { return 2 * std::atan(tan_media_fase); }

LugarAstrometrico Astrometrico(const OrbitaKepleriana& orbita, const Vector3& observador,
                               const Instante& instante) {
  const double t1 = instante.tdb.entera;
  const double t2 = instante.tdb.fraccion;
  EstadoKepler estado;
  Vector3 asteroide = orbita.PosicionCerca(t1, t2, estado);
  // Light time along the straight line through the position at t: good to a few
  // hundredths of a millisecond, well inside the tolerance.
  const Vector3 velocidad = orbita.VelocidadEn(estado);
  const Vector3 desde_observador = asteroide - observador;
  double tau = Modulo(desde_observador) * kTiempoLuzUA;
  for (int i = 0; i < 3; ++i) tau = Modulo(desde_observador - tau * velocidad) * kTiempoLuzUA;

  Vector3 relativa;
  for (int i = 0; i < kMaxIteraciones; ++i) {
    asteroide = orbita.PosicionCerca(t1, t2 - tau, estado);
    relativa = asteroide - observador;
    const double nuevo_tau = Modulo(relativa) * kTiempoLuzUA;
    if (std::abs(nuevo_tau - tau) < kToleranciaLuz) break;
    tau = nuevo_tau;
  }

  return Lugar(asteroide, relativa);
}

Vector3 VelocidadBaricentricaSol(const Instante& instante) {
  double heliocentrica[2][3];
  double baricentrica[2][3];
  eraEpv00(instante.tdb.entera, instante.tdb.fraccion, heliocentrica, baricentrica);
  return {baricentrica[1][0] - heliocentrica[1][0], baricentrica[1][1] - heliocentrica[1][1],
          baricentrica[1][2] - heliocentrica[1][2]};
}

LugarAstrometrico AstrometricoDesdeEstado(const EstadoCartesiano& en_instante,
                                          const Vector3& observador, const Vector3& velocidad_sol) {
  // First guesses along the straight line, as for two-body motion.
  const Vector3 desde_observador = en_instante.r - observador;
  const Vector3 aparente = en_instante.v + velocidad_sol;
  double tau = Modulo(desde_observador) * kTiempoLuzUA;
  for (int i = 0; i < 3; ++i) tau = Modulo(desde_observador - tau * aparente) * kTiempoLuzUA;

  Vector3 asteroide;
  Vector3 relativa;
  for (int i = 0; i < kMaxIteraciones; ++i) {
    asteroide = PasoKepler(en_instante, -tau).r;
    relativa = asteroide - tau * velocidad_sol - observador;
    const double nuevo_tau = Modulo(relativa) * kTiempoLuzUA;
    if (std::abs(nuevo_tau - tau) < kToleranciaLuz) break;
    tau = nuevo_tau;
  }
  return Lugar(asteroide, relativa);
}

}  // namespace orbelux::efemerides
