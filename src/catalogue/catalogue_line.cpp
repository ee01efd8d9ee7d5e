// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "listgen/catalogue_format.h"

namespace orbelux::catalogo {

namespace {

namespace col = orbelux::columnas;

constexpr double kPi = 3.14159265358979323846;
constexpr double kSegundosTiempoPorRadian = 43200.0 / kPi;
constexpr double kSegundosArcoPorRadian = 648000.0 / kPi;
constexpr long long kDecimasPorDia = 864000;

static_assert(col::kAnchoLinea == kAnchoCampos);
static_assert(col::kARSegundos.ancho == 4 && col::kDECGrados.ancho == 3 &&
              col::kMagnitud.ancho == 5 && col::kDiaJuliano.ancho == 12);

char* Columna(LineaCatalogo& linea, const col::Campo& campo) {
  return linea.data() + campo.inicio - 1;
}

void DosCifras(char* destino, long long valor) {
  destino[0] = static_cast<char>('0' + valor / 10);
  destino[1] = static_cast<char>('0' + valor % 10);
}

// Right-aligned in its field; the caller keeps the value short enough.
void Entero(char* destino, std::size_t ancho, long long valor) {
  const bool negativo = valor < 0;
  unsigned long long resto = static_cast<unsigned long long>(negativo ? -valor : valor);
  std::size_t i = ancho;
  do {
    destino[--i] = static_cast<char>('0' + resto % 10);
    resto /= 10;
  } while (resto != 0 && i > 0);
  if (negativo && i > 0) destino[--i] = '-';
}

void Magnitud(char* destino, std::optional<double> magnitud) {
  // Five columns hold -99.9 to 999.9.
  long long decimas = 999;
  if (magnitud && std::isfinite(*magnitud)) {
    decimas = std::llround(std::clamp(*magnitud, -99.9, 999.9) * 10);
  }
  const bool negativo = decimas < 0;
  const long long absoluto = negativo ? -decimas : decimas;
  destino[4] = static_cast<char>('0' + absoluto % 10);
  destino[3] = '.';
  Entero(destino, 3, negativo ? -(absoluto / 10) : absoluto / 10);
  // "-0.4": the integer part alone would have lost the sign.
  if (negativo && absoluto < 10) destino[1] = '-';
}

}  // namespace

LineaCatalogo FormatearLinea(const DatosLinea& datos) {
  LineaCatalogo linea;
  linea.fill(' ');
  linea[kAnchoCampos] = '\r';
  linea[kAnchoCampos + 1] = '\n';

  char* id = Columna(linea, col::kIdentificacion);
  if (datos.nombre.empty()) {
    char texto[16];
    const int largo = std::snprintf(texto, sizeof texto, "(%d)", static_cast<int>(datos.numero));
    std::copy_n(texto, std::min<std::size_t>(static_cast<std::size_t>(largo), col::kIdentificacion.ancho), id);
  } else {
    const std::size_t largo = std::min(datos.nombre.size(), col::kIdentificacion.ancho);
    for (std::size_t i = 0; i < largo; ++i) {
      const auto c = static_cast<unsigned char>(datos.nombre[i]);
      id[i] = (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
  }
  if (!datos.dia_juliano.empty()) {
    std::copy_n(datos.dia_juliano.data(),
                std::min(datos.dia_juliano.size(), col::kDiaJuliano.ancho),
                Columna(linea, col::kDiaJuliano));
  }

  long long decimas = std::llround(datos.ascension_recta * kSegundosTiempoPorRadian * 10);
  decimas %= kDecimasPorDia;  // 23h 59m 59.96s is the next day's 0h
  if (decimas < 0) decimas += kDecimasPorDia;
  DosCifras(Columna(linea, col::kARHoras), decimas / 36000);
  DosCifras(Columna(linea, col::kARMinutos), decimas / 600 % 60);
  char* segundos = Columna(linea, col::kARSegundos);
  DosCifras(segundos, decimas / 10 % 60);
  segundos[2] = '.';
  segundos[3] = static_cast<char>('0' + decimas % 10);

  const long long arco = std::llround(std::abs(datos.declinacion) * kSegundosArcoPorRadian);
  // The sign of what is written: a declination that rounds to zero is not negative.
  char* grados = Columna(linea, col::kDECGrados);
  grados[0] = datos.declinacion < 0 && arco > 0 ? '-' : '+';
  DosCifras(grados + 1, arco / 3600);
  DosCifras(Columna(linea, col::kDECMinutos), arco / 60 % 60);
  DosCifras(Columna(linea, col::kDECSegundos), arco % 60);

  Magnitud(Columna(linea, col::kMagnitud), datos.magnitud);
  return linea;
}

std::string TextoDiaJuliano(double dia_juliano) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%12.4f", dia_juliano);
  return texto;
}

}  // namespace orbelux::catalogo
