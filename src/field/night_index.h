// SPDX-License-Identifier: GPL-3.0-or-later
// A night's index of the sky: what the first query of a night keeps so that a later one the
// same night reads only the few objects that may lie in its circle. A night is the 24 hours
// from 12:00 to 12:00 UTC, floor(JD UTC). Each object's cheap geocentric place at five nodes
// six hours apart, and one radius that holds its exact place from any site at any instant
// within three hours of a node, make its trace; traces are kept in cells of the sky (one
// degree of declination by about one of right ascension), and an object is in every cell its
// node circles touch, so a circle that overlaps one of them shares a cell with it. Objects
// with no small radius (comets, very close ones) go to a list every query reads. The index
// only chooses: every place is then computed exactly, as without it.
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

namespace orbelux::campo {

inline constexpr int kNodosNoche = 5;
// Beyond this radius (radians, two degrees) an object is read by every query instead; an
// object traced from its exact places may reach fifteen (they are few, the close ones).
inline constexpr double kRadioMaximoTraza = 2 * 3.14159265358979323846 / 180;
inline constexpr double kRadioMaximoTrazaExacta = 15 * 3.14159265358979323846 / 180;

// The night of an instant: floor(JD UTC).
std::int64_t NocheDe(const efemerides::Instante& instante);

// The node of its night nearest the instant (0 to 4), within three hours of it.
int NodoDe(const efemerides::Instante& instante);

// The cells of the sky: 180 bands of one degree of declination, each cut in
// ceil(360 cos(dec)) equal cells of right ascension, dec taken at the band's edge nearer
// the equator.
std::uint32_t NumeroCeldas();
std::uint32_t CeldaDe(double ar, double dec);  // radians
// Every cell a circle (centre and radius in radians) touches, appended to `celdas`.
void CeldasDelCirculo(double ar, double dec, double radio, std::vector<std::uint32_t>& celdas);

struct Traza {
  // Right ascension and declination (radians, ICRF) of the cheap geocentric place (the
  // two-body orbit minus the Earth's centre, no light time) at each node.
  std::array<float, 2 * kNodosNoche> nodos{};
  // Radians: the exact place from any site, at any instant within three hours of a node,
  // lies within this of the node's place.
  float radio = 0;
};

// Whether the circle (radians) overlaps the trace's circle at `nodo`.
bool Solapa(const Traza& traza, int nodo, double ar, double dec, double radio);

// The night's nodes and what a trace is computed from.
class NodosNoche final {
 public:
  explicit NodosNoche(std::int64_t noche);
  ~NodosNoche();
  NodosNoche(const NodosNoche&) = delete;
  NodosNoche& operator=(const NodosNoche&) = delete;

  std::int64_t Noche() const { return noche_; }

  // The trace of an ellipse given by its semimajor axis; nullopt when it has no small
  // radius (a close approach, a planet's neighbourhood) or it is another conic: such an
  // object is read by every query. The radius adds up, for the worst instant within three
  // hours of each node, the bound of the exact place from the cheap one (MargenAngular),
  // the cheap place's motion (the object's greatest speed on its ellipse and the Earth's,
  // over the least distance) and the largest parallax.
  std::optional<Traza> Trazar(const efemerides::ElementosOrbitales& el) const;

 private:
  std::int64_t noche_;
  std::array<double, kNodosNoche> tdb_{};                  // Julian dates TDB
  std::array<efemerides::Vector3, kNodosNoche> tierra_{};  // heliocentric, ICRF, AU
  std::vector<std::unique_ptr<TramosCuerpos>> tramos_;
};

// Traces from the exact geocentric places at the night's nodes, for objects without a cheap
// one (comets, objects near a planet): the radius is then the motion over three hours and
// the parallax alone. nullopt for an object too close or too fast for a small radius, or
// whose place cannot be computed.
std::vector<std::optional<Traza>> TrazasExactas(
    const std::vector<efemerides::ElementosOrbitales>& elementos, std::int64_t noche,
    unsigned hilos);

// One record as the index keeps it, to be computed exactly by a later query.
struct RegistroNoche {
  std::uint32_t archivo = 0;
  std::uint64_t linea = 0;
  std::string texto;  // the line as the reader gave it
  // The elements carried to the index's grid epoch (kAcarreado), or why there are none.
  enum Acarreo : std::uint8_t { kSinAcarreo = 0, kAcarreado = 1, kFallido = 2 };
  Acarreo acarreo = kSinAcarreo;
  std::array<double, 6> acarreados{};  // as carried_store.h keeps them
};

// Appends a record to a group's bytes, and reads the records of a group's bytes.
void AnotarRegistro(std::string& grupo, const RegistroNoche& registro);
bool LeerRegistros(std::string_view grupo, std::vector<RegistroNoche>& registros);

// Records go in groups of this many, each group deflated on its own.
inline constexpr std::uint32_t kRegistrosPorGrupo = 64;

// Deflates and inflates a group (zlib); nullopt when the bytes do not inflate.
std::string Comprimir(std::string_view datos);
std::optional<std::string> Descomprimir(std::string_view datos);

}  // namespace orbelux::campo

namespace orbelux {
class EntradaPorPartes;
}

namespace orbelux::campo {

// What the index says of each file beyond its objects: its counts as a whole reading gives
// them (lines that are no record and records that cannot be read) and the first of those.
struct ResumenArchivo {
  std::uint64_t registros = 0;
  std::uint64_t omitidos = 0;
  bool cometas = false;
  std::vector<std::pair<std::uint64_t, std::string>> primeros_omitidos;  // line, designation
};

// The traces and records of one block of a file, built by the thread that sorts it out.
class TrozoNoche final {
 public:
  // The next record of the block, with its cheap trace or none, and its elements (those a
  // place is computed from).
  void Anadir(const RegistroNoche& registro, const std::optional<Traza>& traza,
              const efemerides::ElementosOrbitales& el);
  // Closes the last group.
  void Cerrar();

 private:
  friend class ObraNoche;
  std::vector<std::pair<std::uint32_t, Traza>> trazas_;  // by the record's place in the block
  // The records read by every query, kept apart, so that a query finds them all in a few
  // groups of their own.
  std::string siempre_;
  std::vector<efemerides::ElementosOrbitales> elementos_siempre_;
  std::vector<std::string> grupos_;  // deflated
  std::vector<std::uint32_t> por_grupo_;
  std::uint32_t registros_ = 0;
  std::string abierto_;
  std::uint32_t en_abierto_ = 0;
};

// A night's index being built from the blocks of every file, in any order.
class ObraNoche final {
 public:
  void Anotar(std::uint32_t archivo, std::uint64_t indice_bloque, TrozoNoche trozo);
  // The whole entry (every block is dropped as it goes in). `epoca_acarreo`: the grid epoch
  // the records' carried elements osculate at. The objects with no cheap trace get one from
  // their exact places at the nodes (TrazasExactas), computed on `hilos` threads.
  std::string Carga(double epoca_acarreo, const std::vector<ResumenArchivo>& archivos,
                    std::int64_t noche, unsigned hilos);

 private:
  std::mutex mutex_;
  std::map<std::pair<std::uint32_t, std::uint64_t>, TrozoNoche> trozos_;
};

// A stored index, read in parts: its head once, then only the cells a circle touches and
// the groups that hold the records chosen.
class IndiceNoche final {
 public:
  // Reads and checks the head; nullopt, with the reason, when it is damaged.
  static std::optional<IndiceNoche> Abrir(EntradaPorPartes& entrada, std::string& motivo);

  double EpocaAcarreo() const { return epoca_acarreo_; }
  const std::vector<ResumenArchivo>& Archivos() const { return archivos_; }

  // The records whose circle at `nodo` overlaps the circle (radians), and every record of
  // the list read always, in the order of the files. False, with the reason, when a part
  // read is damaged.
  bool Elegir(EntradaPorPartes& entrada, double ar, double dec, double radio, int nodo,
              std::vector<RegistroNoche>& elegidos, std::string& motivo) const;

 private:
  struct Parte {
    std::uint64_t desde = 0;
    std::uint32_t largo = 0;
    std::uint32_t crc = 0;
  };
  double epoca_acarreo_ = 0;
  std::vector<ResumenArchivo> archivos_;
  std::vector<Parte> celdas_;  // NumeroCeldas() and the list read always
  std::vector<Parte> grupos_;
  std::vector<std::uint64_t> primer_registro_;  // of each group
};

}  // namespace orbelux::campo
