// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

namespace orbelux::prueba {

namespace fs = std::filesystem;

DirectorioTemporal::DirectorioTemporal(bool entrar) {
  std::random_device azar;
  for (int intento = 0; intento < 100 && ruta_.empty(); ++intento) {
    fs::path candidata = fs::temp_directory_path() / ("orbelux-prueba-" + std::to_string(azar()));
    if (fs::create_directory(candidata)) ruta_ = candidata;
  }
  if (ruta_.empty()) throw std::runtime_error("no temporary directory");
  if (entrar) {
    anterior_ = fs::current_path();
    fs::current_path(ruta_);
  }
}

DirectorioTemporal::~DirectorioTemporal() {
  std::error_code ignorado;
  if (!anterior_.empty()) fs::current_path(anterior_, ignorado);
  fs::remove_all(ruta_, ignorado);
}

std::string DirectorioTemporal::Listado() const {
  std::vector<std::string> nombres;
  for (const auto& entrada : fs::directory_iterator(ruta_)) {
    nombres.push_back(entrada.path().filename().string());
  }
  std::sort(nombres.begin(), nombres.end());
  std::string listado;
  for (const auto& nombre : nombres) listado += (listado.empty() ? "" : " ") + nombre;
  return listado;
}

void EscribirArchivo(const fs::path& ruta, std::string_view contenido) {
  std::ofstream salida(ruta, std::ios::binary | std::ios::trunc);
  salida.write(contenido.data(), static_cast<std::streamsize>(contenido.size()));
  if (!salida) throw std::runtime_error("cannot write " + ruta.string());
}

std::string LeerArchivo(const fs::path& ruta) {
  std::ifstream entrada(ruta, std::ios::binary);
  if (!entrada) throw std::runtime_error("cannot read " + ruta.string());
  return {std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
}

}  // namespace orbelux::prueba
