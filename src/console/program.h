// SPDX-License-Identifier: GPL-3.0-or-later
// How every console program runs: one environment, the options they all take (the instant,
// the site, the elements, the motion), --ayuda and --version, and one place that catches
// what a run throws and turns it into a message and an exit code. A program brings only
// what differs: its name, its help, its own options and its work.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/options.h"
#include "console/progress_bar.h"
#include "console/site_options.h"
#include "ephemeris/time_scales.h"
#include "platform/file_system.h"

namespace orbelux::consola {

// What a program runs on: the tests give their own clock and file system.
struct Entorno {
  // The current time, for a run without --fecha or --jd.
  std::function<std::time_t()> reloj = [] { return std::time(nullptr); };
  SistemaArchivos* sistema = nullptr;  // the real one when null
  // Standard error is a terminal: a long run shows its progress there.
  bool errores_en_terminal = false;
  // The environment's variables (where the cache lives); the process's own when empty.
  std::function<std::optional<std::string>(std::string_view nombre)> variable;

  SistemaArchivos& Sistema() const { return sistema != nullptr ? *sistema : SistemaReal(); }
};

// What every program that computes places is asked, read from the options they all take
// (--fecha, --jd, --observatorio, --lugar, --elementos, --dos-cuerpos) and checked.
struct PeticionComun {
  efemerides::Instante instante;
  std::optional<SitioElegido> sitio;  // none: the centre of the Earth
  std::filesystem::path elementos;    // --elementos, or the default file of the folder
  // For a program that reads several files (Programa::varios_elementos): every --elementos
  // in order, or the default files of the folder; `elementos` is the first.
  std::vector<std::filesystem::path> todos_los_elementos;
  bool dos_cuerpos = false;
  // --fecha or --jd was given; with --fecha, its zone's offset from UTC in minutes.
  bool instante_dado = false;
  int desfase_minutos = 0;
};

// One run: where it writes, what it runs on and what it is called in its messages.
struct Ejecucion {
  std::string_view programa;  // "orbelux-campo"
  std::string_view objeto;    // what it writes: "el catálogo"
  std::ostream& salida;
  std::ostream& errores;
  const Entorno& entorno;

  // "orbelux-campo: aviso: <texto>", a line on standard error.
  void Avisar(std::string_view texto) const;
  // A progress bar on standard error when it is a terminal; none otherwise.
  std::optional<BarraProgreso> Barra() const;
};

// Standard output refused the result; what() is the whole message.
class ErrorSalidaEstandar : public Fallo {
 public:
  using Fallo::Fallo;
};

struct Programa {
  std::string_view nombre;  // "orbelux-campo"
  std::string_view uso;     // the answer to --ayuda
  std::string_view objeto;  // what it writes, for its messages: "el catálogo"
  // Its own options, beside the common ones; they point into the program's variables.
  std::vector<OpcionValor> valores;
  std::vector<OpcionBandera> banderas;
  // Checks the program's own options once help, version and a listing are ruled out, before
  // the default elements file is looked for. Throws ErrorUso. May be empty.
  std::function<void()> comprobar;
  // The work itself. Throws on failure; the run reports it.
  std::function<void(const PeticionComun&, const Ejecucion&)> trabajo;
  // --elementos may be given more than once, and without it the folder's comet file
  // (CometEls.txt) is read too (ElementosConCometasPorOmision).
  bool varios_elementos = false;
  // Where the arguments that are no option go (the objects a program names); null: they
  // are an error.
  std::vector<std::string>* sueltos = nullptr;
  // Checks what the program's options mean together with the common ones (the site, the
  // instant), right after `comprobar`, before the default elements file is looked for.
  // Throws ErrorUso. May be empty.
  std::function<void(const PeticionComun&)> comprobar_con_comunes = {};
};

// Reads the arguments (without the program name), answers --ayuda, --version and
// --observatorio buscar:PALABRA, and otherwise runs the work. Never throws: returns
// kSalidaBien, kSalidaFallo (one message on `errores`, nothing written) or kSalidaUso.
int EjecutarPrograma(const Programa& programa, const std::vector<std::string>& argumentos,
                     std::ostream& salida, std::ostream& errores, const Entorno& entorno);

// A program as its main and its tests run it.
using FuncionPrograma = int (*)(const std::vector<std::string>& argumentos, std::ostream& salida,
                                std::ostream& errores, const Entorno& entorno);

// The whole of a console program's main: prepares the process (PrepararConsola) and runs the
// program on its arguments, standard output and standard error.
int Principal(int argc, char** argv, FuncionPrograma programa);
#ifdef _WIN32
// The same from wmain: the arguments arrive as UTF-16 and the program sees them as UTF-8.
int Principal(int argc, wchar_t** argv, FuncionPrograma programa);
#endif

// Writes the whole result to standard output and flushes it; throws ErrorSalidaEstandar,
// with the system's reason, when it cannot.
void EscribirEnSalida(const Ejecucion& ejecucion, std::string_view texto);

// Throws ErrorSalidaEstandar when standard output has failed since the run began.
void ComprobarSalida(const Ejecucion& ejecucion);

// The warning every program gives for a date past ERFA's table of leap seconds.
void AvisarDeLaFecha(const Ejecucion& ejecucion, const efemerides::Instante& instante);

// The warning of a two-body run when more than one object in ten has elements more than
// `dias` days from the date: `lejanos` of `total`. `objeto` names one object ("asteroide").
void AvisarDeEpocasLejanas(const Ejecucion& ejecucion, std::uint64_t lejanos, std::uint64_t total,
                           int dias, std::string_view objeto);

}  // namespace orbelux::consola
