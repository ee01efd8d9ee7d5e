// SPDX-License-Identifier: GPL-3.0-or-later
// Every object of an elements file inside a circle of sky: one streaming pass that keeps
// only the records whose cheap two-body place may lie in the circle, then the exact
// computation of those few, as the catalogue maker does it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/element_source.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/vector3.h"

namespace orbelux::campo {

// The observer's position from the centre of the Earth (ICRF axes, AU) at an instant.
using PosicionObservador = std::function<efemerides::Vector3(const efemerides::Instante&)>;

struct PeticionCampo {
  double ar_centro = 0;   // radians, ICRF (J2000)
  double dec_centro = 0;  // radians
  double radio = 0;       // radians
  std::optional<double> magnitud_maxima;
  efemerides::Instante instante;
  // Empty: the centre of the Earth.
  PosicionObservador observador;
  bool perturbado = true;
  // Every record computed exactly, none left out by the cheap place: what the culling is
  // checked against.
  bool exhaustivo = false;
  // Threads for the exact computation; 0: one per processor (at most 8).
  unsigned hilos = 0;
  // The name of the elements file as the user should see it.
  std::string nombre_elementos;
  // The bytes the source will give, for the progress of the reading (0: unknown).
  std::size_t bytes_previstos = 0;
  // Called now and then from the calling thread with the stage: the bytes read so far out
  // of bytes_previstos, then the objects computed exactly out of the candidates.
  std::function<void(std::string_view etapa, std::size_t hechos, std::size_t total)> progreso;
};

struct ObjetoCampo {
  std::string designacion;
  double ar = 0;   // degrees, [0, 360)
  double dec = 0;  // degrees
  std::optional<double> v;
  double distancia = 0;  // from the centre, arcseconds
  double este = 0;       // gnomonic offsets from the centre, arcseconds
  double norte = 0;
  double mov_ar = 0;  // d(RA)/dt cos(Dec), arcseconds per minute
  double mov_dec = 0;
  double delta = 0;       // AU
  double r = 0;           // AU
  double elongacion = 0;  // degrees
  double fase = 0;        // degrees
};

struct ResultadoCampo {
  std::vector<ObjetoCampo> objetos;            // by distance from the centre
  std::uint64_t registros = 0;                 // records read, skipped ones included
  std::uint64_t candidatos = 0;                // computed exactly
  std::uint64_t omitidos = 0;                  // could not be read or computed
  std::vector<std::string> primeros_omitidos;  // the designations of the first few
};

// How many skipped records are named.
inline constexpr std::size_t kOmitidosNombrados = 5;

// The file holds no record at all (only a header, or nothing).
class ErrorSinRegistros : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the whole source once. Throws ErrorLecturaElementos, ErrorSinRegistros, or
// ErrorInstante; a record that cannot be read or computed is only counted.
ResultadoCampo BuscarEnCampo(efemerides::FuenteBytes& fuente, const PeticionCampo& peticion);

}  // namespace orbelux::campo
