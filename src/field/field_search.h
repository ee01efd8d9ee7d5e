// SPDX-License-Identifier: GPL-3.0-or-later
// Every object of one or more elements files (asteroids in the MPC export format, comets
// in CometEls format) inside a circle of sky: one streaming pass per file that keeps only
// the records whose cheap two-body place may lie in the circle, and every comet, then the
// exact computation of those few, as the catalogue maker does it. Far from the elements'
// epoch, with the planets, each record is first carried to the grid epoch nearest the
// instant, and both the culling and the place start from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ephemeris/element_source.h"
#include "ephemeris/elements_format.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "platform/cache_store.h"

namespace orbelux::campo {

struct PeticionCampo {
  double ar_centro = 0;   // radians, ICRF (J2000)
  double dec_centro = 0;  // radians
  double radio = 0;       // radians
  std::optional<double> magnitud_maxima;
  efemerides::Instante instante;
  // Where the sky is seen from; the default is the centre of the Earth.
  efemerides::Sitio sitio;
  bool perturbado = true;
  // Every record computed exactly, none left out by the cheap place: what the culling is
  // checked against.
  bool exhaustivo = false;
  // With the planets, every record integrated from its own epoch straight to the instant,
  // as before carried elements (carried_elements.h): what the carried route is checked
  // against.
  bool sin_acarreo = false;
  // Where the carried elements of the files that give their identity (FuenteCampo::clave)
  // are kept between runs; null: they are carried every time and kept nowhere. The listing
  // is the same either way.
  AlmacenCache* cache = nullptr;
  // Threads for the exact computation; 0: HilosPorOmision.
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

// What one of the elements files gave.
struct CuentaArchivo {
  std::string nombre;
  bool cometas = false;         // in the MPC's comet format (CometEls.txt)
  std::uint64_t registros = 0;  // records read, skipped ones included
  std::uint64_t omitidos = 0;
};

struct ResultadoCampo {
  std::vector<ObjetoCampo> objetos;            // by distance from the centre
  std::uint64_t registros = 0;                 // records read, skipped ones included
  std::uint64_t candidatos = 0;                // computed exactly
  std::uint64_t omitidos = 0;                  // could not be read or computed
  std::vector<std::string> primeros_omitidos;  // the designations of the first few
  // Records read whose epoch lies more than kDiasEpocaLejana from the instant.
  std::uint64_t epocas_lejanas = 0;
  // File by file, in the order given (the counts above are their sums).
  std::vector<CuentaArchivo> archivos;
  // The night's index of an earlier query chose the records computed (night_index.h).
  bool con_indice = false;
  // Records integrated to the grid epoch in this run (those read from the cache are not).
  std::uint64_t acarreados = 0;
  // What happened to the cache that the user should hear of, one line each (Spanish):
  // a folder that cannot be used, a damaged entry rebuilt.
  std::vector<std::string> avisos_cache;
};

// How many skipped records are named.
inline constexpr std::size_t kOmitidosNombrados = 5;

// Reads the whole source once, with the same rules for lines as the catalogue maker
// (elements_format.h): a line that is not a record, or a record that cannot be read or
// computed, is counted and skipped. Throws ErrorElementos (ErrorSinRegistros for a file
// without any record, and too many lines in a row without one), ErrorPosicion (with the
// planets, a record whose epoch is too far from the instant to integrate, as soon as it is
// read), ErrorLecturaElementos or FalloArchivo.
ResultadoCampo BuscarEnCampo(efemerides::FuenteBytes& fuente, const PeticionCampo& peticion);

// One of several elements files, and its name as the user should see it.
struct FuenteCampo {
  FuenteCampo(efemerides::FuenteBytes* f, std::string n, std::optional<ClaveCache> c = {})
      : fuente(f), nombre(std::move(n)), clave(std::move(c)) {}

  efemerides::FuenteBytes* fuente = nullptr;
  std::string nombre;
  // The file's identity (ClaveCache::AnadirArchivo), which its carried elements are kept
  // under in PeticionCampo::cache; none: they are not kept.
  std::optional<ClaveCache> clave;
};

// The same over several files in one run (peticion.nombre_elementos is not used): each
// file's format is told from its first records (DetectarFormato), asteroids and comets
// alike; every comet is computed exactly, whatever the cheap place says. The objects of
// all the files come out together, by distance from the centre.
ResultadoCampo BuscarEnCampo(const std::vector<FuenteCampo>& fuentes,
                             const PeticionCampo& peticion);

}  // namespace orbelux::campo
