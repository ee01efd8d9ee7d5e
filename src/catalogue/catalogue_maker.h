// From an elements file to the catalogue "ast.dat" for one instant: every position is
// computed before anything is written, and the file is replaced in one step.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/time_scales.h"
#include "platform/runtime_ops.h"

namespace orbelux::catalogo {

// The list generation reads no further than this line of the catalogue.
inline constexpr std::int32_t kMaximoAsteroides = 32767;

// Positions further than this from the elements' epoch may be minutes of arc off:
// two-body motion leaves out the planets.
inline constexpr double kDiasEpocaLejana = 200;

// A position that cannot be computed from elements that did parse.
class ErrorPosicion : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The catalogue text for asteroids 1..N (elementos[k - 1] is asteroid k) at one instant.
// The Earth's position is computed once for all of them.
std::string TextoCatalogo(std::span<const efemerides::ElementosOrbitales> elementos,
                          const efemerides::Instante& instante);

struct PeticionCatalogo {
  std::filesystem::path elementos;
  std::string nombre_elementos;  // as the user should see it
  std::filesystem::path salida;
  efemerides::Instante instante;
  std::optional<std::int32_t> hasta;  // 1..kMaximoAsteroides
};

struct ResultadoCatalogo {
  std::int32_t asteroides = 0;
  std::int32_t epocas_lejanas = 0;  // elements more than kDiasEpocaLejana from the instant
  std::string dia_juliano;
};

// Reads, computes and writes. On any failure (ErrorElementos, ErrorLecturaElementos,
// ErrorPosicion, FalloArchivo) nothing has been written and an existing catalogue is as
// it was.
ResultadoCatalogo HacerCatalogo(const PeticionCatalogo& peticion,
                                SistemaArchivos& sistema = SistemaReal());

}  // namespace orbelux::catalogo
