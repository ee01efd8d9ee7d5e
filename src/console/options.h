// SPDX-License-Identifier: GPL-3.0-or-later
// What the command lines of the console programs share: exit codes, the usage error and
// its message, and the reading of options ("--x v" or "--x=v", flags, -h, --ayuda, --help,
// --version).
#pragma once

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fallo.h"

namespace orbelux::consola {

inline constexpr int kSalidaBien = 0;
inline constexpr int kSalidaFallo = 1;  // the program could not do its work
inline constexpr int kSalidaUso = 2;    // the command line itself is wrong

// The command line is wrong: exit kSalidaUso, with the message and a pointer to --ayuda.
class ErrorUso : public Fallo {
 public:
  using Fallo::Fallo;
};

// An option that takes a value, and where the value goes. Given twice, it is an error,
// unless `repetidos` is given: then the first value goes to `valor` and each later one is
// added there, in order.
struct OpcionValor {
  std::string_view nombre;  // "--fecha"
  std::optional<std::string>* valor;
  std::vector<std::string>* repetidos = nullptr;
};

// An option without a value; given twice, it is simply on.
struct OpcionBandera {
  std::string_view nombre;  // "--dos-cuerpos"
  bool* activa;
};

struct PeticionesComunes {
  bool ayuda = false;    // -h, --ayuda or --help
  bool version = false;  // --version
};

// Reads the arguments (without the program name) into the options given. Throws ErrorUso
// for an unknown option (suggesting the nearest name), an argument that is no option (with
// a hint to quote a value the shell split: --centro 07 42 00 +26 40 00), a missing value, a
// value given to a flag or a value option given twice. With `sueltos`, an argument that does
// not start with '-' is no error: it is kept there, in order (the objects a program names).
PeticionesComunes LeerOpciones(const std::vector<std::string>& argumentos,
                               const std::vector<OpcionValor>& valores,
                               const std::vector<OpcionBandera>& banderas = {},
                               std::vector<std::string>* sueltos = nullptr);

// The same letters, whatever their case (ASCII): for option values where case says nothing.
bool IgualSinMayusculas(std::string_view a, std::string_view b);

// "programa: mensaje" and the hint to the help, as every usage error ends.
void EscribirErrorUso(std::ostream& errores, std::string_view programa, const ErrorUso& error);

// "programa 1.0.0", the answer to --version.
std::string TextoVersion(std::string_view programa);

// Prepares a console program's process: system messages in the user's language, while
// numbers keep the C locale, whose decimal point the output needs. True when standard
// error is a terminal, where a long run shows its progress.
bool PrepararConsola();

}  // namespace orbelux::consola
