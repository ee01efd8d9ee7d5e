// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-catalogo: writes the catalogue "ast.dat" for a date from orbital elements.
#include "catalogue/command_line.h"
#include "console/program.h"

int main(int argc, char** argv) {
  return orbelux::consola::Principal(argc, argv, orbelux::catalogo::ProgramaCatalogo);
}
