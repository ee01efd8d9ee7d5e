// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace orbelux::consola {

namespace {

// Sexagesimal with `decimales` decimals of the last part, carried up after rounding.
std::string Sexagesimal(double valor, int decimales, int ancho_primero) {
  const double escala = std::pow(10.0, decimales);
  const auto total = static_cast<long long>(std::llround(std::abs(valor) * 3600 * escala));
  const long long unidades = total / (3600 * static_cast<long long>(escala));
  const long long resto = total % (3600 * static_cast<long long>(escala));
  const long long minutos = resto / (60 * static_cast<long long>(escala));
  const double segundos =
      static_cast<double>(resto % (60 * static_cast<long long>(escala))) / escala;
  char texto[64];
  std::snprintf(texto, sizeof texto, "%0*lld %02lld %0*.*f", ancho_primero, unidades, minutos,
                decimales + 3, decimales, segundos);
  return texto;
}

}  // namespace

// A fixed-point number; "-0.00" is written "0.00", the sign of nothing.
// std::to_chars writes what printf's "%.*f" does, without its locale and format parsing:
// tables of a hundred thousand rows are mostly these numbers.
std::string Fijo(double valor, int decimales) {
  char texto[400];  // the widest double, 309 digits, with its decimals
  const auto [fin, error] =
      std::to_chars(texto, texto + sizeof texto, valor, std::chars_format::fixed, decimales);
  std::string s(texto, error == std::errc() ? fin : texto);
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

// Columns are aligned by code points: the designations and headings are UTF-8.
std::size_t Anchura(std::string_view texto) {
  std::size_t n = 0;
  for (const char c : texto) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string Relleno(std::string_view texto, std::size_t ancho, bool a_la_izquierda) {
  const std::size_t n = Anchura(texto);
  const std::string blancos(n < ancho ? ancho - n : 0, ' ');
  return a_la_izquierda ? std::string(texto) + blancos : blancos + std::string(texto);
}

std::string ColumnasAlineadas(const std::vector<std::string>& titulos,
                              const std::vector<std::vector<std::string>>& filas,
                              std::size_t columnas) {
  if (columnas == 0) columnas = titulos.size();
  std::vector<std::size_t> anchos(columnas);
  for (std::size_t j = 0; j < columnas; ++j) {
    anchos[j] = Anchura(titulos[j]);
    for (const auto& fila : filas) anchos[j] = std::max(anchos[j], Anchura(fila[j]));
  }
  std::string s;
  const auto linea = [&](const std::vector<std::string>& campos) {
    std::string l;
    for (std::size_t j = 0; j < columnas; ++j) {
      if (j != 0) l += "  ";
      l += Relleno(campos[j], anchos[j], j == 0);
    }
    while (!l.empty() && l.back() == ' ') l.pop_back();
    s += l + '\n';
  };
  linea(titulos);
  for (const auto& fila : filas) linea(fila);
  return s;
}

std::string Csv(std::string_view texto) {
  if (texto.find_first_of(",\"") == std::string_view::npos) return std::string(texto);
  std::string s = "\"";
  for (const char c : texto) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}

std::string TextoAscensionRecta(double grados) {
  double horas = std::fmod(grados / 15, 24.0);
  if (horas < 0) horas += 24;
  std::string s = Sexagesimal(horas, 2, 2);
  // 23 59 59.999 rounds up to the next day.
  if (s.compare(0, 2, "24") == 0) s = "00" + s.substr(2);
  return s;
}

std::string TextoDeclinacion(double grados) {
  const std::string s = Sexagesimal(grados, 1, 2);
  const bool negativa = grados < 0 && s.find_first_not_of("0 .") != std::string::npos;
  return (negativa ? "-" : "+") + s;
}

}  // namespace orbelux::consola
