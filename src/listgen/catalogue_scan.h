// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue "ast.dat": its lines become records, the records that pass every bound
// are kept in right-ascension order as fixed-width list lines.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "listgen/filter_settings.h"
#include "platform/file_system.h"

namespace orbelux {

// One catalogue line. The asteroid's number is the line's ordinal.
struct RegistroAsteroide {
  std::int16_t numero = 0;
  double AR = 0;   // decimal hours
  double DEC = 0;  // decimal degrees
  std::int16_t Mag = 0;
  std::string_view linea;  // as read, without its line end (at most 62 bytes are kept)
};

// The Julian-day text of the catalogue's first line, empty when no line was read.
using DiaJuliano = std::string;

inline constexpr std::size_t kAnchoLineaLista = 52;
inline constexpr std::string_view kFinLinea = "\r\n";

// Converts a catalogue line, fields in column order. Throws Desbordamiento when the
// magnitude does not fit 16 bits.
RegistroAsteroide ConvertirLinea(std::int16_t numero, std::string_view linea);

// The sort key: a record after 0h in a window that wraps sorts 24 hours later.
double ClaveAR(const RegistroAsteroide& registro, const LimitesFiltro& limites);

// The eight strict comparisons.
bool PasaFiltros(const RegistroAsteroide& registro, const LimitesFiltro& limites);

// The 52-byte list line cut from a catalogue line; a short line reads as padded with blanks.
std::array<char, kAnchoLineaLista> LineaLista(std::string_view linea);

// The accepted records in right-ascension order, equal keys in catalogue order.
// Records are appended as they come and put in order once, when the text is asked for,
// so a run costs N log N rather than N squared.
class ListaOrdenada {
 public:
  std::int16_t cuenta() const { return static_cast<std::int16_t>(claves_.size()); }

  void Insertar(double clave, const std::array<char, kAnchoLineaLista>& linea);

  // Calls escribir once per list line (52 bytes followed by CR LF), in order.
  template <typename F>
  void Recorrer(F&& escribir) {
    Ordenar();
    std::array<char, kAnchoLineaLista + kFinLinea.size()> linea{};
    std::copy(kFinLinea.begin(), kFinLinea.end(), linea.begin() + kAnchoLineaLista);
    for (const auto& entrada : claves_) {
      const char* origen = Linea(entrada.orden);
      std::copy(origen, origen + kAnchoLineaLista, linea.begin());
      escribir(std::string_view(linea.data(), linea.size()));
    }
  }

  // The whole list text; for tests and small lists.
  std::string texto();

 private:
  struct Entrada {
    double clave;
    std::uint32_t orden;  // arrival: keeps equal keys in catalogue order
  };
  // Lines live in fixed blocks so that storing them never moves what is stored.
  static constexpr std::size_t kLineasPorBloque = 1024;

  void Ordenar();
  const char* Linea(std::uint32_t orden) const;

  std::vector<Entrada> claves_;
  std::vector<std::unique_ptr<char[]>> bloques_;
  bool ordenada_ = true;
};

// A new, empty list for a run. Nothing is sized from the number range.
ListaOrdenada CrearListaOrdenada(const LimitesFiltro& limites);

// Tests a record and, when it passes, inserts it.
void ConsiderarRegistro(const RegistroAsteroide& registro, const LimitesFiltro& limites,
                        ListaOrdenada& lista);

// Reads the catalogue up to the upper number bound. Throws FalloArchivo when it cannot be
// opened or read, Desbordamiento when the line counter passes 32767 or a magnitude
// does not fit.
DiaJuliano LeerCatalogo(const std::filesystem::path& ruta, const LimitesFiltro& limites,
                        ListaOrdenada& lista, SistemaArchivos& sistema = SistemaReal());

}  // namespace orbelux
