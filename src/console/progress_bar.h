// SPDX-License-Identifier: GPL-3.0-or-later
// A progress bar on a terminal for the runs that take a while: it appears only once a
// run has gone on for a second, and is wiped when the run ends.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace orbelux::consola {

class BarraProgreso final {
 public:
  // Seconds on a steady clock; the real one unless a test gives another.
  using Reloj = std::function<double()>;

  // `programa` heads the line, as in every message of the program.
  explicit BarraProgreso(std::ostream& salida, std::string programa = "orbelux-catalogo",
                         Reloj reloj = {});
  ~BarraProgreso();
  BarraProgreso(const BarraProgreso&) = delete;
  BarraProgreso& operator=(const BarraProgreso&) = delete;

  // Redraws at most ten times a second, and not before the first second is over.
  void Avanzar(std::size_t hechos, std::size_t total);

  // The same for one stage of a run ("tabla de planetas"), named before the bar. A new
  // stage is drawn at once.
  void Avanzar(std::string_view etapa, std::size_t hechos, std::size_t total);

  // Wipes the bar, if it was ever drawn, so that what follows starts on a clean line.
  void Terminar();

 private:
  std::ostream& salida_;
  std::string programa_;
  Reloj reloj_;
  double inicio_;
  double ultimo_dibujo_ = -1;
  bool dibujada_ = false;
  std::string etapa_;
};

}  // namespace orbelux::consola
