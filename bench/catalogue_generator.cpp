// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue_generator.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace orbelux::banco {

namespace {

// One 62-column line and its CR LF; `decimas` are tenths of a second of right ascension.
void Anadir(std::string& salida, int numero, long decimas, int dec_segundos, double magnitud) {
  const int h = static_cast<int>(decimas / 36000);
  const int m = static_cast<int>(decimas / 600 % 60);
  const double s = static_cast<double>(decimas % 600) / 10.0;
  const char signo = dec_segundos < 0 ? '-' : '+';
  const int d = std::abs(dec_segundos);
  char identificacion[32];
  std::snprintf(identificacion, sizeof identificacion, "(%d) Banco", numero);
  char linea[80];
  std::snprintf(linea, sizeof linea, "%-23.23s%-12s %02d %02d %04.1f %c%02d %02d %02d %5.1f\r\n",
                identificacion, numero == 1 ? "2461383.5000" : "", h, m, s, signo, d / 3600,
                d / 60 % 60, d % 60, magnitud);
  salida += linea;
}

}  // namespace

std::string CatalogoRealista(int lineas, std::uint32_t semilla) {
  std::mt19937 azar(semilla);
  std::uniform_int_distribution<long> ar(0, 863999);
  std::uniform_real_distribution<double> seno(-1.0, 1.0);
  std::uniform_real_distribution<double> magnitud(8.0, 20.0);
  std::string salida;
  salida.reserve(static_cast<std::size_t>(lineas) * 64);
  for (int i = 1; i <= lineas; ++i) {
    // Uniform over the sphere: the sine of the declination is uniform.
    const int dec = static_cast<int>(std::asin(seno(azar)) * 180.0 / M_PI * 3600.0);
    Anadir(salida, i, ar(azar), dec, magnitud(azar));
  }
  return salida;
}

std::string CatalogoPeorCaso(int lineas) {
  std::string salida;
  salida.reserve(static_cast<std::size_t>(lineas) * 64);
  for (int i = 1; i <= lineas; ++i) {
    Anadir(salida, i, 863999 - 26L * (i - 1), (i % 300) * 1000 - 150000, 15.0);
  }
  return salida;
}

}  // namespace orbelux::banco
