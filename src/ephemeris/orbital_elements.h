// SPDX-License-Identifier: GPL-3.0-or-later
// The osculating elements of one object, as read from an elements file: an asteroid's
// ellipse by its semimajor axis and mean anomaly, or a comet's conic of any eccentricity by
// its perihelion distance and time.
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
  // comets: the total magnitude m1 = H + 5 log10(delta) + 2.5 G log10(r), with H the
  // absolute total magnitude M1 and G the slope n (the MPC's convention)
  Total,
};

// How the conic is given.
enum class FormaOrbita {
  Semieje,    // semieje and anomalia_media at epoca: an ellipse (e < 1)
  Perihelio,  // distancia_perihelio and paso_perihelio: any e >= 0
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
  double semieje = 0;  // AU; for FormaOrbita::Perihelio, unused (0)

  FormaOrbita forma = FormaOrbita::Semieje;
  double distancia_perihelio = 0;  // q, AU (FormaOrbita::Perihelio)
  double paso_perihelio = 0;       // T, Julian date TT (FormaOrbita::Perihelio)
  // The elements osculate at no epoch: the orbit is meant unperturbed, so it is followed
  // under the Sun alone even when the planets are asked for (epoca is then T).
  bool sin_perturbar = false;

  // The readable designation, "(1) Ceres", trimmed; empty when the file has none, and for
  // comets, whose names are longer (FormatoElementos::NombreLegible gives them).
  std::array<char, 28> nombre{};
  std::uint8_t largo_nombre = 0;
  std::string_view Nombre() const { return {nombre.data(), largo_nombre}; }
};

}  // namespace orbelux::efemerides
