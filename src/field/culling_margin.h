// SPDX-License-Identifier: GPL-3.0-or-later
// How far the exact place of an object can lie from its cheap two-body place: the bound
// that lets a search of the sky skip the integration of every object whose two-body
// place is further than that from the circle asked for.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"

namespace orbelux::campo {

// Where the bodies of the force model stand during the days before and after the instant,
// piece by piece: for an object whose distances from the Sun overlap a body's, what keeps
// it away from the body is where each is along its orbit.
class TramosCuerpos final {
 public:
  // Days per piece, and how many pieces on each side of the instant.
  static constexpr double kDias = 8;
  static constexpr int kTramos = 120;

  // `t`: the instant, TDB days from J2000. Nothing is computed yet.
  explicit TramosCuerpos(double t);

  double Instante() const { return t_; }
  // The body positions at the middle of piece k (k < 0: before the instant), computed the
  // first time any thread asks: most queries need a few pieces near the instant, or none.
  const efemerides::PosicionesCuerpos& Centro(int k) const;

 private:
  double t_;
  mutable std::vector<efemerides::PosicionesCuerpos> centros_;
  std::unique_ptr<std::atomic<bool>[]> hechos_;
  mutable std::mutex mutex_;
};

struct DatosMargen {
  // Days between the elements' epoch and the instant (either sign).
  double dias_desde_epoca = 0;
  // The observer-object distance of the cheap place, AU.
  double distancia = 0;
  // The planets pull (perturbed motion); without them only the light time remains.
  bool perturbado = true;
  // The object's two-body orbit and the bodies piece by piece; without them, an object
  // whose distances from the Sun overlap a body's has no finite margin.
  const efemerides::OrbitaKepleriana* orbita = nullptr;
  const TramosCuerpos* tramos = nullptr;
};

// An upper bound, in radians, of the angle between the cheap place (the two-body
// heliocentric position at the instant itself, minus the observer's heliocentric position
// at the instant) and the place the exact computation gives (perturbed motion, light time,
// the Sun's barycentric motion over it). Infinity when no finite bound holds: the object
// may pass close to a planet, or the bound reaches the object's distance.
double MargenAngular(const efemerides::ElementosOrbitales& el, const DatosMargen& datos);

// The same bound as a distance (AU) of the heliocentric position from the two-body one
// at the instant, the planets' effect alone; infinity when there is none.
double DesviacionPerturbada(const efemerides::ElementosOrbitales& el, const DatosMargen& datos);

}  // namespace orbelux::campo
