// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests of places share: a site and an instant as a named table row, the planets'
// table for the span from an epoch to an instant, and the difference on the sky between a
// computed place and a reference one.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ostream>
#include <utility>

#include "ephemeris/astrometric.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/time_scales.h"

namespace orbelux::prueba {

struct CasoSitio {
  const char* nombre;
  const char* codigo;
  const char* utc;
  int anio, mes, dia, hora, minuto;
};

// Test names, not bytes, in the listing.
inline void PrintTo(const CasoSitio& caso, std::ostream* os) { *os << caso.nombre; }

// The planets over the span from the epoch (Julian date) to the instant, a day more each side.
inline orbelux::efemerides::TablaPlanetas TablaPara(double epoca,
                                                    const orbelux::efemerides::Instante& instante) {
  namespace ef = orbelux::efemerides;
  const double t = instante.tdb.entera - ef::kJ2000 + instante.tdb.fraccion;
  return ef::TablaPlanetas(std::min(epoca - ef::kJ2000, t) - 1, std::max(epoca - ef::kJ2000, t) + 1,
                           2);
}

// Arcseconds on the sky (RA cos dec, dec) between a computed place and one in degrees.
inline std::pair<double, double> Diferencia(const orbelux::efemerides::LugarAstrometrico& lugar,
                                            double ra_deg, double dec_deg) {
  constexpr double kGrados = 180 / std::numbers::pi;
  double d_ra = lugar.ascension_recta * kGrados - ra_deg;
  d_ra -= 360 * std::round(d_ra / 360);
  return {d_ra * 3600 * std::cos(dec_deg / kGrados),
          (lugar.declinacion * kGrados - dec_deg) * 3600};
}

}  // namespace orbelux::prueba
