// SPDX-License-Identifier: GPL-3.0-or-later
// Where an element set turns into a position: Kepler's equation and the heliocentric
// position of an asteroid on an unperturbed ellipse, and for a comet's conic of any
// eccentricity the universal-variable form of the same (Stumpff functions).
#pragma once

#include <limits>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/vector3.h"

namespace orbelux::efemerides {

// Gaussian gravitational constant, radians per day for a = 1 AU.
inline constexpr double kGauss = 0.01720209895;

// The eccentric anomaly E of mean anomaly M (radians, any value) for 0 <= e < 1, with
// |E - e sin E - M| below 1e-14 rad after M is brought into (-pi, pi]. The result lies in
// [-pi, pi]. `estimacion`, when given, is a nearby E to start from (NaN: none).
double AnomaliaExcentrica(double M, double e);
double AnomaliaExcentrica(double M, double e, double estimacion);

// An eccentric anomaly with its sine and cosine.
struct Anomalia {
  double E = 0;
  double s = 0;
  double c = 1;
};

// The Stumpff functions c2(z) = (1 - cos sqrt z) / z and c3(z) = (sqrt z - sin sqrt z) /
// z^1.5 (their hyperbolic forms for z < 0), by their series near zero, where the closed
// forms lose every digit: 1/2 and 1/6 at z = 0.
struct Stumpff {
  double c2 = 0.5;
  double c3 = 1.0 / 6;
};
Stumpff FuncionesStumpff(double z);

// The universal anomaly chi of a conic of perihelion distance q and eccentricity e (any
// e >= 0) dt days after perihelion: the root of e chi^3 c3(z) + q chi = k dt, z = alpha
// chi^2, alpha = (1 - e) / q; for an ellipse dt is first brought within half a period.
// `estimacion`, when finite, is a nearby root to start from. Also gives r = q + e chi^2 c2.
struct SolucionUniversal {
  double chi = 0;
  double z = 0;
  Stumpff s;
  double r = 0;
  double dt = 0;  // the time from perihelion solved for (reduced, for an ellipse)
};
SolucionUniversal ResolverUniversal(double q, double e, double dt, double estimacion);

// Where the last position of an orbit stood, to start the next solution from.
struct EstadoKepler {
  double media = std::numeric_limits<double>::quiet_NaN();  // mean anomaly, not reduced
  Anomalia anomalia;
  // The universal form's: its last root, and the velocity there.
  double chi = std::numeric_limits<double>::quiet_NaN();
  Vector3 velocidad;
};

// An orbit ready for positions: the orientation is worked out once, so each position
// costs one Kepler solution.
class OrbitaKepleriana final {
 public:
  explicit OrbitaKepleriana(const ElementosOrbitales& elementos);

  // Heliocentric position at a TDB Julian date (two parts), on the ICRF axes, in AU.
  // The elements' epoch is 0h TT; the 1.7 ms between TT and TDB moves nothing visibly.
  Vector3 Posicion(double tdb1, double tdb2) const;

  // The same, starting Kepler's equation from the solution of the previous call (a new
  // EstadoKepler: none) and leaving this one's there: the light-time iteration asks for
  // nearly the same instant again and again.
  Vector3 PosicionCerca(double tdb1, double tdb2, EstadoKepler& estado) const;

  // Heliocentric velocity, AU/day, at an eccentric anomaly this orbit reached.
  Vector3 Velocidad(const Anomalia& anomalia) const;

  // Heliocentric velocity, AU/day, where the last PosicionCerca left `estado`: for either
  // form of the elements.
  Vector3 VelocidadEn(const EstadoKepler& estado) const;

  // Position and velocity at a TDB Julian date (two parts), for either form.
  void PosicionYVelocidad(double tdb1, double tdb2, Vector3& r, Vector3& v) const;

 private:
  double AnomaliaMedia(double tdb1, double tdb2) const;
  Vector3 DesdeAnomalia(const Anomalia& anomalia) const;

  double a_;
  double e_;
  double b_;  // semiminor axis
  double n_;  // mean motion, rad/day
  double M0_;
  double epoca_;
  Vector3 P_;  // towards perihelion, equatorial
  Vector3 Q_;  // 90 degrees ahead of P_ in the orbit, equatorial

  // FormaOrbita::Perihelio: the universal form from the state at perihelion.
  Vector3 Universal(double tdb1, double tdb2, EstadoKepler& estado) const;
  bool universal_ = false;
  double q_ = 0;
  double paso_ = 0;  // T, Julian date
  double v_perihelio_ = 0;
};

}  // namespace orbelux::efemerides
