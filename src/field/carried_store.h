// SPDX-License-Identifier: GPL-3.0-or-later
// The carried elements of one elements file as the cache folder keeps them: for every record
// carried to a grid epoch (carried_elements.h), its line and the six doubles of its ellipse
// there, bit for bit, so that a run that reads them places every object exactly as the run
// that integrated them. Records by line, in the order of the file.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/orbital_elements.h"
#include "platform/cache_store.h"

namespace orbelux::campo {

// The bytes of one record: its line (64 bits) and semieje, excentricidad, inclinacion,
// nodo, perihelio and anomalia_media (IEEE doubles), in the machine's byte order (the key
// says which). A record that could not be carried has NaN for all six.
inline constexpr std::size_t kBytesAcarreo = 8 + 6 * 8;

// The key of a file's carried elements: the file's identity (ClaveCache::AnadirArchivo),
// the motion, the grid epoch (a TT Julian date) and the byte order of the doubles.
ClaveCache ClaveAcarreos(const ClaveCache& archivo, double epoca);

// Appends the record at `linea` to `destino`: what Acarrear gave (`llevado`), or nothing.
void AnotarAcarreo(std::string& destino, std::uint64_t linea,
                   const std::optional<efemerides::ElementosOrbitales>& llevado);

// The six values as a record keeps them, and back into elements osculating at `epoca`.
std::array<double, 6> ValoresAcarreados(const efemerides::ElementosOrbitales& el);
void PonerAcarreados(const std::array<double, 6>& valores, double epoca,
                     efemerides::ElementosOrbitales& el);

// One row's bytes (kBytesAcarreo) into `el`, as TablaAcarreos::Buscar does with the row it
// finds: Acarreado (now osculating at `epoca`) or SinAcarreo.
enum class FilaAcarreo { SinAcarreo, Acarreado };
FilaAcarreo PonerFila(std::string_view fila, double epoca, efemerides::ElementosOrbitales& el);

// The records of a stored entry, looked up by line.
class TablaAcarreos final {
 public:
  // nullopt when `carga` is no list of records in increasing lines: a damaged entry.
  static std::optional<TablaAcarreos> Leer(std::string carga, double epoca);

  enum class Hallado {
    NoGuardado,  // not in the table: carry it now
    SinAcarreo,  // could not be carried: use the elements as they are
    Acarreado    // `el` now osculates at the grid epoch
  };
  // `fila`, when given, is set to the record's row when the table has one.
  Hallado Buscar(std::uint64_t linea, efemerides::ElementosOrbitales& el,
                 std::uint32_t* fila = nullptr) const;
  // The row's bytes as stored (kBytesAcarreo each), for the checksums of a night's index.
  std::string_view Carga() const { return carga_; }

  std::size_t Registros() const { return carga_.size() / kBytesAcarreo; }

 private:
  TablaAcarreos(std::string carga, double epoca) : carga_(std::move(carga)), epoca_(epoca) {}
  std::uint64_t Linea(std::size_t i) const;

  std::string carga_;
  double epoca_;
};

}  // namespace orbelux::campo
