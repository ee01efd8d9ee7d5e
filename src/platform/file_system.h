// SPDX-License-Identifier: GPL-3.0-or-later
// The file system as a run sees it. Every file operation goes through SistemaArchivos, so
// that tests can make any step fail; SistemaReal is this machine's.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/fallo.h"

namespace orbelux {

// What there is at a path, following symbolic links.
struct EstadoArchivo {
  enum class Tipo { NoExiste, Normal, Otro };  // Otro: a directory, a device, a FIFO...
  Tipo tipo = Tipo::NoExiste;
  std::uint32_t permisos = 0;  // the mode bits, 07777
  std::int64_t propietario = -1;
  std::int64_t grupo = -1;
  std::uint64_t tamano = 0;        // bytes, for a regular file
  std::int64_t modificado_ns = 0;  // last change of its contents, in ns since 1970 (UTC)
};

// A regular file directly in a folder, as Listar gives it.
struct EntradaDirectorio {
  std::filesystem::path nombre;  // the name alone, without the folder
  std::uint64_t tamano = 0;
  std::int64_t modificado_ns = 0;  // as in EstadoArchivo
};

// An exclusive lock on a file, held until this object goes (or its process ends).
class Candado {
 public:
  virtual ~Candado() = default;
};

// An open file being read. Leer returns 0 only at the end of the file.
class ArchivoLectura {
 public:
  virtual ~ArchivoLectura() = default;
  virtual std::size_t Leer(char* destino, std::size_t maximo) = 0;
  // The size of the file when it was opened, in bytes; 0 when unknown.
  virtual std::uint64_t Tamano() const { return 0; }
  // Goes `bytes` further on without reading them (to the end at most). A file on disk
  // seeks; this default, for streams that cannot, reads them and drops them.
  virtual void Saltar(std::uint64_t bytes);
  // Up to `n` bytes at `desde` from the start, in one call and wherever the file stands,
  // fewer only at its end; nullopt from a file that cannot (this default).
  virtual std::optional<std::size_t> LeerEn(std::uint64_t desde, char* destino, std::size_t n);
};

// A new temporary file being written. Whoever created it removes it unless it was renamed.
class ArchivoEscritura {
 public:
  virtual ~ArchivoEscritura() = default;
  virtual const std::filesystem::path& ruta() const = 0;
  // Gives the file the mode and, where the process may, the owner of the file it replaces.
  virtual void TomarPermisos(const EstadoArchivo& anterior) = 0;
  virtual void Escribir(std::string_view datos) = 0;
  // Makes the data durable (fsync) and closes the file for writing. A real temporary file
  // stays locked against cleaners until this object is destroyed.
  virtual void SincronizarYCerrar() = 0;
};

// The file system as a run sees it. Every operation throws FalloArchivo on failure.
class SistemaArchivos {
 public:
  virtual ~SistemaArchivos() = default;
  // Opens a regular file for reading; anything else (a directory, a device) is refused.
  virtual std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) = 0;
  // What is at `ruta`, following symbolic links.
  virtual EstadoArchivo Estado(const std::filesystem::path& ruta) = 0;
  // The path a chain of symbolic links starting at `ruta` ends at (`ruta` itself when it
  // is no link), whether or not a file is there.
  virtual std::filesystem::path ResolverEnlaces(const std::filesystem::path& ruta) = 0;
  // Removes the temporary files for `destino` that runs killed on the way left behind,
  // never one that a running process is still writing. Best effort: never fails.
  virtual void BorrarTemporalesAbandonados(const std::filesystem::path& destino) noexcept = 0;
  // Creates a new, uniquely named file in the same directory as `destino`, named
  // "<name>.orbelux-tmp-<random>" after it.
  virtual std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) = 0;
  // Replaces `destino` by `origen` in one step.
  virtual void Renombrar(const std::filesystem::path& origen,
                         const std::filesystem::path& destino) = 0;
  // Makes the entries of `directorio` (a rename in it) durable.
  virtual void SincronizarDirectorio(const std::filesystem::path& directorio) = 0;
  virtual void Borrar(const std::filesystem::path& ruta) noexcept = 0;
  // Creates a folder and those missing above it; one that is there already is no error.
  virtual void CrearDirectorios(const std::filesystem::path& ruta) = 0;
  // The regular files directly in `directorio`, in no particular order.
  virtual std::vector<EntradaDirectorio> Listar(const std::filesystem::path& directorio) = 0;
  // Sets the file's modification time to now, as a mark of its last use.
  virtual void MarcarUso(const std::filesystem::path& ruta) = 0;
  // Takes an exclusive lock on the file `ruta` (created empty if missing), waiting while
  // another process, or another thread of this one, holds it.
  virtual std::unique_ptr<Candado> Bloquear(const std::filesystem::path& ruta) = 0;
};

// The mark in the names of our temporary files: "<name>.orbelux-tmp-<12 letters or digits>".
inline constexpr std::string_view kMarcaTemporal = ".orbelux-tmp-";
inline constexpr std::size_t kLargoAzarTemporal = 12;

// True when `nombre` is the name of one of our temporary files for the file `destino`.
bool EsNombreTemporal(std::string_view nombre, std::string_view destino);

// A new name for a temporary file of `destino`, beside it: "<destino>.orbelux-tmp-<random>".
std::filesystem::path RutaTemporal(const std::filesystem::path& destino);

// How long a replace on Windows keeps trying while another program (a virus scanner, an
// indexer) holds the destination open, before it gives up and leaves the old file.
inline constexpr std::chrono::milliseconds kEsperaReemplazo{1000};

// The real file system of this machine.
SistemaArchivos& SistemaReal();

// The current directory; "." when the system cannot tell it (it was deleted, say).
std::filesystem::path DirectorioActual();

// The folder a file is in: "." for a bare name.
std::filesystem::path DirectorioDe(const std::filesystem::path& ruta);

}  // namespace orbelux
