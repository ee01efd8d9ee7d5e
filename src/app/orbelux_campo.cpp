// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-campo: every object of an elements file inside a circle of sky.
#include "console/program.h"
#include "field/command_line.h"

int main(int argc, char** argv) {
  return orbelux::consola::Principal(argc, argv, orbelux::campo::ProgramaCampo);
}
