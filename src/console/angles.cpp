// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/angles.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace orbelux::consola {

namespace {

// Hours (h) or degrees (° ' "); m and s follow either: "07h42m00s", "+26d40m00s".
enum class Familia { Ninguna, Horas, Grados, Cualquiera };

// One number of an angle with the mark after it, if any.
struct Pieza {
  std::size_t inicio = 0;  // in the text, the mark included
  std::size_t fin = 0;
  double valor = 0;  // without its sign
  bool con_signo = false;
  bool negativa = false;
  bool decimales = false;
  int posicion = -1;  // the mark's: 0 degrees or hours, 1 minutes, 2 seconds; -1 none
  Familia familia = Familia::Ninguna;
  bool tras_blanco = false;  // a blank, not a colon or a mark, before it: a new group
  bool ilegible = false;     // no number: the reader of the angle it belongs to says so
};

struct Marca {
  std::string_view texto;
  int posicion;
  Familia familia;
};

// Longest first, so that '' is read before '.
constexpr std::array<Marca, 17> kMarcas = {{
    {"''", 2, Familia::Grados},
    {"\u2033", 2, Familia::Grados},  // ″
    {"\u201d", 2, Familia::Grados},  // ”, as word processors write "
    {"\u2032", 1, Familia::Grados},  // ′
    {"\u2019", 1, Familia::Grados},  // ’, as word processors write '
    {"\u00b0", 0, Familia::Grados},  // °
    {"\u00ba", 0, Familia::Grados},  // º, the ordinal Spanish keyboards offer
    {"\"", 2, Familia::Grados},
    {"'", 1, Familia::Grados},
    {"d", 0, Familia::Grados},
    {"h", 0, Familia::Horas},
    {"m", 1, Familia::Cualquiera},
    {"s", 2, Familia::Cualquiera},
    {"D", 0, Familia::Grados},
    {"H", 0, Familia::Horas},
    {"M", 1, Familia::Cualquiera},
    {"S", 2, Familia::Cualquiera},
}};

// The minus sign of typeset text, as pages copied from the web write it.
constexpr std::string_view kMenos = "\u2212";

bool Digito(char c) { return c >= '0' && c <= '9'; }
bool Blanco(char c) { return c == ' ' || c == '\t'; }

std::string Entre(std::string_view trozo) { return "«" + std::string(trozo) + "»"; }

// The piece that starts at `i` up to the next blank or colon, for a message.
std::string_view Trozo(std::string_view texto, std::size_t i) {
  const std::size_t fin = texto.find_first_of(" \t:", i);
  return texto.substr(i, fin == std::string_view::npos ? fin : fin - i);
}

std::vector<Pieza> Piezas(std::string_view texto) {
  std::vector<Pieza> piezas;
  bool blanco = true;
  std::size_t i = 0;
  while (i < texto.size()) {
    if (Blanco(texto[i])) {
      blanco = true;
      ++i;
      continue;
    }
    if (texto[i] == ':') {
      blanco = false;
      ++i;
      continue;
    }
    Pieza p;
    p.inicio = i;
    p.tras_blanco = blanco || piezas.empty();
    blanco = false;
    std::size_t j = i;
    if (texto[j] == '+' || texto[j] == '-') {
      p.con_signo = true;
      p.negativa = texto[j] == '-';
      ++j;
    } else if (texto.substr(j).starts_with(kMenos)) {
      p.con_signo = true;
      p.negativa = true;
      j += kMenos.size();
    }
    const std::size_t numero = j;
    while (j < texto.size() && (Digito(texto[j]) || texto[j] == '.')) ++j;
    const std::string_view cifras = texto.substr(numero, j - numero);
    const auto [fin, error] =
        std::from_chars(cifras.data(), cifras.data() + cifras.size(), p.valor);
    p.ilegible = cifras.empty() || error != std::errc() || fin != cifras.data() + cifras.size() ||
                 cifras.find_first_of("0123456789") == std::string_view::npos;
    p.decimales = cifras.find('.') != std::string_view::npos;
    for (const Marca& m : kMarcas) {
      if (texto.substr(j).starts_with(m.texto)) {
        p.posicion = m.posicion;
        p.familia = m.familia;
        j += m.texto.size();
        break;
      }
    }
    if (p.ilegible ||
        (j < texto.size() && !Blanco(texto[j]) && texto[j] != ':' && p.posicion < 0)) {
      p.ilegible = true;
      j = i + Trozo(texto, i).size();
    }
    p.fin = j;
    piezas.push_back(p);
    i = j;
  }
  return piezas;
}

std::string_view TextoDe(std::string_view texto, const Pieza& p) {
  return texto.substr(p.inicio, p.fin - p.inicio);
}

AnguloEscrito Angulo(std::string_view texto, const std::vector<Pieza>& piezas, std::size_t desde,
                     std::size_t hasta) {
  if (hasta == desde) throw ErrorAngulo("falta el ángulo");
  if (hasta - desde > 3) {
    throw ErrorAngulo("sobra " + Entre(TextoDe(texto, piezas[desde + 3])) +
                      ": como mucho tres partes (grados u horas, minutos y segundos)");
  }
  AnguloEscrito angulo;
  angulo.partes = hasta - desde > 1;
  constexpr std::array<const char*, 3> kNombres = {"", "los minutos", "los segundos"};
  for (std::size_t k = desde; k < hasta; ++k) {
    const Pieza& p = piezas[k];
    const std::size_t n = k - desde;
    const std::string trozo = Entre(TextoDe(texto, p));
    if (p.ilegible) throw ErrorAngulo(trozo + " no es un número");
    if (n > 0 && p.con_signo) throw ErrorAngulo(trozo + ": solo la primera parte lleva signo");
    if (p.decimales && k + 1 < hasta) {
      throw ErrorAngulo(trozo + ": solo la última parte puede llevar decimales");
    }
    if (p.posicion >= 0 && static_cast<std::size_t>(p.posicion) != n) {
      throw ErrorAngulo(trozo +
                        " no va en su sitio: h o ° en la primera parte, m o ' en la segunda, "
                        "s o \" en la tercera");
    }
    if (p.familia == Familia::Horas) angulo.horas = true;
    if (p.familia == Familia::Grados) angulo.grados = true;
    if (angulo.horas && angulo.grados) {
      throw ErrorAngulo(trozo + ": no se mezclan horas (h m s) y grados (° ' \")");
    }
    if (n > 0 && !(p.valor < 60)) {
      throw ErrorAngulo(std::string(kNombres[n]) + ' ' + trozo + " deben ser menos de 60");
    }
    angulo.valor += p.valor / std::pow(60.0, static_cast<double>(n));
  }
  if (piezas[desde].negativa) angulo.valor = -angulo.valor;
  return angulo;
}

[[noreturn]] void FallarCentro(std::string_view texto, const std::string& motivo) {
  throw ErrorUso("--centro " + std::string(texto) + ": " + motivo);
}

// Where the declination begins, when no comma says so.
std::size_t InicioDeclinacion(const std::vector<Pieza>& p) {
  for (std::size_t k = 1; k < p.size(); ++k) {
    if (p[k].con_signo) return k;
  }
  // Where the first part marked in degrees says, or after the last part marked h, m or s.
  for (std::size_t k = 0; k < p.size(); ++k) {
    if (p[k].familia == Familia::Grados && k >= static_cast<std::size_t>(p[k].posicion)) {
      return k - static_cast<std::size_t>(p[k].posicion);
    }
  }
  for (std::size_t k = p.size(); k-- > 0;) {
    if (p[k].familia == Familia::Horas || p[k].familia == Familia::Cualquiera) return k + 1;
  }
  // "07:42:00 26:40:00": two groups of parts joined by colons.
  std::vector<std::size_t> grupos;
  for (std::size_t k = 0; k < p.size(); ++k) {
    if (p[k].tras_blanco) grupos.push_back(k);
  }
  if (grupos.size() == 2) return grupos[1];
  // "12 30 36 10 30 36": half and half.
  if (p.size() % 2 == 0) return p.size() / 2;
  return 0;
}

}  // namespace

AnguloEscrito LeerAngulo(std::string_view texto) {
  const std::vector<Pieza> piezas = Piezas(texto);
  return Angulo(texto, piezas, 0, piezas.size());
}

Centro LeerCentro(std::string_view texto) {
  std::string_view texto_ar;
  std::string_view texto_dec;
  AnguloEscrito ar;
  AnguloEscrito dec;
  const char* parte = "la ascensión recta";
  try {
    if (const std::size_t coma = texto.find(','); coma != std::string_view::npos) {
      texto_ar = texto.substr(0, coma);
      texto_dec = texto.substr(coma + 1);
      ar = LeerAngulo(texto_ar);
      parte = "la declinación";
      dec = LeerAngulo(texto_dec);
    } else {
      const std::vector<Pieza> piezas = Piezas(texto);
      const std::size_t k = InicioDeclinacion(piezas);
      if (k == 0 || k >= piezas.size()) {
        FallarCentro(texto,
                     "se esperan la ascensión recta y la declinación, como 07h42m00s "
                     "+26°40'00\", 07:42:00 +26:40:00, 7 42 +26 40 o 115.5,26.67 (grados); "
                     "dé la declinación con su signo");
      }
      ar = Angulo(texto, piezas, 0, k);
      parte = "la declinación";
      dec = Angulo(texto, piezas, k, piezas.size());
    }
  } catch (const ErrorAngulo& e) {
    FallarCentro(texto, std::string("en ") + parte + ", " + e.what());
  }
  if (ar.valor < 0 || (ar.valor == 0 && std::signbit(ar.valor))) {
    FallarCentro(texto, "la ascensión recta no lleva signo");
  }
  if (dec.horas) FallarCentro(texto, "la declinación se da en grados (° ' \"), no en horas");
  // Parts without marks are hours in a right ascension, as catalogues write it.
  const bool en_horas = ar.horas || (ar.partes && !ar.grados);
  if (en_horas && !(ar.valor < 24)) {
    FallarCentro(texto, "la ascensión recta debe ser menor de 24 h (AR de 0 a 360 grados)");
  }
  const double grados_ar = en_horas ? ar.valor * 15 : ar.valor;
  if (!(grados_ar < 360)) {
    FallarCentro(texto, "la ascensión recta debe ser menor de 360 grados (AR de 0 a 360)");
  }
  if (!(std::abs(dec.valor) <= 90)) {
    FallarCentro(texto, "la declinación debe estar entre -90 y 90 grados (DEC de -90 a 90)");
  }
  return {grados_ar, dec.valor};
}

}  // namespace orbelux::consola
