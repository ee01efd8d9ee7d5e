// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file in one step, so that a failed or killed run never leaves it half-written.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace orbelux {

// Writes a file by way of a temporary file in the same directory, renamed over the
// destination only when complete. Until Confirmar succeeds the destination is untouched,
// and whatever way this object ends, no temporary file is left behind; a run killed by
// SIGINT, SIGTERM or SIGHUP removes it on the way out, and a later write to the same file
// removes one left by SIGKILL. A destination that exists must be a regular file; it keeps
// its mode and owner. When it is a symbolic link, the file it leads to is replaced and the
// link kept. Failures name the destination as given, never the temporary file.
class EscrituraAtomica {
 public:
  EscrituraAtomica(SistemaArchivos& sistema, std::filesystem::path destino);
  ~EscrituraAtomica();
  EscrituraAtomica(const EscrituraAtomica&) = delete;
  EscrituraAtomica& operator=(const EscrituraAtomica&) = delete;

  void Escribir(std::string_view datos);
  void Confirmar();

 private:
  void Vaciar();
  [[noreturn]] void Fallar(const FalloArchivo& causa);

  void Preparar();
  void Descartar() noexcept;

  SistemaArchivos& sistema_;
  std::filesystem::path destino_;
  std::filesystem::path final_;  // destino_ with its symbolic links followed
  std::unique_ptr<ArchivoEscritura> temporal_;
  std::filesystem::path ruta_temporal_;
  std::string pendiente_;
  bool hecho_ = false;
};

}  // namespace orbelux
