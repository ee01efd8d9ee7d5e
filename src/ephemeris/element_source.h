// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of an elements file: a file read through the file system's seam, plain or
// gzip-compressed (told apart by its content, not its name), or text already in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace orbelux::efemerides {

// The elements file cannot be opened or read; what() is the whole message for the user.
class ErrorLecturaElementos : public Fallo {
 public:
  using Fallo::Fallo;
};

// Whatever the reader takes its bytes from: LectorLineas splits them into lines.
using FuenteBytes = ArchivoLectura;

// How far reading has got: bytes taken from the file (compressed ones, for gzip) of its
// size on disk.
using AvisoLectura = std::function<void(std::uint64_t hechos, std::uint64_t total)>;

// A regular file, inflated with zlib when it starts like gzip (members one after another
// are one text, as gzip -d gives them), passed through unchanged otherwise. Leer throws
// ErrorLecturaElementos, with the file's name once and the reason in Spanish.
class ArchivoElementos final : public ArchivoLectura {
 public:
  explicit ArchivoElementos(const std::filesystem::path& ruta,
                            SistemaArchivos& sistema = SistemaReal(), AvisoLectura aviso = {});
  ~ArchivoElementos() override;
  ArchivoElementos(const ArchivoElementos&) = delete;
  ArchivoElementos& operator=(const ArchivoElementos&) = delete;

  std::size_t Leer(char* destino, std::size_t maximo) override;
  std::uint64_t Tamano() const override;

 private:
  struct Estado;

  bool Rellenar();
  std::size_t Inflar(char* destino, std::size_t maximo);
  [[noreturn]] void Fallar(std::string_view motivo) const;

  std::string nombre_;
  std::unique_ptr<ArchivoLectura> archivo_;
  AvisoLectura aviso_;
  std::unique_ptr<Estado> estado_;  // zlib's stream, kept out of this header
};

class FuenteMemoria final : public ArchivoLectura {
 public:
  explicit FuenteMemoria(std::string_view datos) : datos_(datos) {}
  std::size_t Leer(char* destino, std::size_t maximo) override;
  std::uint64_t Tamano() const override { return datos_.size(); }

 private:
  std::string_view datos_;
};

}  // namespace orbelux::efemerides
