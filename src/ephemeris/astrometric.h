// SPDX-License-Identifier: GPL-3.0-or-later
// Astrometric place: the asteroid where it was when the light left it, seen from the
// observer (the centre of the Earth or a site on it), on the ICRF axes. No aberration, no
// light deflection.
#pragma once

#include "ephemeris/perturbed_motion.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/two_body.h"
#include "ephemeris/vector3.h"

namespace orbelux::efemerides {

// The Earth's heliocentric position (ICRF axes, AU) at the instant's TDB, from ERFA's
// eraEpv00.
Vector3 PosicionTierra(const Instante& instante);

// The observer's heliocentric position (ICRF axes, AU) at the instant: the Earth's plus the
// site's geocentric vector (ObservadorGeocentrico), the Earth's own at the geocentre. One per
// run: every asteroid is seen from the same place, and every program asks here.
Vector3 PosicionObservador(const Instante& instante, const Sitio& sitio = {});

struct LugarAstrometrico {
  double ascension_recta = 0;  // radians, [0, 2 pi)
  double declinacion = 0;      // radians
  double delta = 0;            // distance from the observer, AU
  double r = 0;                // distance from the Sun at the time of emission, AU
  // tan of half the phase angle Sun-asteroid-observer, which is what the brightness wants.
  double tan_media_fase = 0;
  double Fase() const;  // the phase angle, radians
};

// Light time between the asteroid at t - tau and the observer (PosicionObservador) at t,
// iterated until it changes by less than a tenth of a millisecond. The first guesses come
// from the asteroid's straight-line motion, which costs no Kepler solution; every position
// taken is then an exact two-body one at t - tau.
LugarAstrometrico Astrometrico(const OrbitaKepleriana& orbita, const Vector3& observador,
                               const Instante& instante);

// The Sun's velocity about the barycentre of the solar system at the instant (AU/day),
// from eraEpv00.
Vector3 VelocidadBaricentricaSol(const Instante& instante);

// The same place from an integrated heliocentric state at the instant, seen from the
// observer's heliocentric position (PosicionObservador) at the instant: the light time is
// iterated with short steps back under the Sun alone, and the Sun's own barycentric motion
// over the light time (a few metres) is added, since the light travels in the
// barycentric frame.
LugarAstrometrico AstrometricoDesdeEstado(const EstadoCartesiano& en_instante,
                                          const Vector3& observador, const Vector3& velocidad_sol);

}  // namespace orbelux::efemerides
