// SPDX-License-Identifier: GPL-3.0-or-later
// A program of its own for the test of the console's code page on Windows: started on a
// console of its own in code page 850, it prepares the console as the programs do, checks
// UTF-8 and binary output, and at its exit checks that 850 is back.
// Exits 0 when all held, 3 to 6 at the first that did not.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "platform/console_output.h"

namespace {

// Registered before the preparation, so it runs after whatever the preparation leaves for
// the exit.
void AlSalir() { std::_Exit(::GetConsoleOutputCP() == 850 ? 0 : 6); }

}  // namespace

int main() {
  if (!::SetConsoleOutputCP(850)) return 3;
  std::atexit(AlSalir);
  orbelux::PrepararSalidaConsola();
  if (::GetConsoleOutputCP() != CP_UTF8) return 4;
  // Already binary: setting it again gives binary as the mode before.
  if (::_setmode(::_fileno(stdout), _O_BINARY) != _O_BINARY) return 5;
  return 0;
}
