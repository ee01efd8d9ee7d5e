// SPDX-License-Identifier: GPL-3.0-or-later
// Where an element set turns into a position: Kepler's equation and the heliocentric
// position of an asteroid on an unperturbed ellipse.
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

// Where the last position of an orbit stood, to start the next solution from.
struct EstadoKepler {
  double media = std::numeric_limits<double>::quiet_NaN();  // mean anomaly, not reduced
  Anomalia anomalia;
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
};

}  // namespace orbelux::efemerides
