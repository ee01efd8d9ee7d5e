// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orbelux-campo: options, defaults, messages and exit codes.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/program.h"

namespace orbelux::campo {

// The most --radio allows, in minutes of arc: ten degrees.
inline constexpr double kRadioMaximo = 600;

// A centre of the sky, degrees.
struct Centro {
  double ar = 0;
  double dec = 0;
};

// "HH MM SS.s ±GG MM SS" (blanks or colons between the parts) or "AR,DEC" in decimal
// degrees; nullopt when it does not parse or lies outside the sphere.
std::optional<Centro> LeerCentro(std::string_view texto);

// Runs the program on its arguments (without the program name). Writes the objects to
// `salida` (or to --salida) and every message to `errores`. Never throws.
int ProgramaCampo(const std::vector<std::string>& argumentos, std::ostream& salida,
                  std::ostream& errores, const consola::Entorno& entorno = {});

}  // namespace orbelux::campo
