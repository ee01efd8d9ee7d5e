// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orbelux-campo: options, defaults, messages and exit codes.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/options.h"
#include "platform/file_system.h"

namespace orbelux::campo {

using consola::kSalidaBien;
using consola::kSalidaFallo;
using consola::kSalidaUso;

// The most --radio allows, in minutes of arc: ten degrees.
inline constexpr double kRadioMaximo = 600;

struct EntornoCampo {
  // The current time, for a run without --fecha or --jd.
  std::function<std::time_t()> reloj = [] { return std::time(nullptr); };
  SistemaArchivos* sistema = nullptr;  // the real one when null
  // Standard error is a terminal: a long search shows its progress there.
  bool errores_en_terminal = false;
};

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
                  std::ostream& errores, const EntornoCampo& entorno = {});

}  // namespace orbelux::campo
