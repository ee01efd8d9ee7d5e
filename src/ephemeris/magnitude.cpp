// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/magnitude.h"

#include <cmath>
#include <limits>

namespace orbelux::efemerides {

double MagnitudHG(double H, double G, double r, double delta, double tan_media_fase) {
  // tan^B as exp(B log tan), one logarithm for both phase functions; at zero phase the
  // logarithm is -inf and each function is exactly 1.
  const double log_t = std::log(tan_media_fase);
  const double phi1 = std::exp(-3.33 * std::exp(0.63 * log_t));
  const double phi2 = std::exp(-1.87 * std::exp(1.22 * log_t));
  const double fase_combinada = (1 - G) * phi1 + G * phi2;
  if (!(fase_combinada > 0)) return std::numeric_limits<double>::quiet_NaN();
  // 5 log10(r delta) - 2.5 log10(phase) in one logarithm.
  const double rd = r * delta;
  return H + 2.5 * std::log10(rd * rd / fase_combinada);
}

double MagnitudTotal(double H, double G, double r, double delta) {
  return H + 5 * std::log10(delta) + 2.5 * G * std::log10(r);
}

std::optional<double> Magnitud(const ElementosOrbitales& el, double r, double delta,
                               double tan_media_fase) {
  if (!el.tiene_H) return std::nullopt;
  double v = std::numeric_limits<double>::quiet_NaN();
  switch (el.ley) {
    case LeyMagnitud::HG:
      v = MagnitudHG(el.H, el.G, r, delta, tan_media_fase);
      break;
    case LeyMagnitud::Total:
      v = MagnitudTotal(el.H, el.G, r, delta);
      break;
  }
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace orbelux::efemerides
