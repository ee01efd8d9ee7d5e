// SPDX-License-Identifier: GPL-3.0-or-later
// A program of its own for the test of Ctrl+C on Windows: it stops halfway through a write
// and presses Ctrl+C on its own console, as a user would. The console control handler must
// remove the temporary file, and the process end as Ctrl+C always ends it.
// Usage: ctrl_c_child DESTINATION. Exits 3 to 5 when it could not get that far.
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/atomic_write.h"
#include "platform/wide_text.h"

namespace fs = std::filesystem;

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const fs::path destino = argv[1];
  orbelux::EscrituraAtomica escritura(orbelux::SistemaReal(), destino);
  escritura.Escribir(std::string(200000, 'n'));
  bool temporal = false;
  for (const auto& entrada : fs::directory_iterator(destino.parent_path())) {
    temporal = temporal ||
               orbelux::EsNombreTemporal(orbelux::TextoUtf8(entrada.path().filename().native()),
                                         orbelux::TextoUtf8(destino.filename().native()));
  }
  if (!temporal) return 3;
  // A process may have been started with Ctrl+C switched off; this one takes it.
  if (!::SetConsoleCtrlHandler(nullptr, FALSE)) return 4;
  if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return 5;
  // The handler runs on a thread of its own and ends the process long before this.
  ::Sleep(30000);
  return 6;
}
