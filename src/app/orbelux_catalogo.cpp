// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-catalogo: writes the catalogue "ast.dat" for a date from orbital elements.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "catalogue/command_line.h"

int main(int argc, char** argv) {
  // System messages (strerror) in the user's language; numbers keep the C locale, whose
  // decimal point the catalogue needs.
  std::setlocale(LC_MESSAGES, "");
  const std::vector<std::string> argumentos(argv + (argc > 0 ? 1 : 0), argv + argc);
  orbelux::catalogo::EntornoPrograma entorno;
#ifdef _WIN32
  entorno.errores_en_terminal = _isatty(2) != 0;
#else
  entorno.errores_en_terminal = isatty(STDERR_FILENO) != 0;
#endif
  return orbelux::catalogo::ProgramaCatalogo(argumentos, std::cout, std::cerr, entorno);
}
