// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the synthetic elements file of the field search's benchmark:
//   orbelux_generar_mpc FICHERO [REGISTROS] [REALES]
// REALES is an elements file whose records come first
// (examples/elementos_1-227.dat), asteroids 1 to 227; the synthetic ones follow.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "mpc_synthetic.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::cerr << "Uso: orbelux_generar_mpc FICHERO [REGISTROS] [REALES]\n";
    return 2;
  }
  orbelux::sintetico::OpcionesSintetico opciones;
  if (argc >= 3) opciones.registros = std::strtoull(argv[2], nullptr, 10);
  if (argc >= 4) {
    std::ifstream reales(argv[3], std::ios::binary);
    std::ostringstream texto;
    texto << reales.rdbuf();
    if (!reales) {
      std::cerr << "no se puede leer " << argv[3] << '\n';
      return 1;
    }
    opciones.reales = texto.str();
  }
  std::ofstream salida(argv[1], std::ios::binary);
  orbelux::sintetico::EscribirMpcSintetico(salida, opciones);
  salida.close();
  if (!salida) {
    std::cerr << "no se puede escribir " << argv[1] << '\n';
    return 1;
  }
  return 0;
}
