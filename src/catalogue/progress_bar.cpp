#include "catalogue/progress_bar.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace orbelux::catalogo {

namespace {

constexpr double kEspera = 1.0;     // seconds before the bar shows
constexpr double kIntervalo = 0.1;  // seconds between redraws
constexpr std::size_t kAncho = 30;  // characters of the bar itself
constexpr std::size_t kLinea = 79;  // what the wipe covers: the widest bar fits in 80

double RelojReal() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

BarraProgreso::BarraProgreso(std::ostream& salida, Reloj reloj)
    : salida_(salida), reloj_(reloj ? std::move(reloj) : Reloj(RelojReal)), inicio_(reloj_()) {}

BarraProgreso::~BarraProgreso() { Terminar(); }

void BarraProgreso::Avanzar(std::size_t hechos, std::size_t total) {
  const double ahora = reloj_();
  if (ahora - inicio_ < kEspera || total == 0) return;
  if (dibujada_ && ahora - ultimo_dibujo_ < kIntervalo && hechos < total) return;
  ultimo_dibujo_ = ahora;
  dibujada_ = true;
  const std::size_t llenos = hechos >= total ? kAncho : hechos * kAncho / total;
  std::string barra(llenos, '#');
  barra.resize(kAncho, '.');
  char texto[128];
  std::snprintf(texto, sizeof texto, "\rorbelux-catalogo: [%s] %3zu %% (%zu de %zu)", barra.c_str(),
                hechos >= total ? std::size_t{100} : hechos * 100 / total, hechos, total);
  salida_ << texto << std::flush;
}

void BarraProgreso::Terminar() {
  if (!dibujada_) return;
  dibujada_ = false;
  salida_ << '\r' << std::string(kLinea, ' ') << '\r' << std::flush;
}

}  // namespace orbelux::catalogo
