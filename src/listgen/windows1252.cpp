// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/windows1252.h"

#include <array>
#include <cstdint>

namespace orbelux {

namespace {

// The characters of bytes 0x80-0x9F, where Windows-1252 differs from Latin-1;
// 0 marks the five bytes it leaves undefined.
constexpr std::array<char32_t, 32> kZona80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ByteDe(char32_t c) {
  if (c == U'\r' || c == U'\n') return '?';
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kZona80.size(); ++i) {
    if (kZona80[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Decodes one UTF-8 character at `texto[i]`; returns its length, 0 when malformed.
std::size_t Decodificar(std::string_view texto, std::size_t i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(texto[k]); };
  const std::uint8_t b0 = byte(i);
  std::size_t longitud;
  char32_t minimo;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    longitud = 2, minimo = 0x80, c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    longitud = 3, minimo = 0x800, c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    longitud = 4, minimo = 0x10000, c = b0 & 0x07;
  } else {
    return 0;
  }
  if (texto.size() - i < longitud) return 0;
  for (std::size_t k = 1; k < longitud; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are malformed.
  if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return longitud;
}

}  // namespace

std::string Utf8AWindows1252(std::string_view utf8) {
  std::string salida;
  salida.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t longitud = Decodificar(utf8, i, c);
    if (longitud == 0) {
      salida.push_back('?');
      ++i;
    } else {
      salida.push_back(ByteDe(c));
      i += longitud;
    }
  }
  return salida;
}

}  // namespace orbelux
