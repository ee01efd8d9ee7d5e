// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-catalogo: writes the catalogue "ast.dat" for a date from orbital elements.
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/command_line.h"
#include "console/options.h"

int main(int argc, char** argv) {
  const std::vector<std::string> argumentos(argv + (argc > 0 ? 1 : 0), argv + argc);
  orbelux::catalogo::EntornoPrograma entorno;
  entorno.errores_en_terminal = orbelux::consola::PrepararConsola();
  return orbelux::catalogo::ProgramaCatalogo(argumentos, std::cout, std::cerr, entorno);
}
