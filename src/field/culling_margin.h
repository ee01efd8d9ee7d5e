// How far the exact place of an object can lie from its cheap two-body place: the bound
// that lets a search of the sky skip the integration of every object whose two-body
// place is further than that from the circle asked for.
#pragma once

#include "ephemeris/orbital_elements.h"

namespace orbelux::campo {

struct DatosMargen {
  // Days between the elements' epoch and the instant (either sign).
  double dias_desde_epoca = 0;
  // The observer-object distance of the cheap place, AU.
  double distancia = 0;
  // The planets pull (perturbed motion); without them only the light time remains.
  bool perturbado = true;
};

// An upper bound, in radians, of the angle between the cheap place (the two-body
// heliocentric position at the instant itself, minus the observer's heliocentric position
// at the instant) and the place the exact computation gives (perturbed motion, light time,
// the Sun's barycentric motion over it). Infinity when no finite bound holds: the object
// may pass close to a planet, or the bound reaches the object's distance.
double MargenAngular(const efemerides::ElementosOrbitales& el, const DatosMargen& datos);

// The same bound as a distance (AU) of the heliocentric position from the two-body one
// at the instant, the planets' effect alone; infinity when there is none.
double DesviacionPerturbada(const efemerides::ElementosOrbitales& el, double dias);

}  // namespace orbelux::campo
