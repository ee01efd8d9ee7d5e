// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orbelux-efemerides: options, defaults, messages and exit codes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/program.h"

namespace orbelux::planificador {

// --paso: a number of minutes, hours or days ("10m", "1h", "1.5d"), in days. Throws
// consola::ErrorUso for anything else, and outside kPasoMinimo..kPasoMaximo.
double LeerPaso(std::string_view texto);

// Runs the program on its arguments (without the program name). Writes the tables to
// `salida` (or to --salida) and every message to `errores`. Never throws.
int ProgramaEfemerides(const std::vector<std::string>& argumentos, std::ostream& salida,
                       std::ostream& errores, const consola::Entorno& entorno = {});

}  // namespace orbelux::planificador
