// SPDX-License-Identifier: GPL-3.0-or-later
// Listings compared cell by cell: the same figures on another system, or by another route,
// may differ by one unit of their last printed digit and no more.
#pragma once

#include <cmath>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

namespace orbelux::prueba {

// The cells of each line, cut at `separador` (for the text table, at runs of spaces).
inline std::vector<std::vector<std::string>> Celdas(const std::string& texto,
                                                    char separador = ',') {
  std::vector<std::vector<std::string>> filas;
  std::istringstream entrada(texto);
  for (std::string linea; std::getline(entrada, linea);) {
    std::vector<std::string> fila;
    std::istringstream celdas(linea);
    if (separador == ' ') {
      for (std::string celda; celdas >> celda;) fila.push_back(celda);
    } else {
      for (std::string celda; std::getline(celdas, celda, separador);) fila.push_back(celda);
    }
    filas.push_back(fila);
  }
  return filas;
}

// Whether `aqui` equals `alli`, or both are numbers printed to the same digits that differ by
// at most one unit of the last of them.
inline bool MismaCelda(const std::string& aqui, const std::string& alli) {
  if (aqui == alli) return true;
  const std::size_t punto = alli.find('.');
  if (punto == std::string::npos || aqui.find('.') != punto || aqui.size() != alli.size()) {
    return false;
  }
  std::size_t usados_aqui = 0;
  std::size_t usados_alli = 0;
  try {
    const double a = std::stod(aqui, &usados_aqui);
    const double b = std::stod(alli, &usados_alli);
    const double unidad = std::pow(10.0, -static_cast<double>(alli.size() - punto - 1));
    return usados_aqui == aqui.size() && usados_alli == alli.size() &&
           std::abs(a - b) <= unidad * 1.000001;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace orbelux::prueba
