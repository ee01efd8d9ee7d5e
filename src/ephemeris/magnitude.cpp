#include "ephemeris/magnitude.h"

#include <cmath>
#include <limits>

namespace orbelux::efemerides {

double MagnitudHG(double H, double G, double r, double delta, double fase) {
  const double t = std::tan(0.5 * fase);
  const double phi1 = std::exp(-3.33 * std::pow(t, 0.63));
  const double phi2 = std::exp(-1.87 * std::pow(t, 1.22));
  const double fase_combinada = (1 - G) * phi1 + G * phi2;
  if (!(fase_combinada > 0)) return std::numeric_limits<double>::quiet_NaN();
  return H + 5 * std::log10(r * delta) - 2.5 * std::log10(fase_combinada);
}

}  // namespace orbelux::efemerides
