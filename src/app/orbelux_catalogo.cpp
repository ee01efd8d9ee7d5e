// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-catalogo: writes the catalogue "ast.dat" for a date from orbital elements.
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/command_line.h"
#include "console/options.h"
#include "platform/wide_text.h"

namespace {

int Programa(const std::vector<std::string>& argumentos) {
  orbelux::catalogo::EntornoPrograma entorno;
  entorno.errores_en_terminal = orbelux::consola::PrepararConsola();
  return orbelux::catalogo::ProgramaCatalogo(argumentos, std::cout, std::cerr, entorno);
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
