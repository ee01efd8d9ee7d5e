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

// A failure of a run. Its description (what()) tells the run's handler what happened.
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

// A file that could not be opened, read or written, with the path the user should see.
class FalloArchivo : public Fallo {
 public:
  enum class Operacion { Lectura, Escritura };

  FalloArchivo(Operacion operacion, std::filesystem::path ruta, const std::string& detalle);

  Operacion operacion() const { return operacion_; }
  const std::filesystem::path& ruta() const { return ruta_; }

 private:
  Operacion operacion_;
  std::filesystem::path ruta_;
};

// An open file being read. Leer returns 0 only at the end of the file.
class ArchivoLectura {
 public:
  virtual ~ArchivoLectura() = default;
  virtual std::size_t Leer(char* destino, std::size_t maximo) = 0;
};

// A new temporary file being written. Whoever created it removes it unless it was renamed.
class ArchivoEscritura {
 public:
  virtual ~ArchivoEscritura() = default;
  virtual const std::filesystem::path& ruta() const = 0;
  virtual void Escribir(std::string_view datos) = 0;
  // Makes the data durable (fsync) and closes the file.
  virtual void SincronizarYCerrar() = 0;
};

// The file system as a run sees it. Every operation throws FalloArchivo on failure.
class SistemaArchivos {
 public:
  virtual ~SistemaArchivos() = default;
  // Opens a regular file for reading; anything else (a directory, a device) is refused.
  virtual std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) = 0;
  // Creates a new, uniquely named file in the same directory as `destino`.
  virtual std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) = 0;
  // Replaces `destino` by `origen` in one step.
  virtual void Renombrar(const std::filesystem::path& origen,
                         const std::filesystem::path& destino) = 0;
  virtual void Borrar(const std::filesystem::path& ruta) noexcept = 0;
};

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
// and whatever way this object ends, no temporary file is left behind.
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
  [[noreturn]] void Fallar(const Fallo& causa);

  SistemaArchivos& sistema_;
  std::filesystem::path destino_;
  std::unique_ptr<ArchivoEscritura> temporal_;
  std::filesystem::path ruta_temporal_;
  std::string pendiente_;
  bool hecho_ = false;
};

}  // namespace orbelux
