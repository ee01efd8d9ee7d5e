// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/progress_bar.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace orbelux::consola {

namespace {

constexpr double kEspera = 1.0;             // seconds before the bar shows
constexpr double kIntervalo = 0.1;          // seconds between redraws
constexpr std::size_t kAncho = 30;          // characters of the bar itself
constexpr std::size_t kAnchoConEtapa = 20;  // leaving room for the stage's name
constexpr std::size_t kLinea = 79;          // what the wipe covers: every line drawn fits in it

double RelojReal() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

BarraProgreso::BarraProgreso(std::ostream& salida, std::string programa, Reloj reloj)
    : salida_(salida),
      programa_(std::move(programa)),
      reloj_(reloj ? std::move(reloj) : Reloj(RelojReal)),
      inicio_(reloj_()) {}

BarraProgreso::~BarraProgreso() { Terminar(); }

void BarraProgreso::Avanzar(std::size_t hechos, std::size_t total) { Avanzar({}, hechos, total); }

void BarraProgreso::Avanzar(std::string_view etapa, std::size_t hechos, std::size_t total) {
  const double ahora = reloj_();
  const bool otra_etapa = etapa != etapa_;
  etapa_ = etapa;
  if (ahora - inicio_ < kEspera || total == 0) return;
  if (dibujada_ && !otra_etapa && ahora - ultimo_dibujo_ < kIntervalo && hechos < total) return;
  ultimo_dibujo_ = ahora;
  const bool lleno = hechos >= total;
  const std::size_t ancho = etapa.empty() ? kAncho : kAnchoConEtapa;
  const std::size_t llenos = lleno ? ancho : hechos * ancho / total;
  std::string barra(llenos, '#');
  barra.resize(ancho, '.');
  std::string linea = programa_ + ": ";
  if (!etapa.empty()) {
    linea += etapa;
    linea += ' ';
  }
  char texto[96];
  std::snprintf(texto, sizeof texto, "[%s] %3zu %%", barra.c_str(),
                lleno ? std::size_t{100} : hechos * 100 / total);
  linea += texto;
  std::snprintf(texto, sizeof texto, " (%zu de %zu)", hechos, total);
  // The counts only where they fit: a wrapped line could not be redrawn in place.
  if (linea.size() + std::char_traits<char>::length(texto) <= kLinea) linea += texto;
  // A shorter line than the last one drawn leaves none of it behind.
  if (dibujada_ && otra_etapa) salida_ << '\r' << std::string(kLinea, ' ');
  dibujada_ = true;
  salida_ << '\r' << linea << std::flush;
}

void BarraProgreso::Terminar() {
  if (!dibujada_) return;
  dibujada_ = false;
  salida_ << '\r' << std::string(kLinea, ' ') << '\r' << std::flush;
}

}  // namespace orbelux::consola
