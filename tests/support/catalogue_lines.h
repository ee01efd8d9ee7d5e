// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogue lines for tests, laid out in the catalogue's columns.
#pragma once

#include <string>
#include <string_view>

namespace orbelux::prueba {

struct Posicion {
  std::string_view h = "05", m = "30", s = "12.5";
  std::string_view g = "+12", am = "30", as = "45";
  std::string_view mag = " 15.6";
};

// A 62-byte catalogue line; each field is right-aligned in its columns.
inline std::string LineaCatalogo(std::string_view id, const Posicion& p,
                                 std::string_view dia_juliano = "") {
  std::string linea(62, ' ');
  const auto poner = [&](std::string_view texto, std::size_t inicio, std::size_t ancho) {
    const std::size_t n = std::min(texto.size(), ancho);
    linea.replace(inicio - 1 + ancho - n, n, texto.substr(0, n));
  };
  linea.replace(0, std::min<std::size_t>(id.size(), 23), id.substr(0, 23));
  poner(dia_juliano, 24, 12);
  poner(p.h, 37, 2);
  poner(p.m, 40, 2);
  poner(p.s, 43, 4);
  poner(p.g, 48, 3);
  poner(p.am, 52, 2);
  poner(p.as, 55, 2);
  poner(p.mag, 58, 5);
  return linea;
}

}  // namespace orbelux::prueba
