// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-campo: every object of an elements file inside a circle of sky.
#include <iostream>
#include <string>
#include <vector>

#include "console/options.h"
#include "field/command_line.h"
#include "platform/wide_text.h"

namespace {

int Programa(const std::vector<std::string>& argumentos) {
  orbelux::campo::EntornoCampo entorno;
  entorno.errores_en_terminal = orbelux::consola::PrepararConsola();
  return orbelux::campo::ProgramaCampo(argumentos, std::cout, std::cerr, entorno);
}

}  // namespace

#ifdef _WIN32
// Wide arguments, so that "26°40'" or a folder named "José" arrive whatever the code page.
int wmain(int argc, wchar_t** argv) { return Programa(orbelux::ArgumentosUtf8(argc, argv)); }
#else
int main(int argc, char** argv) {
  return Programa(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
#endif
