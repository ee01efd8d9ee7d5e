// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh temporary directory for one test, removed afterwards. Optionally the current
// directory while it lives, since a run reads and writes in the current directory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orbelux::prueba {

class DirectorioTemporal {
 public:
  explicit DirectorioTemporal(bool entrar = false);
  ~DirectorioTemporal();
  DirectorioTemporal(const DirectorioTemporal&) = delete;
  DirectorioTemporal& operator=(const DirectorioTemporal&) = delete;

  const std::filesystem::path& ruta() const { return ruta_; }
  std::filesystem::path operator/(std::string_view nombre) const { return ruta_ / nombre; }

  // Names of the entries in the directory, sorted.
  std::string Listado() const;

 private:
  std::filesystem::path ruta_;
  std::filesystem::path anterior_;
};

void EscribirArchivo(const std::filesystem::path& ruta, std::string_view contenido);
std::string LeerArchivo(const std::filesystem::path& ruta);

}  // namespace orbelux::prueba
