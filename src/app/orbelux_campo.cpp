// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-campo: every object of an elements file inside a circle of sky.
#include <iostream>
#include <string>
#include <vector>

#include "console/options.h"
#include "field/command_line.h"

int main(int argc, char** argv) {
  const std::vector<std::string> argumentos(argv + (argc > 0 ? 1 : 0), argv + argc);
  orbelux::campo::EntornoCampo entorno;
  entorno.errores_en_terminal = orbelux::consola::PrepararConsola();
  return orbelux::campo::ProgramaCampo(argumentos, std::cout, std::cerr, entorno);
}
