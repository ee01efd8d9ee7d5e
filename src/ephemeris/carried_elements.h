// SPDX-License-Identifier: GPL-3.0-or-later
// Elements carried to an epoch of a fixed grid: an object's osculating elements integrated
// once under the planets from their own epoch to the grid epoch nearest the instant, and
// given again as osculating elements there. A place a few days from the grid epoch is then
// computed, and its cheap bound taken, as from fresh elements; and all the nights near one
// grid epoch share the same carried elements, which a store can keep by that epoch.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/time_scales.h"

namespace orbelux::efemerides {

// The grid: TT Julian dates that are multiples of this many days.
inline constexpr double kPasoRejillaAcarreo = 20;
// Elements osculating within this many days of the instant are used as they are.
inline constexpr double kDiasSinAcarreo = 60;

// The grid epoch nearest the instant, a TT Julian date.
double EpocaDeAcarreo(const Instante& instante);

// Whether, with the planets, the elements go by the carried route for a place at the
// instant: an ellipse given by its semimajor axis whose epoch of osculation lies more than
// kDiasSinAcarreo days from it. A comet's conic is always computed from its own elements.
bool SeAcarrea(const ElementosOrbitales& el, const Instante& instante);

// EstadoDeElementos's inverse: the osculating ellipse (GM = k^2, angles on the ecliptic and
// equinox of J2000) of a heliocentric state on the ICRF axes (AU, AU/day) at `epoca` (Julian
// date TT), with the rest (number, name, magnitude) from `base`. nullopt when the state is
// on no ellipse.
std::optional<ElementosOrbitales> ElementosDeEstado(const EstadoCartesiano& estado, double epoca,
                                                    const ElementosOrbitales& base);

class AcarreoElementos final {
 public:
  // To `epoca`, a Julian date TT (EpocaDeAcarreo).
  explicit AcarreoElementos(double epoca);
  AcarreoElementos(const AcarreoElementos&) = delete;
  AcarreoElementos& operator=(const AcarreoElementos&) = delete;

  double Epoca() const { return epoca_; }

  // The elements osculating at Epoca(), integrated from their own epoch with the model and
  // tolerance of every place (ContextoEfemerides); nullopt when the integration fails or
  // ends on no ellipse: the elements are then used as they are. Safe from many threads at
  // once; the planets' table grows, shared, as the epochs ask.
  std::optional<ElementosOrbitales> Acarrear(const ElementosOrbitales& el) const;

 private:
  // A table that covers [desde, hasta], TDB days from J2000.
  std::shared_ptr<const TablaPlanetas> Tabla(double desde, double hasta) const;

  double epoca_;
  mutable std::mutex mutex_;          // guards tabla_
  mutable std::mutex mutex_ampliar_;  // one thread widens at a time
  mutable std::shared_ptr<const TablaPlanetas> tabla_;
};

}  // namespace orbelux::efemerides
