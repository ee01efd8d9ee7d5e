// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orbelux-catalogo: options, defaults, messages and exit codes.
#pragma once

#include "console/program.h"

namespace orbelux::catalogo {

// Runs the program on its arguments (without the program name). Writes the summary to
// `salida` (the catalogue itself with "--salida -", and then the summary to `errores`) and
// every message, warnings included, to `errores`. Never throws.
int ProgramaCatalogo(const std::vector<std::string>& argumentos, std::ostream& salida,
                     std::ostream& errores, const consola::Entorno& entorno = {});

}  // namespace orbelux::catalogo
