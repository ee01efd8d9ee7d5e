// SPDX-License-Identifier: GPL-3.0-or-later
// The osculating elements of one numbered asteroid, as read from an elements file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orbelux::efemerides {

// How the brightness follows from the distances and the phase: each format gives its
// objects theirs.
enum class LeyMagnitud {
  HG,  // asteroids: H and G of the IAU's H-G system (magnitude.h)
};

struct ElementosOrbitales {
  std::int32_t numero = 0;
  LeyMagnitud ley = LeyMagnitud::HG;
  bool tiene_H = false;  // a blank H column means the magnitude is unknown
  double H = 0;
  double G = 0.15;
  double epoca = 0;           // Julian date, TT
  double anomalia_media = 0;  // degrees, at the epoch
  double perihelio = 0;       // argument of perihelion, degrees, ecliptic and equinox J2000
  double nodo = 0;            // longitude of the ascending node, degrees
  double inclinacion = 0;     // degrees
  double excentricidad = 0;
  double semieje = 0;  // AU

  // The readable designation, "(1) Ceres", trimmed; empty when the file has none.
  std::array<char, 28> nombre{};
  std::uint8_t largo_nombre = 0;
  std::string_view Nombre() const { return {nombre.data(), largo_nombre}; }
};

}  // namespace orbelux::efemerides
