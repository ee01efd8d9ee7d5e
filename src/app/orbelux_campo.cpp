// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-campo: every object of an elements file inside a circle of sky.
#include "console/program.h"
#include "field/command_line.h"

// Wide arguments on Windows, so that "26°40'" or a folder named "José" arrive whatever the
// code page.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  return orbelux::consola::Principal(argc, argv, orbelux::campo::ProgramaCampo);
}
