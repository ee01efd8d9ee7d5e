// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-catalogo: writes the catalogue "ast.dat" for a date from orbital elements.
#include "catalogue/command_line.h"
#include "console/program.h"

// Wide arguments on Windows, so that "26°40'" or a folder named "José" arrive whatever the
// code page.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  return orbelux::consola::Principal(argc, argv, orbelux::catalogo::ProgramaCatalogo);
}
