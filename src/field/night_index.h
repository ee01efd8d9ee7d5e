// SPDX-License-Identifier: GPL-3.0-or-later
// A night's index of the sky: what the first query of a night keeps so that a later one the
// same night reads only the few objects that may lie in its circle. A night is the 24 hours
// from 12:00 to 12:00 UTC, floor(JD UTC). Each object's cheap geocentric place at the
// night's middle (00:00 UTC), and one radius that holds its exact place from any site at any
// instant of the night, make its trace; traces are kept in cells of the sky (one degree of
// declination by about one of right ascension), an object in every cell its circle touches,
// so that a circle that overlaps it shares a cell with it. Objects with no small radius
// (comets, very close ones) go to a list every query reads. The index only chooses: every
// place is then computed exactly, as without it.
//
// The records themselves are kept apart, once per elements file (TextosRegistros): the
// index names them by their place among the file's records, and names the row of their
// carried elements (carried_store.h) with a checksum for each run of rows, so that a query
// reads a few hundred bytes of each store for each object chosen.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ephemeris/orbital_elements.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/vector3.h"
#include "field/culling_margin.h"
#include "platform/cache_store.h"

namespace orbelux::campo {

// Beyond this radius (radians, three degrees) an object is read by every query instead; an
// object traced from its exact places may reach fifteen (they are few, the close ones).
inline constexpr double kRadioMaximoTraza = 3 * 3.14159265358979323846 / 180;
inline constexpr double kRadioMaximoTrazaExacta = 15 * 3.14159265358979323846 / 180;

// The night of an instant: floor(JD UTC).
std::int64_t NocheDe(const efemerides::Instante& instante);

// The cells of the sky: 180 bands of one degree of declination, each cut in
// ceil(360 cos(dec)) equal cells of right ascension, dec taken at the band's edge nearer
// the equator.
std::uint32_t NumeroCeldas();
std::uint32_t CeldaDe(double ar, double dec);  // radians
// Every cell a circle (centre and radius in radians) touches, appended to `celdas`.
void CeldasDelCirculo(double ar, double dec, double radio, std::vector<std::uint32_t>& celdas);

// The rates of a trace's place, in units of this many radians a day (16 bits: up to 7.5°
// a day, faster objects get none).
inline constexpr double kUnidadVelocidad = 4e-6;

struct Traza {
  // Right ascension and declination (radians, ICRF) of the place at the night's middle.
  float ar = 0;
  float dec = 0;
  // Its motion on the sky towards the east and the north, kUnidadVelocidad.
  std::int16_t este = 0;
  std::int16_t norte = 0;
  // Radians: the exact place from any site, at any instant of the night, lies within this
  // of the place moved at those rates from the middle to that instant...
  float radio = 0;
  // ...and within this of the place at the middle (the cells it goes in).
  float radio_noche = 0;
};

// TDB days from the middle of the instant's night to the instant.
double DiasDesdeMedio(const efemerides::Instante& instante);

// Whether the circle (radians) overlaps the trace's circle `dias` from the night's middle.
bool Solapa(const Traza& traza, double ar, double dec, double radio, double dias);

// The night's middle and what a trace is computed from.
class NodoNoche final {
 public:
  explicit NodoNoche(std::int64_t noche);
  ~NodoNoche();
  NodoNoche(const NodoNoche&) = delete;
  NodoNoche& operator=(const NodoNoche&) = delete;

  std::int64_t Noche() const { return noche_; }

  // The trace of an ellipse given by its semimajor axis, from its cheap two-body place;
  // nullopt when it has no small radius (a close approach, a planet's neighbourhood) or it is
  // another conic: such an object is traced from its exact places (TrazasExactas). Both
  // radii add up the bound of the exact place from the cheap one (MargenAngular) and the
  // largest parallax; the night's adds the cheap place's motion over half a day (its velocity
  // from the Earth at the middle and the greatest pull on either), the moving one only what
  // that motion may stray from a straight line at the rates of the middle.
  std::optional<Traza> Trazar(const efemerides::ElementosOrbitales& el) const;

 private:
  std::int64_t noche_;
  double tdb_ = 0;  // Julian date TDB of the middle
  efemerides::Vector3 tierra_;
  efemerides::Vector3 velocidad_tierra_;
  std::unique_ptr<TramosCuerpos> tramos_;
};

// Traces from the exact geocentric places at the night's middle, for objects without a cheap
// one (comets, objects near a planet): the radius is then the motion over half a day and
// the parallax alone. nullopt for an object too close or too fast for a small radius, or
// whose place cannot be computed.
std::vector<std::optional<Traza>> TrazasExactas(
    const std::vector<efemerides::ElementosOrbitales>& elementos, std::int64_t noche,
    unsigned hilos);

// --- The records of an elements file, kept once for every night --------------------------

// Each record in a slot of this many bytes: a CRC-32 of the rest, its line (64 bits), the
// length of its text (16 bits) and the text, padded with zeros. A slot's place is the
// record's among the file's records that could be read.
inline constexpr std::size_t kLargoHueco = 256;
inline constexpr std::size_t kTextoMaximoHueco = kLargoHueco - 4 - 8 - 2;

ClaveCache ClaveTextos(const ClaveCache& archivo);

// Appends a record's slot; false (and nothing appended) when its text is too long for one.
bool AnotarTexto(std::string& destino, std::uint64_t linea, std::string_view texto);

struct TextoGuardado {
  std::uint64_t linea = 0;
  std::string texto;
};

// The records at `lugares` (increasing) of a stored file; false when a slot is damaged.
bool LeerTextos(EntradaPorPartes& entrada, const std::vector<std::uint64_t>& lugares,
                std::vector<TextoGuardado>& textos);

// --- The index ---------------------------------------------------------------------------

// The carried rows of a file in runs of this many, each with its checksum in the index.
inline constexpr std::size_t kFilasPorTramo = 4;
inline constexpr std::uint32_t kSinFila = 0xffffffffu;

// The checksums of the runs of rows of a carried payload, as its bytes go by.
class SumasDeFilas final {
 public:
  void Anadir(std::string_view bytes);
  // The runs' checksums, the last one however short.
  std::vector<std::uint32_t> Crcs() const;

 private:
  std::vector<std::uint32_t> crcs_;
  std::uint32_t crc_ = 0;
  std::size_t en_tramo_ = 0;
};

// The runs that rows (increasing) fall in, each once.
std::vector<std::uint32_t> TramosDeFilas(const std::vector<std::uint32_t>& filas);

// The rows at `filas` (increasing, unique) of a stored carried payload, each checked
// against its run's checksum (`crcs`, one for each of `tramos`, TramosDeFilas(filas));
// false when one fails or the entry ends before it.
bool LeerFilas(EntradaPorPartes& entrada, const std::vector<std::uint32_t>& tramos,
               const std::vector<std::uint32_t>& crcs, const std::vector<std::uint32_t>& filas,
               std::vector<std::string>& leidas);

// What the index says of each file beyond its objects: its counts as a whole reading gives
// them (lines that are no record and records that cannot be read) and the first of those,
// how many records it kept, and the checksums of its carried rows (none: no rows), which a
// stored index keeps apart (IndiceNoche::Crcs).
struct ResumenArchivo {
  std::uint64_t registros = 0;
  std::uint64_t omitidos = 0;
  bool cometas = false;
  std::vector<std::pair<std::uint64_t, std::string>> primeros_omitidos;  // line, designation
  std::uint64_t guardados = 0;
  std::vector<std::uint32_t> crcs_filas;
};

// The traces of one block of a file, built by the thread that sorts it out.
class TrozoNoche final {
 public:
  // Marks a row noted during this run, numbered within the block's own new rows.
  static constexpr std::uint32_t kFilaDelBloque = 0x80000000u;

  // The next record of the block kept in the file's store, with its carried row (kSinFila,
  // a row of the stored table, or kFilaDelBloque | n), its cheap trace or none, and the
  // elements its place is computed from.
  void Anadir(std::uint32_t fila, const std::optional<Traza>& traza,
              const efemerides::ElementosOrbitales& el);
  // A row noted for the carried table during this run, in this block.
  std::uint32_t NuevaFila() { return kFilaDelBloque | filas_nuevas_++; }

 private:
  friend class ObraNoche;
  struct Entrada {
    std::uint32_t lugar;
    std::uint32_t fila;
    Traza traza;
  };
  std::vector<Entrada> trazas_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> siempre_;  // lugar, fila
  std::vector<efemerides::ElementosOrbitales> elementos_siempre_;
  std::uint32_t registros_ = 0;
  std::uint32_t filas_nuevas_ = 0;
};

// One object chosen by the index: its file, its place among the file's kept records and
// its carried row (kSinFila: none).
struct Elegido {
  std::uint32_t archivo = 0;
  std::uint64_t lugar = 0;
  std::uint32_t fila = kSinFila;
  bool operator<(const Elegido& o) const {
    return archivo != o.archivo ? archivo < o.archivo : lugar < o.lugar;
  }
  bool operator==(const Elegido& o) const { return archivo == o.archivo && lugar == o.lugar; }
};

// A night's index being built from the blocks of every file, in any order.
class ObraNoche final {
 public:
  void Anotar(std::uint32_t archivo, std::uint64_t indice_bloque, TrozoNoche trozo);
  // A file whose records cannot all be kept (a line too long for a slot): no index.
  void Renunciar() { renuncia_ = true; }
  bool Renunciada() const { return renuncia_; }
  // The whole entry in pieces (every block is dropped as it goes in). `epoca_acarreo`: the
  // grid epoch the carried rows osculate at; `filas_guardadas[k]`: whether file k's rows
  // noted in this run are those of its stored table (else they were not stored). The
  // objects with no cheap trace get one from their exact places (TrazasExactas).
  std::vector<std::string> Carga(double epoca_acarreo, const std::vector<ResumenArchivo>& archivos,
                                 const std::vector<bool>& filas_guardadas, std::int64_t noche,
                                 unsigned hilos);

 private:
  std::mutex mutex_;
  std::map<std::pair<std::uint32_t, std::uint64_t>, TrozoNoche> trozos_;
  bool renuncia_ = false;
};

// A stored index, read in parts: its head once, then only the cells a circle touches.
class IndiceNoche final {
 public:
  // Reads and checks the head; nullopt, with the reason, when it is damaged.
  static std::optional<IndiceNoche> Abrir(EntradaPorPartes& entrada, std::string& motivo);

  double EpocaAcarreo() const { return epoca_acarreo_; }
  const std::vector<ResumenArchivo>& Archivos() const { return archivos_; }

  // The objects whose circle overlaps the circle (radians), and every object of the list
  // read always, in the order of the files. False, with the reason, when a part read is
  // damaged.
  // `dias`: DiasDesdeMedio of the query's instant.
  bool Elegir(EntradaPorPartes& entrada, double ar, double dec, double radio, double dias,
              std::vector<Elegido>& elegidos, std::string& motivo) const;

  // The checksums of the runs `tramos` of a file's carried rows, appended to `crcs`; false
  // when the index ends before them or names fewer.
  bool Crcs(EntradaPorPartes& entrada, std::uint32_t archivo,
            const std::vector<std::uint32_t>& tramos, std::vector<std::uint32_t>& crcs) const;

 private:
  double epoca_acarreo_ = 0;
  std::vector<ResumenArchivo> archivos_;
  std::vector<std::uint64_t> primer_lugar_;  // of each file, among all kept records
  std::uint64_t desde_directorio_ = 0;
  std::vector<std::uint32_t> tramos_;      // each file's runs of rows
  std::vector<std::uint64_t> desde_crcs_;  // and where their checksums are
};

}  // namespace orbelux::campo
