// The bytes of an elements file: a file on disk, plain or gzip-compressed (told apart by
// its content, not its name), or text already in memory.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orbelux::efemerides {

// The elements file cannot be opened or read; what() is the whole message for the user.
class ErrorLecturaElementos : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FuenteBytes {
 public:
  virtual ~FuenteBytes() = default;
  // Up to `maximo` bytes; 0 only at the end. Throws ErrorLecturaElementos.
  virtual std::size_t Leer(char* destino, std::size_t maximo) = 0;
};

// A regular file through zlib, which passes plain files through unchanged.
class ArchivoElementos final : public FuenteBytes {
 public:
  explicit ArchivoElementos(const std::filesystem::path& ruta);
  ~ArchivoElementos() override;
  ArchivoElementos(const ArchivoElementos&) = delete;
  ArchivoElementos& operator=(const ArchivoElementos&) = delete;

  std::size_t Leer(char* destino, std::size_t maximo) override;

 private:
  std::string nombre_;
  void* gz_ = nullptr;  // gzFile, kept out of this header
};

class FuenteMemoria final : public FuenteBytes {
 public:
  explicit FuenteMemoria(std::string_view datos) : datos_(datos) {}
  std::size_t Leer(char* destino, std::size_t maximo) override;

 private:
  std::string_view datos_;
};

}  // namespace orbelux::efemerides
