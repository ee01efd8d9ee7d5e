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

LectorBloques::LectorBloques(ArchivoLectura& archivo, std::size_t ancho, std::size_t bloque)
    : archivo_(archivo),
      ancho_(ancho),
      bloque_(std::max<std::size_t>(bloque, 1)),
      entrada_(std::min(bloque_, kBloqueLectura * 16)) {}

bool LectorBloques::Rellenar() {
  if (agotado_) return false;
  pos_ = 0;
  fin_ = archivo_.Leer(entrada_.data(), entrada_.size());
  bytes_ += fin_;
  if (fin_ == 0) agotado_ = true;
  return fin_ > 0;
}

bool LectorBloques::Siguiente(std::string& destino) {
  destino.clear();
  // Room for the whole block at once: no block costs twice its size.
  destino.reserve(bloque_ + ancho_ + 1);
  for (;;) {
    if (pos_ == fin_ && !Rellenar()) {
      if (linea_abierta_) {
        destino.push_back('\n');
        ++lineas_;
        linea_abierta_ = false;
        largo_linea_ = 0;
      }
      return !destino.empty();
    }
    // CR LF is one line end, even when the data ran out between the two.
    if (cr_previo_) {
      cr_previo_ = false;
      if (entrada_[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    const char* inicio = entrada_.data() + pos_;
    const char* final = entrada_.data() + fin_;
    const char* corte = FinDeLinea(inicio, final);
    const auto largo = static_cast<std::size_t>(corte - inicio);
    const std::size_t guardado = std::min(largo, ancho_ - largo_linea_);
    destino.append(inicio, guardado);
    largo_linea_ += guardado;
    pos_ = static_cast<std::size_t>(corte - entrada_.data());
    if (corte == final) {
      linea_abierta_ = linea_abierta_ || largo > 0;
      continue;
    }
    destino.push_back('\n');
    ++lineas_;
    linea_abierta_ = false;
    largo_linea_ = 0;
    ++pos_;
    if (*corte == '\r') {
      if (pos_ == fin_) {
        cr_previo_ = true;
      } else if (entrada_[pos_] == '\n') {
        ++pos_;
      }
    }
    if (destino.size() >= bloque_) return true;
  }
}

LectorLineas::LectorLineas(ArchivoLectura& archivo, std::size_t ancho)
    : bloques_(archivo, ancho, kBloqueLectura) {}

bool LectorLineas::AlFinal() {
  if (pos_ < bloque_.size()) return false;
  pos_ = 0;
  return !bloques_.Siguiente(bloque_);
}

std::string_view LectorLineas::LeerLinea() {
  if (AlFinal()) return {};
  const std::size_t fin = bloque_.find('\n', pos_);
  const std::string_view linea(bloque_.data() + pos_, fin - pos_);
  pos_ = fin + 1;
  return linea;
}

}  // namespace orbelux
