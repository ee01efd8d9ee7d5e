// SPDX-License-Identifier: GPL-3.0-or-later
// A write that stops halfway, for the tests that signal a process in the middle of one: the
// real file system, except that the first write to a temporary file tells `aviso` and then
// never returns. While it waits, every byte read from `ordenes` is answered with one on
// `aviso`, so that the test can ask "still running?" without sleeping on a guess.
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include <unistd.h>

#include "support/faulty_fs.h"

namespace orbelux::prueba {

class EscrituraQueEspera final : public EscrituraReenviada {
 public:
  EscrituraQueEspera(std::unique_ptr<ArchivoEscritura> real, int aviso, int ordenes)
      : EscrituraReenviada(std::move(real)), aviso_(aviso), ordenes_(ordenes) {}
  void Escribir(std::string_view datos) override {
    EscrituraReenviada::Escribir(datos);
    if (::write(aviso_, "x", 1) != 1) ::_exit(3);
    char orden = 0;
    while (ordenes_ >= 0 && ::read(ordenes_, &orden, 1) == 1) {
      if (::write(aviso_, "!", 1) != 1) ::_exit(3);
    }
    for (;;) ::pause();
  }

 private:
  int aviso_;
  int ordenes_;
};

class SistemaQueEspera final : public SistemaReenviado {
 public:
  // `ordenes` -1: nothing is asked, the write just waits.
  explicit SistemaQueEspera(int aviso, int ordenes = -1) : aviso_(aviso), ordenes_(ordenes) {}
  std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) override {
    return std::make_unique<EscrituraQueEspera>(SistemaReenviado::CrearTemporal(destino), aviso_,
                                                ordenes_);
  }

 private:
  int aviso_;
  int ordenes_;
};

}  // namespace orbelux::prueba
