// SPDX-License-Identifier: GPL-3.0-or-later
// A console program run in the test's own process: its exit code and all it wrote.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "console/program.h"

namespace orbelux::prueba {

struct Ejecucion {
  int codigo = -1;
  std::string salida;
  std::string errores;
};

// Holds the program, so that a test file names it once: `const ProgramaEnPrueba
// Ejecutar(campo::ProgramaCampo);` and then `Ejecutar({"--centro", ...})`.
class ProgramaEnPrueba {
 public:
  explicit ProgramaEnPrueba(consola::FuncionPrograma programa) : programa_(programa) {}

  Ejecucion operator()(const std::vector<std::string>& argumentos,
                       const consola::Entorno& entorno = {}) const {
    std::ostringstream salida;
    std::ostringstream errores;
    Ejecucion e;
    // No test reaches the user's own cache: without a folder of its own, a run has none.
    consola::Entorno propio = entorno;
    if (!propio.variable) propio.variable = [](std::string_view) { return std::nullopt; };
    e.codigo = programa_(argumentos, salida, errores, propio);
    e.salida = salida.str();
    e.errores = errores.str();
    return e;
  }

 private:
  consola::FuncionPrograma programa_;
};

// The arguments of `a` followed by those of `b`.
inline std::vector<std::string> Mas(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace orbelux::prueba
