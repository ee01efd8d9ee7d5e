// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-efemerides: where named objects will be over a span of time, seen from a site.
#include "console/program.h"
#include "planner/command_line.h"

// Wide arguments on Windows, so that "Müller" or a folder named "José" arrive whatever the
// code page.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  return orbelux::consola::Principal(argc, argv, orbelux::planificador::ProgramaEfemerides);
}
