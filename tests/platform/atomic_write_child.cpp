// SPDX-License-Identifier: GPL-3.0-or-later
// A program of its own for the test of handlers that were there before ours: it installs
// them first, as a real program would, then stops halfway through a write and waits for
// the test's signals. Usage: atomic_write_child DESTINATION AVISO_FD ORDENES_FD plain|siginfo
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "halfway_write.h"
#include "platform/atomic_write.h"

namespace {

void ManejadorPropio(int) { ::_exit(7); }
void ManejadorPropioConInfo(int, siginfo_t*, void*) { ::_exit(8); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  struct sigaction propia {};
  if (std::strcmp(argv[4], "siginfo") == 0) {
    propia.sa_sigaction = ManejadorPropioConInfo;
    propia.sa_flags = SA_SIGINFO;
  } else {
    propia.sa_handler = ManejadorPropio;
  }
  ::sigaction(SIGTERM, &propia, nullptr);
  ::signal(SIGHUP, SIG_IGN);
  orbelux::prueba::SistemaQueEspera sistema(std::atoi(argv[2]), std::atoi(argv[3]));
  orbelux::EscrituraAtomica escritura(sistema, argv[1]);
  escritura.Escribir(std::string(200000, 'n'));
  return 4;
}
