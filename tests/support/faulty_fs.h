// The real file system with one step made to fail on purpose, to prove that every
// failure ends in a message, with nothing lost and nothing left behind.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>

#include "platform/runtime_ops.h"

namespace orbelux::prueba {

enum class Averia {
  Ninguna,
  AbrirLectura,       // the catalogue cannot be opened
  LeerAMitad,         // reading fails after `tras_bytes` bytes
  CrearTemporal,      // the temporary report cannot be created
  EscribirAMitad,     // writing fails after `tras_bytes` bytes (disk full)
  Sincronizar,        // fsync fails
  Renombrar,          // the final rename fails
};

class SistemaConAverias final : public SistemaArchivos {
 public:
  explicit SistemaConAverias(Averia averia = Averia::Ninguna, std::size_t tras_bytes = 0)
      : averia_(averia), tras_bytes_(tras_bytes) {}

  std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) override;
  std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) override;
  void Renombrar(const std::filesystem::path& origen,
                 const std::filesystem::path& destino) override;
  void Borrar(const std::filesystem::path& ruta) noexcept override;

  // What the code under test did, for checks.
  int lecturas_abiertas = 0;
  std::size_t bytes_leidos = 0;
  std::size_t bytes_escritos = 0;
  int temporales_borrados = 0;

 private:
  Averia averia_;
  std::size_t tras_bytes_;
};

}  // namespace orbelux::prueba
