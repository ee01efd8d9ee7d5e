// SPDX-License-Identifier: GPL-3.0-or-later
// Brightness: the H-G system of the IAU (1985) for asteroids, the total magnitude for
// comets, and each object's own law.
#pragma once

#include <optional>

#include "ephemeris/orbital_elements.h"

namespace orbelux::efemerides {

// V magnitude from absolute magnitude H, slope G, heliocentric distance r and geocentric
// distance delta (AU) and tan(alpha / 2) of the phase angle alpha (Sun-asteroid-Earth).
// Not finite when the phase function is not positive (G far outside its physical range,
// or a phase angle of 180 degrees), which callers treat as an unknown magnitude.
double MagnitudHG(double H, double G, double r, double delta, double tan_media_fase);

// A comet's total magnitude m1 = H + 5 log10(delta) + 2.5 G log10(r): H is the absolute
// total magnitude M1 and G the slope n, as the MPC gives them; no phase term.
double MagnitudTotal(double H, double G, double r, double delta);

// The object's V magnitude by its own law (ElementosOrbitales::ley) at heliocentric
// distance r and distance delta from the observer (AU), with tan(alpha / 2) of its phase
// angle; nullopt when the elements give none or it is not finite.
std::optional<double> Magnitud(const ElementosOrbitales& el, double r, double delta,
                               double tan_media_fase);

}  // namespace orbelux::efemerides
