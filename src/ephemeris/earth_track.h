// SPDX-License-Identifier: GPL-3.0-or-later
// The Earth for many instants close together, the rows of an ephemeris. Straight from ERFA
// each row would cost the Earth's place (eraEpv00) six times and the full nutation five,
// some half a millisecond: ten thousand rows, seconds. Here the Earth, the Moon and the
// Earth's axis come from nodes half a day apart, interpolated, the axis from the short
// nutation series, all good to far better than the tables print.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "ephemeris/time_scales.h"
#include "ephemeris/vector3.h"

namespace orbelux::efemerides {

// The celestial intermediate pole (X, Y) and the CIO locator s at a TT date: IAU 2006
// precession with the IAU 2000B nutation (eraNut00b, 77 terms instead of 1,365). They
// differ from the full model by about a milliarcsecond, which moves a site by centimetres
// and an observed place by nothing a table shows.
struct PoloCeleste {
  double x = 0;
  double y = 0;
  double s = 0;
};
PoloCeleste PoloCelesteAbreviado(const FechaJuliana& tt);

// The Earth at one instant as the places seen from it need it.
struct TierraEnInstante {
  Vector3 posicion;       // heliocentric, ICRF axes, AU
  Vector3 velocidad;      // heliocentric, AU/day
  Vector3 posicion_sol;   // the Sun about the barycentre of the solar system, AU
  Vector3 velocidad_sol;  // AU/day
  Vector3 luna;           // the Moon from the centre of the Earth (eraMoon98), AU
  Vector3 velocidad_luna;
  PoloCeleste polo;
};

// The Earth at a TDB date straight from ERFA (eraEpv00, eraMoon98, PoloCelesteAbreviado;
// TDB stands in for TT, which moves the Moon by metres and the pole by nothing).
TierraEnInstante TierraERFA(const FechaJuliana& tdb);

class TrayectoTierra final {
 public:
  // Every instant the track will be asked for (TDB days from J2000, any order). Where they
  // lie closer together than the nodes, the Earth is computed on nodes half a day apart and
  // interpolated; where they are sparser, once per cluster of instants a few minutes wide
  // and carried over those minutes. `hilos` threads share the nodes.
  TrayectoTierra(std::span<const double> instantes, unsigned hilos);

  // The Earth at t, which should be one of the instants given; any other is computed
  // directly, never guessed.
  TierraEnInstante En(double t) const;

  std::size_t Nodos() const { return nodos_.size(); }
  bool Interpolada() const { return interpolada_; }

  static constexpr double kPaso = 0.5;  // days between interpolation nodes
  // Half the width of a cluster: an ephemeris row asks for the minute on each side.
  static constexpr double kRadioGrupo = 2.0 / 1440;

 private:
  struct Nodo {
    double t = 0;
    TierraEnInstante tierra;
  };

  std::vector<Nodo> nodos_;  // by time
  bool interpolada_ = false;
};

}  // namespace orbelux::efemerides
