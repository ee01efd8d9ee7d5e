// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orbelux-campo: options, defaults, messages and exit codes.
#pragma once

#include "console/program.h"

namespace orbelux::campo {

// The most --radio allows, in minutes of arc: ten degrees.
inline constexpr double kRadioMaximo = 600;

// Runs the program on its arguments (without the program name). Writes the objects to
// `salida` (or to --salida) and every message to `errores`. Never throws.
int ProgramaCampo(const std::vector<std::string>& argumentos, std::ostream& salida,
                  std::ostream& errores, const consola::Entorno& entorno = {});

}  // namespace orbelux::campo
