// SPDX-License-Identifier: GPL-3.0-or-later
// One line of the Minor Planet Center's list of observatory codes (ObsCodes.html), read by
// its fixed columns. Kept apart from the generator so the tests can feed it real lines.
#pragma once

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orbelux::herramientas {

struct LineaObservatorio {
  std::string codigo;
  bool con_coordenadas = false;
  // The numbers as the list writes them, so the compiled table holds exactly its digits.
  std::string longitud;  // degrees east
  std::string rho_cos_phi;
  std::string rho_sin_phi;
  std::string nombre;  // UTF-8, entities decoded
};

class ErrorListaObservatorios : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace detalle {

inline std::string_view SinBlancos(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

inline std::string_view Columnas(std::string_view linea, std::size_t desde, std::size_t ancho) {
  if (desde >= linea.size()) return {};
  return linea.substr(desde, ancho);
}

// A number that strtod takes whole, else the list is not what we think it is.
inline std::string Numero(std::string_view campo, std::string_view que) {
  const std::string texto(SinBlancos(campo));
  char* fin = nullptr;
  if (texto.empty()) throw ErrorListaObservatorios(std::string(que) + " missing");
  std::strtod(texto.c_str(), &fin);
  if (*fin != '\0') throw ErrorListaObservatorios(std::string(que) + " is not a number: " + texto);
  return texto;
}

// The page is plain text inside <pre>, but a name may still carry an HTML entity.
inline std::string SinEntidades(std::string_view s) {
  static constexpr std::pair<std::string_view, char> kEntidades[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
  std::string salida;
  for (std::size_t i = 0; i < s.size();) {
    bool hecho = false;
    for (const auto& [entidad, caracter] : kEntidades) {
      if (s.substr(i, entidad.size()) == entidad) {
        salida += caracter;
        i += entidad.size();
        hecho = true;
        break;
      }
    }
    if (!hecho) salida += s[i++];
  }
  return salida;
}

}  // namespace detalle

// nullopt for the lines that are not codes (the <pre> tags, the heading, blank lines);
// throws ErrorListaObservatorios for a code line whose columns do not read.
inline std::optional<LineaObservatorio> LeerLineaObservatorio(std::string_view linea) {
  using namespace detalle;
  if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
  if (SinBlancos(linea).empty() || linea.front() == '<' || linea.starts_with("Code ")) {
    return std::nullopt;
  }
  if (linea.size() < 4 || linea[3] != ' ' || SinBlancos(linea.substr(0, 3)).size() != 3) {
    throw ErrorListaObservatorios("not a code line: " + std::string(linea));
  }
  LineaObservatorio fila;
  fila.codigo = std::string(linea.substr(0, 3));
  fila.nombre = SinEntidades(SinBlancos(Columnas(linea, 30, std::string_view::npos)));
  if (fila.nombre.empty()) throw ErrorListaObservatorios("code " + fila.codigo + " has no name");
  if (SinBlancos(Columnas(linea, 4, 26)).empty()) return fila;
  fila.con_coordenadas = true;
  fila.longitud = Numero(Columnas(linea, 4, 9), "longitude of " + fila.codigo);
  fila.rho_cos_phi = Numero(Columnas(linea, 13, 8), "rho cos phi of " + fila.codigo);
  fila.rho_sin_phi = Numero(Columnas(linea, 21, 9), "rho sin phi of " + fila.codigo);
  return fila;
}

// The name as a C++ string literal: bytes outside printable ASCII as octal escapes (which,
// unlike hex ones, never swallow the characters after them).
inline std::string LiteralCpp(std::string_view texto) {
  std::string salida = "\"";
  for (const char c : texto) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      salida += '\\';
      salida += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                            static_cast<char>('0' + ((byte >> 3) & 7)),
                            static_cast<char>('0' + (byte & 7)), '\0'};
      salida += octal;
    } else {
      salida += c;
    }
  }
  return salida + '"';
}

}  // namespace orbelux::herramientas
