// SPDX-License-Identifier: GPL-3.0-or-later
// The failures every program reports: the base of the family, a number that does not fit
// and a file that could not be read or written, with the Spanish reasons for the common
// system errors. Headers that only name an error include only this one.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

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
// Windows keeps a file that another program has open from being replaced.
inline constexpr std::string_view kAbiertoEnOtroPrograma = "está abierto en otro programa";

// The reason for a system error code, in Spanish for the common ones (a missing file,
// permissions, a read-only or full disk, too many links) and the system's text otherwise.
std::string MotivoError(int codigo);

#ifdef _WIN32
// The same for a Windows error code (GetLastError): Spanish for the common ones, and the
// system's own text, in the user's language, otherwise.
std::string MotivoSistema(unsigned long codigo);
#endif

// A path as UTF-8 text, for messages.
std::string TextoRuta(const std::filesystem::path& ruta);

}  // namespace orbelux
