// SPDX-License-Identifier: GPL-3.0-or-later
// From an elements file to the catalogue "ast.dat" for one instant: every position is
// computed before anything is written, and the file is replaced in one step.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "platform/file_system.h"

namespace orbelux::catalogo {

// The list generation reads no further than this line of the catalogue.
inline constexpr std::int32_t kMaximoAsteroides = 32767;

// Positions further than this from the elements' epoch may be minutes of arc off when
// two-body motion leaves out the planets.
inline constexpr double kDiasEpocaLejana = 200;

// Perturbed motion integrates over at most this span of years between the earliest and
// the latest of the epochs and the instant: beyond it the table of the planets alone
// would take minutes and hundreds of megabytes, and ERFA's planetary theory is good for
// the years 1000 to 3000 only.
inline constexpr double kMaximoAniosIntegracion = 200;

enum class Movimiento {
  // The elements integrated from their epoch under the Sun, the planets, the Earth and
  // the Moon: good to an arcsecond years away from the epoch.
  Perturbado,
  // Kepler's ellipse of the elements, as ephemeris services give for the same elements
  // near their epoch; arcminutes off a year away.
  DosCuerpos,
};

// The stages of a run that report their progress.
enum class Etapa { Lectura, Planetas, Posiciones };

struct OpcionesCatalogo {
  Movimiento movimiento = Movimiento::Perturbado;
  // Where the sky is seen from; none (or code 500): the centre of the Earth.
  std::optional<efemerides::Sitio> sitio;
  // Threads that share the asteroids out; 0: one per processor (at most 8). The text
  // does not depend on it.
  unsigned hilos = 0;
  // Called from the calling thread now and then with the stage, what is done of it so far
  // and its total: bytes of the elements file read (Lectura), nodes of the planet table
  // (Planetas), asteroids (Posiciones); and once more at each stage's end.
  std::function<void(Etapa etapa, std::size_t hechos, std::size_t total)> progreso;
};

// A position that cannot be computed from elements that did parse, or a span of time
// too long to integrate.
class ErrorPosicion : public Fallo {
 public:
  using Fallo::Fallo;
};

// The catalogue text for asteroids 1..N (elementos[k - 1] is asteroid k) at one instant.
// The observer's position (one rotation of the site per run), and for perturbed motion the
// table of the planets over the span from the earliest epoch to the latest (and the instant),
// are computed once for all.
std::string TextoCatalogo(std::span<const efemerides::ElementosOrbitales> elementos,
                          const efemerides::Instante& instante,
                          const OpcionesCatalogo& opciones = {});

struct PeticionCatalogo {
  std::filesystem::path elementos;
  std::string nombre_elementos;  // as the user should see it
  std::filesystem::path salida;
  // When set, the catalogue goes to this stream, flushed, instead of `salida` (no atomic
  // write there); the caller checks the stream's state.
  std::ostream* flujo = nullptr;
  efemerides::Instante instante;
  std::optional<std::int32_t> hasta;  // 1..kMaximoAsteroides
  OpcionesCatalogo opciones;
};

struct ResultadoCatalogo {
  std::int32_t asteroides = 0;
  std::int32_t epocas_lejanas = 0;  // elements more than kDiasEpocaLejana from the instant
  std::string dia_juliano;
};

// Reads, computes and writes, both through `sistema`. On any failure (ErrorElementos,
// ErrorLecturaElementos, ErrorPosicion, FalloArchivo, all of them Fallo) nothing has been
// written and an existing catalogue is as it was.
ResultadoCatalogo HacerCatalogo(const PeticionCatalogo& peticion,
                                SistemaArchivos& sistema = SistemaReal());

}  // namespace orbelux::catalogo
