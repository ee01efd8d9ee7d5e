// SPDX-License-Identifier: GPL-3.0-or-later
// The system's side of the operations a run needs: failures, the current directory,
// reading a file line by line and replacing a file atomically. Every file operation
// goes through SistemaArchivos so that tests can make any step fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orbelux {

// A failure of a run, and the base of every error the programs report. Its description
// (what()) tells the run's handler what happened.
class Fallo : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kDesbordamiento = "Desbordamiento";

// A number that does not fit where it has to go: a 16-bit counter or field, a 32-bit value.
class Desbordamiento : public Fallo {
 public:
  Desbordamiento() : Fallo(std::string(kDesbordamiento)) {}
};

// A file that could not be opened, read or written. what() is "<path>: <reason>", with the
// path the user should see, once.
class FalloArchivo : public Fallo {
 public:
  enum class Operacion { Lectura, Escritura };

  FalloArchivo(Operacion operacion, std::filesystem::path ruta, std::string motivo);

  Operacion operacion() const { return operacion_; }
  const std::filesystem::path& ruta() const { return ruta_; }
  // The reason alone, without the path.
  const std::string& motivo() const { return motivo_; }

 private:
  Operacion operacion_;
  std::filesystem::path ruta_;
  std::string motivo_;
};

inline constexpr std::string_view kNoEsArchivoNormal = "no es un archivo normal";

// The reason for a system error code, in Spanish for the common ones (a missing file,
// permissions, a read-only or full disk, too many links) and the system's text otherwise.
std::string MotivoError(int codigo);

// What there is at a path, following symbolic links.
struct EstadoArchivo {
  enum class Tipo { NoExiste, Normal, Otro };  // Otro: a directory, a device, a FIFO...
  Tipo tipo = Tipo::NoExiste;
  std::uint32_t permisos = 0;  // the mode bits, 07777
  std::int64_t propietario = -1;
  std::int64_t grupo = -1;
};

// An open file being read. Leer returns 0 only at the end of the file.
class ArchivoLectura {
 public:
  virtual ~ArchivoLectura() = default;
  virtual std::size_t Leer(char* destino, std::size_t maximo) = 0;
  // The size of the file when it was opened, in bytes; 0 when unknown.
  virtual std::uint64_t Tamano() const { return 0; }
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
};

// The mark in the names of our temporary files: "<name>.orbelux-tmp-<12 letters or digits>".
inline constexpr std::string_view kMarcaTemporal = ".orbelux-tmp-";
inline constexpr std::size_t kLargoAzarTemporal = 12;

// True when `nombre` is the name of one of our temporary files for the file `destino`.
bool EsNombreTemporal(std::string_view nombre, std::string_view destino);

// The real file system of this machine.
SistemaArchivos& SistemaReal();

// The current directory; "." when the system cannot tell it (it was deleted, say).
std::filesystem::path DirectorioActual();

// A path as UTF-8 text, for messages.
std::string TextoRuta(const std::filesystem::path& ruta);

// Reads a file line by line. CR LF, a lone LF and a lone CR each end a line; a last line
// without a line end is a line; a file that ends with a line end has no further line.
// Only the first `ancho` bytes of each line are kept, so a huge line costs no memory.
class LectorLineas {
 public:
  LectorLineas(ArchivoLectura& archivo, std::size_t ancho);

  // True when no further line can be read.
  bool AlFinal();
  // The next line without its line end, cut to `ancho` bytes; valid until the next call.
  std::string_view LeerLinea();

 private:
  bool Rellenar();

  ArchivoLectura& archivo_;
  std::size_t ancho_;
  std::vector<char> bloque_;
  std::size_t pos_ = 0;
  std::size_t fin_ = 0;
  bool agotado_ = false;
  std::string linea_;
};

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
