// SPDX-License-Identifier: GPL-3.0-or-later
// The real file system, with a call back when a run opens the catalogue: the moment a run is
// at work. Both windows' tests look at the window from there.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "support/faulty_fs.h"

namespace orbelux::prueba {

class SistemaVigilado final : public SistemaReenviado {
 public:
  std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) override {
    ++lecturas;
    if (al_abrir) al_abrir();
    return SistemaReenviado::AbrirLectura(ruta);
  }

  std::function<void()> al_abrir;
  int lecturas = 0;
};

}  // namespace orbelux::prueba
