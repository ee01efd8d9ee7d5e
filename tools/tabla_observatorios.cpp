// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the Minor Planet Center's ObsCodes.html into the C++ table that orbelux_ephemeris
// compiles in, so no program has to find the list at run time. Run by the build:
//   orbelux_tabla_observatorios data/observatorios/ObsCodes.html <build>/observatory_table.cpp
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "observatory_codes.h"

namespace {

using orbelux::herramientas::ErrorListaObservatorios;
using orbelux::herramientas::LeerLineaObservatorio;
using orbelux::herramientas::LineaObservatorio;
using orbelux::herramientas::LiteralCpp;

std::string Tabla(std::istream& entrada) {
  std::ostringstream salida;
  salida << "// Made by tools/tabla_observatorios.cpp from data/observatorios/ObsCodes.html.\n"
            "#include \"ephemeris/observatory_table.h\"\n\n"
            "namespace orbelux::efemerides::detalle {\n\n"
            "namespace {\n"
            "constexpr FilaObservatorio kFilas[] = {\n";
  std::string linea;
  std::string anterior;
  int numero_linea = 0;
  int codigos = 0;
  while (std::getline(entrada, linea)) {
    ++numero_linea;
    try {
      const auto fila = LeerLineaObservatorio(linea);
      if (!fila) continue;
      // The lookup searches by halves, so the codes must stand in order.
      if (!anterior.empty() && fila->codigo <= anterior) {
        throw ErrorListaObservatorios("code " + fila->codigo + " out of order");
      }
      anterior = fila->codigo;
      ++codigos;
      salida << "    {\"" << fila->codigo << "\", " << (fila->con_coordenadas ? "true" : "false")
             << ", " << (fila->con_coordenadas ? fila->longitud : "0") << ", "
             << (fila->con_coordenadas ? fila->rho_cos_phi : "0") << ", "
             << (fila->con_coordenadas ? fila->rho_sin_phi : "0") << ", "
             << LiteralCpp(fila->nombre) << "},\n";
    } catch (const ErrorListaObservatorios& e) {
      throw ErrorListaObservatorios("line " + std::to_string(numero_linea) + ": " + e.what());
    }
  }
  if (codigos == 0) throw ErrorListaObservatorios("no observatory codes in the list");
  salida << "};\n"
            "}  // namespace\n\n"
            "std::span<const FilaObservatorio> TablaObservatorios() { return kFilas; }\n\n"
            "}  // namespace orbelux::efemerides::detalle\n";
  return salida.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: orbelux_tabla_observatorios ObsCodes.html table.cpp\n";
    return 2;
  }
  std::ifstream entrada(argv[1], std::ios::binary);
  if (!entrada) {
    std::cerr << argv[1] << ": cannot read\n";
    return 1;
  }
  try {
    const std::string tabla = Tabla(entrada);
    std::ofstream salida(argv[2], std::ios::binary | std::ios::trunc);
    salida << tabla;
    salida.close();
    if (!salida) {
      std::cerr << argv[2] << ": cannot write\n";
      std::remove(argv[2]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
