#include "ephemeris/two_body.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <erfa.h>
#include <erfam.h>

namespace orbelux::efemerides {

namespace {

// Obliquity of the ecliptic at J2000, the angle between the elements' plane and the equator.
constexpr double kOblicuidad = 84381.448 * ERFA_DAS2R;
constexpr double kTolerancia = 1e-14;

// Newton's method kept inside a bracket that always holds the root, so that it cannot
// wander off even for e close to 1 near perihelion; a step that would leave the bracket
// is replaced by bisection.
double ResolverKepler(double M, double e, double E) {
  // f(E) = E - e sin E - M grows with E, and the root lies between M and M + e (for M >= 0).
  double bajo = M >= 0 ? M : std::max(M - e, -ERFA_DPI);
  double alto = M >= 0 ? std::min(M + e, ERFA_DPI) : M;
  if (!(E >= bajo && E <= alto)) {
    E = e < 0.8 ? M + e * std::sin(M) : M + 0.85 * e * (M >= 0 ? 1 : -1);
  }
  E = std::clamp(E, bajo, alto);
  for (int paso = 0; paso < 100; ++paso) {
    const double s = std::sin(E);
    const double c = std::cos(E);
    const double f = E - e * s - M;
    if (std::abs(f) <= kTolerancia * 0.25) return E;
    if (f < 0) {
      bajo = E;
    } else {
      alto = E;
    }
    double siguiente = E - f / (1 - e * c);
    if (!(siguiente > bajo && siguiente < alto)) siguiente = 0.5 * (bajo + alto);
    if (std::abs(siguiente - E) <= kTolerancia * 0.25 || siguiente == E) return siguiente;
    E = siguiente;
  }
  return E;
}

double Reducir(double M) {
  // Into [-pi, pi]; remainder is exact, so nothing is lost however large M is.
  return std::remainder(M, 2 * ERFA_DPI);
}

}  // namespace

double AnomaliaExcentrica(double M, double e) {
  return ResolverKepler(Reducir(M), e, std::numeric_limits<double>::quiet_NaN());
}

double AnomaliaExcentrica(double M, double e, double estimacion) {
  return ResolverKepler(Reducir(M), e, Reducir(estimacion));
}

OrbitaKepleriana::OrbitaKepleriana(const ElementosOrbitales& el)
    : a_(el.semieje),
      e_(el.excentricidad),
      b_(el.semieje * std::sqrt((1 - el.excentricidad) * (1 + el.excentricidad))),
      n_(kGauss / (el.semieje * std::sqrt(el.semieje))),
      M0_(el.anomalia_media * ERFA_DD2R),
      epoca_(el.epoca) {
  const double cw = std::cos(el.perihelio * ERFA_DD2R);
  const double sw = std::sin(el.perihelio * ERFA_DD2R);
  const double cn = std::cos(el.nodo * ERFA_DD2R);
  const double sn = std::sin(el.nodo * ERFA_DD2R);
  const double ci = std::cos(el.inclinacion * ERFA_DD2R);
  const double si = std::sin(el.inclinacion * ERFA_DD2R);
  // Perihelion and its quarter-turn companion on the ecliptic of J2000 ...
  const Vector3 p{cw * cn - sw * sn * ci, cw * sn + sw * cn * ci, sw * si};
  const Vector3 q{-sw * cn - cw * sn * ci, -sw * sn + cw * cn * ci, cw * si};
  // ... turned about the equinox onto the equator.
  const double ce = std::cos(kOblicuidad);
  const double se = std::sin(kOblicuidad);
  P_ = {p.x, ce * p.y - se * p.z, se * p.y + ce * p.z};
  Q_ = {q.x, ce * q.y - se * q.z, se * q.y + ce * q.z};
}

double OrbitaKepleriana::AnomaliaMedia(double tdb1, double tdb2) const {
  return M0_ + n_ * ((tdb1 - epoca_) + tdb2);
}

Vector3 OrbitaKepleriana::DesdeAnomalia(double E) const {
  const double x = a_ * (std::cos(E) - e_);
  const double y = b_ * std::sin(E);
  return x * P_ + y * Q_;
}

Vector3 OrbitaKepleriana::Posicion(double tdb1, double tdb2) const {
  return DesdeAnomalia(AnomaliaExcentrica(AnomaliaMedia(tdb1, tdb2), e_));
}

Vector3 OrbitaKepleriana::PosicionCerca(double tdb1, double tdb2, double& anomalia) const {
  anomalia = AnomaliaExcentrica(AnomaliaMedia(tdb1, tdb2), e_, anomalia);
  return DesdeAnomalia(anomalia);
}

}  // namespace orbelux::efemerides
