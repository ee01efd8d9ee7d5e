// SPDX-License-Identifier: GPL-3.0-or-later
// The planets, the Earth and the Moon for a whole run: their heliocentric positions from
// ERFA at nodes half a day apart, interpolated between them, shared by every asteroid.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "ephemeris/vector3.h"

namespace orbelux::efemerides {

// Times in the force model are TDB days from J2000.0.
inline constexpr double kJ2000 = 2451545.0;

enum class Cuerpo { Mercurio, Venus, Tierra, Luna, Marte, Jupiter, Saturno, Urano, Neptuno };
inline constexpr std::size_t kCuerpos = 9;

// GM of each body over the Sun's, from DE440 (Park et al. 2021), in the order of Cuerpo.
// The outer planets include their satellites.
extern const std::array<double, kCuerpos> kRazonMasa;

using PosicionesCuerpos = std::array<Vector3, kCuerpos>;

// Heliocentric positions on the ICRF axes (unrotated: ERFA's equatorial J2000 axes, whose
// 0.02" bias from the ICRF moves no perturbation visibly), straight from eraPlan94,
// eraEpv00 and eraMoon98, at TDB days from J2000.
PosicionesCuerpos PosicionesERFA(double t);

class TablaPlanetas final {
 public:
  static constexpr double kPaso = 0.5;  // days between nodes

  // Covers [desde, hasta] (TDB days from J2000) and a little more. The nodes are
  // independent, so `hilos` threads share them out; `aviso`, when given, hears from the
  // calling thread how many of the nodes are done, and the total.
  TablaPlanetas(double desde, double hasta, unsigned hilos = 1,
                const std::function<void(std::size_t hechos, std::size_t total)>& aviso = {});

  // The same table as one built over both spans, that of `anterior` and [desde, hasta],
  // computing only the nodes `anterior` lacks.
  TablaPlanetas(const TablaPlanetas& anterior, double desde, double hasta, unsigned hilos = 1);

  double Desde() const { return origen_; }
  double Hasta() const { return origen_ + kPaso * static_cast<double>(nodos_ - 1); }
  std::size_t Nodos() const { return nodos_; }

  // Positions at t by cubic Hermite interpolation between the two nodes around it; the
  // slopes come from five-point central differences of the nodes' positions, since
  // eraPlan94's own velocities are not the derivatives of its positions. Outside the
  // table the positions of its first or last node are given: callers build the table
  // over the span they need.
  void Posiciones(double t, PosicionesCuerpos& r) const;

  // The heliocentric acceleration of the Sun towards the bodies, sum of GM_j r_j / r_j^3
  // with GM_j = k^2 kRazonMasa[j], interpolated in the same way: the indirect term that
  // every asteroid shares.
  Vector3 AceleracionSol(double t) const;

  // Both at once, for one evaluation of the forces.
  void Interpolar(double t, PosicionesCuerpos& r, Vector3& aceleracion_sol) const;

 private:
  // Per node: kCanales vectors of position, then the same of slope times kPaso.
  static constexpr std::size_t kCanales = kCuerpos + 1;
  static constexpr std::size_t kPorNodo = std::size_t{2} * 3 * kCanales;

  void Llenar(double desde, double hasta, unsigned hilos,
              const std::function<void(std::size_t, std::size_t)>& aviso,
              const TablaPlanetas* anterior);

  double origen_ = 0;
  std::size_t nodos_ = 0;
  std::vector<double> datos_;
};

}  // namespace orbelux::efemerides
