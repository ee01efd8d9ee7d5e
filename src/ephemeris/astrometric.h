// Geocentric astrometric place: the asteroid where it was when the light left it, seen
// from the centre of the Earth, on the ICRF axes. No aberration, no light deflection.
#pragma once

#include "ephemeris/perturbed_motion.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/two_body.h"
#include "ephemeris/vector3.h"

namespace orbelux::efemerides {

// The Earth's heliocentric position (ICRF axes, AU) at the instant's TDB, from ERFA's
// eraEpv00. One per run: every asteroid is seen from the same place.
Vector3 PosicionTierra(const Instante& instante);

struct LugarAstrometrico {
  double ascension_recta = 0;  // radians, [0, 2 pi)
  double declinacion = 0;      // radians
  double delta = 0;            // distance from the Earth, AU
  double r = 0;                // distance from the Sun at the time of emission, AU
  // tan of half the phase angle Sun-asteroid-Earth, which is what the brightness wants.
  double tan_media_fase = 0;
  double Fase() const;  // the phase angle, radians
};

// Iterates the light time until it changes by less than a tenth of a millisecond. The
// first guesses come from the asteroid's straight-line motion, which costs no Kepler
// solution; every position taken is then an exact two-body one at t - tau.
LugarAstrometrico Astrometrico(const OrbitaKepleriana& orbita, const Vector3& tierra,
                               const Instante& instante);

// The Sun's velocity about the barycentre of the solar system at the instant (AU/day),
// from eraEpv00.
Vector3 VelocidadBaricentricaSol(const Instante& instante);

// The same place from an integrated heliocentric state at the instant: the light time is
// iterated with short steps back under the Sun alone, and the Sun's own barycentric motion
// over the light time (a few metres) is added, since the light travels in the
// barycentric frame.
LugarAstrometrico AstrometricoDesdeEstado(const EstadoCartesiano& en_instante,
                                          const Vector3& tierra, const Vector3& velocidad_sol);

}  // namespace orbelux::efemerides
