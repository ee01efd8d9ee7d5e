// SPDX-License-Identifier: GPL-3.0-or-later
// The sample cases that both windows run: sixteen box texts each, and the report the Linux
// window wrote for them on examples/ast.dat (tests/data/window). The Windows window must
// write the same bytes.
#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace orbelux::prueba {

struct CasoInforme {
  std::string nombre;
  std::array<std::string, 16> cajas;  // UTF-8, in tab order
  std::filesystem::path informe;      // what the Linux window wrote
};

inline void PrintTo(const CasoInforme& caso, std::ostream* salida) { *salida << caso.nombre; }

inline std::vector<CasoInforme> LeerCasosInforme(const std::filesystem::path& carpeta) {
  std::ifstream entrada(carpeta / "casos_informe.txt", std::ios::binary);
  if (!entrada) throw std::runtime_error("no case file in " + carpeta.string());
  std::vector<CasoInforme> casos;
  for (std::string linea; std::getline(entrada, linea);) {
    if (linea.empty() || linea[0] == '#') continue;
    std::vector<std::string> partes(1);
    for (const char c : linea) {
      if (c == '|') {
        partes.emplace_back();
      } else {
        partes.back() += c;
      }
    }
    if (partes.size() != 17) throw std::runtime_error("not 16 boxes: " + linea);
    CasoInforme caso{partes[0], {}, carpeta / ("informe_" + partes[0] + ".txt")};
    for (std::size_t i = 0; i < 16; ++i) caso.cajas[i] = partes[i + 1];
    casos.push_back(std::move(caso));
  }
  return casos;
}

}  // namespace orbelux::prueba
