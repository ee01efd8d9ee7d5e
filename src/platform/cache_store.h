// SPDX-License-Identifier: GPL-3.0-or-later
// A folder of results kept between runs, each under a key made from what it was computed
// from. An entry is written in one step and checked on every read, two processes may use
// the folder at once, and it is kept under a size. It never makes a run fail: a folder that
// cannot be written, or an entry found damaged, is a result the caller reports in one line
// and works without.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fallo.h"
#include "platform/file_system.h"

namespace orbelux {

// How big the folder may grow unless the user says otherwise: 1 GB.
inline constexpr std::uint64_t kTamanoMaximoPorOmision = 1'000'000'000;

// Of a file larger than twice this, only its first and last this many bytes are hashed
// for its key; a smaller one is hashed whole.
inline constexpr std::uint64_t kTramoHuella = std::uint64_t{1} << 16;

// The folder's name under the user's cache folder.
inline constexpr std::string_view kNombreCarpetaCache = "orbelux";

// An environment variable's value, or nothing when it is not set.
using VariableEntorno = std::function<std::optional<std::string>(std::string_view nombre)>;

// Where the cache lives: "$XDG_CACHE_HOME/orbelux" when that is set and absolute, else
// "$HOME/.cache/orbelux"; on Windows "%LOCALAPPDATA%\orbelux". Empty when the environment
// names no absolute folder: then there is no cache.
std::filesystem::path CarpetaCache(const VariableEntorno& variable);
// The same from this process's environment.
std::filesystem::path CarpetaCache();

// A size as a user writes it for the cache's bound: digits with an optional decimal unit
// k, M, G or T (any case; "500M" is 500,000,000 bytes). Throws ErrorTamano with the reason.
std::uint64_t LeerTamano(std::string_view texto);

class ErrorTamano : public Fallo {
 public:
  using Fallo::Fallo;
};

// FNV-1a, 64 bits: the hash of the inputs' identity. Continues from `semilla`.
inline constexpr std::uint64_t kSemillaFnv = 0xcbf29ce484222325ull;
std::uint64_t HuellaFnv(std::string_view datos, std::uint64_t semilla = kSemillaFnv);

// The identity of what an entry is computed from: files (by size, time and a hash of their
// head and tail) and whatever else the caller names (the motion, an epoch, a night), in
// the order given. Its text is kept in the entry and compared on reading, so two keys that
// hash alike never give each other's entry.
class ClaveCache {
 public:
  // Adds the identity of the file at `ruta`, read through `sistema`. Throws FalloArchivo
  // when it cannot be read.
  void AnadirArchivo(SistemaArchivos& sistema, const std::filesystem::path& ruta);
  // Adds a part named by the caller ("movimiento" = "perturbado"). A value may hold any
  // byte: parts are kept apart by their lengths, so no two lists of parts read alike.
  void AnadirParte(std::string_view nombre, std::string_view valor);

  // Everything the key was made from.
  const std::string& texto() const { return texto_; }
  // The entry's file name: 16 hexadecimal digits of the text's hash and ".cache".
  std::string NombreArchivo() const;

 private:
  std::string texto_;
};

// What a lookup found.
struct LecturaCache {
  enum class Resultado {
    Hallada,  // `carga` holds the entry
    Ausente,  // no entry for the key (or one from another version of the format)
    Danada,   // an entry was there but failed its check: rebuild it; `mensaje` says why
    SinCache  // the folder could not be read: `mensaje` says why
  };
  Resultado resultado = Resultado::Ausente;
  std::string carga;
  std::string mensaje;  // Spanish, one line, for standard error
};

// What a store came to.
struct EscrituraCache {
  enum class Resultado {
    Guardada,  // written (and older entries dropped to keep the bound)
    NoCabe,    // larger than the bound by itself: not written
    SinCache   // the folder cannot be written: work without it; `mensaje` says why
  };
  Resultado resultado = Resultado::Guardada;
  std::string mensaje;  // Spanish, one line, for standard error
  int descartadas = 0;  // older entries dropped for the bound
};

// An entry whose header and key were checked, read piece by piece at increasing offsets of
// its payload, for a payload large enough that a run wants only parts of it. The payload's
// own checksum is not checked: such a payload carries its own for each part.
class EntradaPorPartes final {
 public:
  // `archivo` stands at the payload's start, `inicio` bytes into the file.
  EntradaPorPartes(std::unique_ptr<ArchivoLectura> archivo, std::uint64_t largo,
                   std::uint64_t inicio)
      : archivo_(std::move(archivo)), largo_(largo), inicio_(inicio) {}

  std::uint64_t Largo() const { return largo_; }
  // The `largo` bytes at `desde` of the payload into `destino`; from a file that cannot read
  // at an offset (ArchivoLectura::LeerEn), `desde` may not be before the end of the last
  // part read. False when the entry ends before them or the disk fails.
  bool Leer(std::uint64_t desde, std::size_t largo, std::string& destino);

 private:
  std::unique_ptr<ArchivoLectura> archivo_;
  std::uint64_t largo_;
  std::uint64_t inicio_;
  std::uint64_t posicion_ = 0;
};

struct LecturaPorPartes {
  LecturaCache::Resultado resultado = LecturaCache::Resultado::Ausente;
  std::unique_ptr<EntradaPorPartes> entrada;  // when Hallada
  std::string mensaje;
};

class AlmacenCache;
class EscrituraAtomica;
struct EntradaAbierta;

// An entry being written as it is made, its payload in any number of pieces; nothing
// replaces the entry there until Confirmar, and an entry that would outgrow the folder's
// bound stops being written at once. Never throws for the disk: what went wrong is what
// Confirmar returns.
class EntradaNueva final {
 public:
  EntradaNueva(AlmacenCache& almacen, ClaveCache clave);
  ~EntradaNueva();
  EntradaNueva(const EntradaNueva&) = delete;
  EntradaNueva& operator=(const EntradaNueva&) = delete;

  void Anadir(std::string_view datos);
  // Ends the entry and puts it in place, dropping the least recently used for the bound.
  EscrituraCache Confirmar();

 private:
  AlmacenCache& almacen_;
  ClaveCache clave_;
  std::unique_ptr<EscrituraAtomica> escritura_;
  std::uint64_t largo_ = 0;
  std::uint32_t crc_ = 0;
  std::optional<EscrituraCache> fallo_;  // or the result, once confirmed
};

// An entry whose payload comes in numbered blocks (0, 1, 2..., each once) from threads in
// any order, written in order as soon as the blocks before each have come: only the few
// that arrive early are held. `al_escribir` sees each block as it is written.
class EntradaEnOrden final {
 public:
  EntradaEnOrden(AlmacenCache& almacen, ClaveCache clave,
                 std::function<void(std::string_view)> al_escribir = {});
  void Anotar(std::uint64_t indice, std::string datos);
  // Bytes written so far.
  std::uint64_t Largo() const;
  // Puts the entry in place when every block numbered so far was written; a gap keeps it
  // out (its payload would be shifted).
  EscrituraCache Terminar();

 private:
  mutable std::mutex mutex_;
  EntradaNueva entrada_;
  std::function<void(std::string_view)> al_escribir_;
  std::map<std::uint64_t, std::string> pendientes_;
  std::uint64_t siguiente_ = 0;
  std::uint64_t largo_ = 0;
};

// The cache folder. Nothing is created on disk until the first store.
class AlmacenCache final {
 public:
  // An empty `carpeta` is a cache that holds nothing and stores nothing (SinCache).
  AlmacenCache(SistemaArchivos& sistema, std::filesystem::path carpeta,
               std::uint64_t tamano_maximo = kTamanoMaximoPorOmision);

  // The entry for `clave`, checked whole. A hit marks the entry as just used, so the
  // least recently used go first. Never throws for the disk.
  LecturaCache Leer(const ClaveCache& clave);
  // The same entry opened to be read in parts (EntradaPorPartes). Never throws for the disk.
  LecturaPorPartes AbrirPorPartes(const ClaveCache& clave);

  // Stores `carga` under `clave` in one step, replacing any entry there, then drops the
  // least recently used entries until the folder is within its bound. Other processes may
  // read meanwhile; writers and droppers take turns through a lock file in the folder.
  // Never throws for the disk.
  EscrituraCache Guardar(const ClaveCache& clave, std::string_view carga);
  // The same with the payload in pieces, written one after another: a large payload
  // gathered in parts is never joined in memory.
  EscrituraCache Guardar(const ClaveCache& clave, const std::vector<std::string_view>& piezas);

  // The line that says the entry for `clave` is damaged, and why; for a caller that finds
  // the damage in a payload that passed the store's own checks.
  std::string MensajeDanada(const ClaveCache& clave, std::string_view motivo) const;

  const std::filesystem::path& carpeta() const { return carpeta_; }
  std::uint64_t tamano_maximo() const { return tamano_maximo_; }

  // The file in the folder that writers lock.
  static constexpr std::string_view kNombreCandado = "candado";

 private:
  friend class EntradaNueva;
  // The entry for `clave` with its header and key checked, at the start of its payload.
  EntradaAbierta Abrir(const ClaveCache& clave);
  // Drops the oldest entries (not `conservar`) until they add up to the bound at most.
  int Recortar(const std::filesystem::path& conservar);

  SistemaArchivos& sistema_;
  std::filesystem::path carpeta_;
  std::uint64_t tamano_maximo_;
};

// The size of the entry a payload and a key make, header included.
std::uint64_t TamanoEntrada(const ClaveCache& clave, std::uint64_t largo_carga);

}  // namespace orbelux
