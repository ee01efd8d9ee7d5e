// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orbelux-catalogo: options, defaults, messages and exit codes.
#pragma once

#include <ctime>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "console/options.h"
#include "platform/file_system.h"

namespace orbelux::catalogo {

using consola::kSalidaBien;
using consola::kSalidaFallo;  // the catalogue could not be made
using consola::kSalidaUso;

struct EntornoPrograma {
  // The current time, for a run without --fecha or --jd.
  std::function<std::time_t()> reloj = [] { return std::time(nullptr); };
  SistemaArchivos* sistema = nullptr;  // the real one when null
  // Standard error is a terminal: a long run shows its progress there.
  bool errores_en_terminal = false;
};

// Runs the program on its arguments (without the program name). Writes the summary to
// `salida` (the catalogue itself with "--salida -", and then the summary to `errores`) and
// every message, warnings included, to `errores`. Never throws.
int ProgramaCatalogo(const std::vector<std::string>& argumentos, std::ostream& salida,
                     std::ostream& errores, const EntornoPrograma& entorno = {});

}  // namespace orbelux::catalogo
