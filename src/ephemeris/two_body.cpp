// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/two_body.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <erfa.h>
#include <erfam.h>

namespace orbelux::efemerides {

namespace {

// The obliquity of the ecliptic at J2000, between the elements' plane and the equator.
const double kCosOblicuidad = std::cos(84381.448 * ERFA_DAS2R);
const double kSenOblicuidad = std::sin(84381.448 * ERFA_DAS2R);

constexpr double kTolerancia = 1e-14;

// Halley's method kept inside a bracket that always holds the root, so that it cannot
// wander off even for e close to 1 near perihelion; a step that would leave the bracket
// is replaced by bisection. Returns sin E and cos E with E, which the position needs.
Anomalia ResolverKepler(double M, double e, double E) {
  // f(E) = E - e sin E - M grows with E, and the root lies between M and M + e (for M >= 0).
  double bajo = M >= 0 ? M : std::max(M - e, -ERFA_DPI);
  double alto = M >= 0 ? std::min(M + e, ERFA_DPI) : M;
  if (!(E >= bajo && E <= alto)) {
    if (e < 0.3) {
      // The series in e to third order: E = M + e s + e^2 s c + e^3 s (1 - 3/2 s^2), with
      // s and c of M; one Halley step then leaves an error of order e^12.
      const double s = std::sin(M);
      const double c = std::cos(M);
      E = M + e * s * (1 + e * (c + e * (1 - 1.5 * s * s)));
    } else {
      E = e < 0.8 ? M + e * std::sin(M) : M + 0.85 * e * (M >= 0 ? 1 : -1);
    }
  }
  E = std::clamp(E, bajo, alto);
  for (int paso = 0; paso < 100; ++paso) {
    const double s = std::sin(E);
    const double c = std::cos(E);
    const double f = E - e * s - M;
    if (std::abs(f) <= kTolerancia * 0.25) return {E, s, c};
    if (f < 0) {
      bajo = E;
    } else {
      alto = E;
    }
    const double d1 = 1 - e * c;
    const double newton = f / d1;
    const double paso_halley = f / (d1 - 0.5 * newton * e * s);
    const double siguiente = E - paso_halley;
    if (!(siguiente > bajo && siguiente < alto)) {
      E = 0.5 * (bajo + alto);
      continue;
    }
    // After a step this small the residual of Kepler's equation left is below |step|^3
    // (e^2 sin^2 E / 4(1 - e cos E) + e cos E / 6 stays under 1 for every e < 1), so
    // under 1e-15: take it, and turn sin and cos by it rather than computing them again.
    if (std::abs(paso_halley) < 1e-5) {
      const double d = paso_halley;
      const double coseno_d = 1 - 0.5 * d * d;
      return {siguiente, s * coseno_d - c * d, c * coseno_d + s * d};
    }
    E = siguiente;
  }
  return {E, std::sin(E), std::cos(E)};
}

// Into [-pi, pi]: 2 pi in two parts (Cody and Waite), so that many turns lose nothing.
double Reducir(double M) {
  constexpr double kDosPiAlto = 6.283185307179586;
  constexpr double kDosPiBajo = 2.4492935982947064e-16;
  const double vueltas = std::nearbyint(M / kDosPiAlto);
  const double r = std::fma(-vueltas, kDosPiAlto, M) - vueltas * kDosPiBajo;
  return std::clamp(r, -ERFA_DPI, ERFA_DPI);
}

}  // namespace

double AnomaliaExcentrica(double M, double e) {
  return ResolverKepler(Reducir(M), e, std::numeric_limits<double>::quiet_NaN()).E;
}

double AnomaliaExcentrica(double M, double e, double estimacion) {
  return ResolverKepler(Reducir(M), e, Reducir(estimacion)).E;
}

Stumpff FuncionesStumpff(double z) {
  if (std::abs(z) < 0.5) {
    // c2 = sum (-z)^k / (2k + 2)!, c3 = sum (-z)^k / (2k + 3)!: each term under a tenth
    // of the one before, so twelve leave nothing a double can hold.
    double c2 = 0;
    double c3 = 0;
    double termino2 = 0.5;
    double termino3 = 1.0 / 6;
    for (int k = 0; k < 12; ++k) {
      c2 += termino2;
      c3 += termino3;
      termino2 *= -z / ((2 * k + 3) * (2 * k + 4));
      termino3 *= -z / ((2 * k + 4) * (2 * k + 5));
    }
    return {c2, c3};
  }
  if (z > 0) {
    const double raiz = std::sqrt(z);
    return {(1 - std::cos(raiz)) / z, (raiz - std::sin(raiz)) / (z * raiz)};
  }
  const double raiz = std::sqrt(-z);
  return {(std::cosh(raiz) - 1) / -z, (std::sinh(raiz) - raiz) / (-z * raiz)};
}

SolucionUniversal ResolverUniversal(double q, double e, double dt, double estimacion) {
  const double alfa = (1 - e) / q;
  if (alfa > 0) {
    // Whole periods change nothing: the root then stays below pi / sqrt(alpha).
    const double periodo = 2 * ERFA_DPI / (kGauss * alfa * std::sqrt(alfa));
    dt -= std::nearbyint(dt / periodo) * periodo;
  }
  SolucionUniversal sol;
  sol.dt = dt;
  // F(chi) = e chi^3 c3 + q chi - k dt grows with chi (its derivative is r > 0) and is odd
  // in (chi, dt): solved for |dt|, the sign put back at the end.
  const double signo = dt < 0 ? -1 : 1;
  const double objetivo = kGauss * std::abs(dt);
  // c3 > 0 gives chi <= k dt / q; c3 >= 1/6 for alpha <= 0 gives chi^3 <= 6 k dt / e.
  double alto = objetivo / q;
  if (alfa <= 0 && e > 0) alto = std::min(alto, std::cbrt(6 * objetivo / e));
  if (alfa > 0) alto = std::min(alto, 1.0000001 * ERFA_DPI / std::sqrt(alfa));
  double bajo = 0;
  double chi = std::isfinite(estimacion) ? signo * estimacion : 0.5 * alto;
  if (!(chi >= bajo && chi <= alto)) chi = 0.5 * alto;
  const auto evaluar = [&](double x) {
    sol.chi = x;
    sol.z = alfa * x * x;
    sol.s = FuncionesStumpff(sol.z);
    sol.r = q + e * x * x * sol.s.c2;
    return e * x * x * x * sol.s.c3 + q * x - objetivo;
  };
  for (int paso = 0; paso < 200; ++paso) {
    const double f = evaluar(chi);
    if (f == 0) break;
    if (f < 0) {
      bajo = chi;
    } else {
      alto = chi;
    }
    double siguiente = chi - f / sol.r;
    if (!(siguiente > bajo && siguiente < alto)) siguiente = 0.5 * (bajo + alto);
    if (std::abs(siguiente - chi) <= 1e-15 * std::max(1.0, std::abs(chi)) ||
        !(alto - bajo > 1e-16 * std::max(1.0, alto))) {
      evaluar(siguiente);
      break;
    }
    chi = siguiente;
  }
  sol.chi *= signo;
  sol.dt = dt;
  return sol;
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
  const double ce = kCosOblicuidad;
  const double se = kSenOblicuidad;
  P_ = {p.x, ce * p.y - se * p.z, se * p.y + ce * p.z};
  Q_ = {q.x, ce * q.y - se * q.z, se * q.y + ce * q.z};
  if (el.forma == FormaOrbita::Perihelio) {
    universal_ = true;
    q_ = el.distancia_perihelio;
    paso_ = el.paso_perihelio;
    v_perihelio_ = kGauss * std::sqrt((1 + el.excentricidad) / q_);
  }
}

Vector3 OrbitaKepleriana::Universal(double tdb1, double tdb2, EstadoKepler& estado) const {
  const double dt = (tdb1 - paso_) + tdb2;
  const SolucionUniversal sol = ResolverUniversal(q_, e_, dt, estado.chi);
  estado.chi = sol.chi;
  // The f and g functions from the state at perihelion (q P, v_q Q).
  const double chi2 = sol.chi * sol.chi;
  const double f = 1 - chi2 * sol.s.c2 / q_;
  const double g = sol.dt - sol.chi * chi2 * sol.s.c3 / kGauss;
  const double df = kGauss * sol.chi * (sol.z * sol.s.c3 - 1) / (sol.r * q_);
  const double dg = 1 - chi2 * sol.s.c2 / sol.r;
  estado.velocidad = (df * q_) * P_ + (dg * v_perihelio_) * Q_;
  return (f * q_) * P_ + (g * v_perihelio_) * Q_;
}

Vector3 OrbitaKepleriana::VelocidadEn(const EstadoKepler& estado) const {
  return universal_ ? estado.velocidad : Velocidad(estado.anomalia);
}

void OrbitaKepleriana::PosicionYVelocidad(double tdb1, double tdb2, Vector3& r, Vector3& v) const {
  EstadoKepler estado;
  r = PosicionCerca(tdb1, tdb2, estado);
  v = VelocidadEn(estado);
}

double OrbitaKepleriana::AnomaliaMedia(double tdb1, double tdb2) const {
  return M0_ + n_ * ((tdb1 - epoca_) + tdb2);
}

Vector3 OrbitaKepleriana::DesdeAnomalia(const Anomalia& anomalia) const {
  const double x = a_ * (anomalia.c - e_);
  const double y = b_ * anomalia.s;
  return x * P_ + y * Q_;
}

Vector3 OrbitaKepleriana::Velocidad(const Anomalia& anomalia) const {
  const double dE = n_ / (1 - e_ * anomalia.c);
  return (-a_ * anomalia.s * dE) * P_ + (b_ * anomalia.c * dE) * Q_;
}

Vector3 OrbitaKepleriana::Posicion(double tdb1, double tdb2) const {
  if (universal_) {
    EstadoKepler estado;
    return Universal(tdb1, tdb2, estado);
  }
  return DesdeAnomalia(ResolverKepler(Reducir(AnomaliaMedia(tdb1, tdb2)), e_,
                                      std::numeric_limits<double>::quiet_NaN()));
}

Vector3 OrbitaKepleriana::PosicionCerca(double tdb1, double tdb2, EstadoKepler& estado) const {
  if (universal_) return Universal(tdb1, tdb2, estado);
  const double M = AnomaliaMedia(tdb1, tdb2);
  // dE = dM / (1 - e cos E): the last solution moved to the new mean anomaly.
  const double estimacion = estado.anomalia.E + (M - estado.media) / (1 - e_ * estado.anomalia.c);
  estado.media = M;
  estado.anomalia = ResolverKepler(Reducir(M), e_, estimacion);
  return DesdeAnomalia(estado.anomalia);
}

}  // namespace orbelux::efemerides
