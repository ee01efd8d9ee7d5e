// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/line_reader.h"

#include <algorithm>
#include <cstring>

namespace orbelux {

namespace {

constexpr std::size_t kBloqueLectura = std::size_t{64} * 1024;

// The first CR or LF in [inicio, final), or final. memchr is vectorised; lines are
// short, so looking for both ends in a short window first keeps it cheap.
const char* FinDeLinea(const char* inicio, const char* final) {
  const auto buscar = [](const char* desde, const char* hasta) {
    const std::size_t n = static_cast<std::size_t>(hasta - desde);
    const void* lf = std::memchr(desde, '\n', n);
    const void* cr = std::memchr(
        desde, '\r', lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - desde) : n);
    return static_cast<const char*>(cr ? cr : lf);
  };
  constexpr std::ptrdiff_t kVentana = 128;
  for (const char* desde = inicio; desde < final; desde += kVentana) {
    const char* hasta = final - desde > kVentana ? desde + kVentana : final;
    if (const char* corte = buscar(desde, hasta)) return corte;
  }
  return final;
}

}  // namespace

LectorLineas::LectorLineas(ArchivoLectura& archivo, std::size_t ancho)
    : archivo_(archivo), ancho_(ancho), bloque_(kBloqueLectura) {
  linea_.reserve(ancho);
}

bool LectorLineas::Rellenar() {
  if (agotado_) return false;
  pos_ = 0;
  fin_ = archivo_.Leer(bloque_.data(), bloque_.size());
  if (fin_ == 0) agotado_ = true;
  return fin_ > 0;
}

bool LectorLineas::AlFinal() { return pos_ == fin_ && !Rellenar(); }

std::string_view LectorLineas::LeerLinea() {
  linea_.clear();
  bool partida = false;  // the line began in an earlier block and lives in linea_
  for (;;) {
    if (pos_ == fin_ && !Rellenar()) return linea_;
    const char* inicio = bloque_.data() + pos_;
    const char* final = bloque_.data() + fin_;
    const char* corte = FinDeLinea(inicio, final);
    const std::size_t largo = static_cast<std::size_t>(corte - inicio);
    pos_ = static_cast<std::size_t>(corte - bloque_.data());
    if (corte == final) {
      linea_.append(inicio, std::min(ancho_ - linea_.size(), largo));
      partida = true;
      continue;
    }
    ++pos_;
    std::string_view linea(inicio, std::min(ancho_, largo));
    if (partida || (*corte == '\r' && pos_ == fin_)) {
      // The line is kept apart when the block is about to be refilled under it.
      linea_.append(inicio, std::min(ancho_ - linea_.size(), largo));
      linea = linea_;
    }
    // CR LF is one line end, even when the block boundary falls between the two.
    if (*corte == '\r' && (pos_ < fin_ || Rellenar()) && bloque_[pos_] == '\n') ++pos_;
    return linea;
  }
}

}  // namespace orbelux
