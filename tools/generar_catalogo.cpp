// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a sample catalogue "ast.dat" in the program's fixed columns: one line per numbered
// asteroid, made-up names and provisional designations, positions for one date spread over
// the whole sky (most near the ecliptic, as real ones are), magnitudes from about 8 to 20,
// fainter as the numbers grow. The sequence is fixed, so the file is the same on every run.
// Usage: orbelux_generar_catalogo <output file> [lines, 5000 by default]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <string_view>

#include "listgen/catalogue_format.h"

namespace {

namespace col = orbelux::columnas;

// The Julian day of the positions: 2026-12-14 at 0h.
constexpr std::string_view kDiaJuliano = "2461388.5000";
// Obliquity of the ecliptic, degrees.
constexpr double kOblicuidad = 23.4393;

class Azar {
 public:
  explicit Azar(std::uint64_t semilla) : estado_(semilla) {}
  // splitmix64: small, and the same numbers on every platform.
  std::uint64_t Siguiente() {
    std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniforme() { return static_cast<double>(Siguiente() >> 11) / 9007199254740992.0; }
  int Entero(int desde, int hasta) {
    return desde + static_cast<int>(Siguiente() % static_cast<std::uint64_t>(hasta - desde + 1));
  }
  double Normal() {
    const double u = 1.0 - Uniforme();
    return std::sqrt(-2 * std::log(u)) * std::cos(2 * std::numbers::pi * Uniforme());
  }

 private:
  std::uint64_t estado_;
};

std::string Nombre(Azar& azar) {
  static constexpr std::string_view kIniciales[] = {"a", "e", "i", "o", "al", "an", "el", "or"};
  static constexpr std::string_view kSilabas[] = {
      "ba", "be",  "ca",  "ce",  "da",  "de",  "do",  "fe",  "ga",  "gi",  "la",  "le", "li",
      "lo", "lu",  "ma",  "me",  "mi",  "mo",  "na",  "ne",  "ni",  "no",  "pa",  "ra", "re",
      "ri", "ro",  "sa",  "se",  "si",  "ta",  "te",  "ti",  "to",  "va",  "ve",  "vi", "za",
      "zo", "bel", "dor", "lan", "mar", "nor", "ran", "sel", "tor", "ver", "cas", "gus"};
  static constexpr std::string_view kFinales[] = {"a",   "ia", "ina", "ella", "us", "o",
                                                  "ana", "ea", "is",  "ara",  "on", "ena"};
  std::string nombre;
  if (azar.Uniforme() < 0.3) nombre += kIniciales[azar.Siguiente() % std::size(kIniciales)];
  const int silabas = azar.Entero(1, 2);
  for (int i = 0; i < silabas; ++i) nombre += kSilabas[azar.Siguiente() % std::size(kSilabas)];
  // The ending replaces the last vowel: "Marina", not "Maraina".
  if (const char ultima = nombre.back();
      std::string_view("aeiou").find(ultima) != std::string_view::npos) {
    nombre.pop_back();
  }
  nombre += kFinales[azar.Siguiente() % std::size(kFinales)];
  if (nombre.size() < 4) return Nombre(azar);
  nombre[0] = static_cast<char>(nombre[0] - 'a' + 'A');
  return nombre;
}

// A provisional designation such as "1985 RT3": year, half-month letter, order letter, cycle.
std::string Designacion(Azar& azar) {
  static constexpr std::string_view kLetras = "ABCDEFGHJKLMNOPQRSTUVWXYZ";
  std::string texto = std::to_string(azar.Entero(1925, 2019)) + " ";
  texto += kLetras[azar.Siguiente() % (kLetras.size() - 1)];  // no Z for the half month
  texto += kLetras[azar.Siguiente() % kLetras.size()];
  if (const int ciclo = azar.Entero(0, 60); ciclo > 0) texto += std::to_string(ciclo);
  return texto;
}

void Poner(std::string& linea, col::Campo campo, std::string_view texto) {
  if (texto.size() > campo.ancho) {
    std::fprintf(stderr, "campo demasiado ancho: \"%.*s\"\n", static_cast<int>(texto.size()),
                 texto.data());
    std::exit(1);
  }
  // Text fields are left-aligned, numbers come already padded to their width.
  linea.replace(campo.inicio - 1, texto.size(), texto);
}

std::string Formato(const char* formato, auto... valores) {
  char texto[32];
  std::snprintf(texto, sizeof texto, formato, valores...);
  return texto;
}

std::string Linea(int numero, Azar& azar) {
  std::string linea(col::kAnchoLinea, ' ');
  const bool con_nombre = numero < 3000 ? azar.Uniforme() < 0.85 : azar.Uniforme() < 0.45;
  const std::string nombre = con_nombre ? Nombre(azar) : Designacion(azar);
  Poner(linea, col::kIdentificacion, "(" + std::to_string(numero) + ") " + nombre);
  if (numero == 1) Poner(linea, col::kDiaJuliano, kDiaJuliano);

  // Ecliptic longitude anywhere; latitude mostly within some 15 degrees of the ecliptic,
  // a few anywhere on the sphere.
  constexpr double kGrado = std::numbers::pi / 180;
  const double lambda = azar.Uniforme() * 360 * kGrado;
  const double beta = azar.Uniforme() < 0.85 ? std::clamp(azar.Normal() * 9.0, -80.0, 80.0) * kGrado
                                             : std::asin(2 * azar.Uniforme() - 1);
  const double e = kOblicuidad * kGrado;
  const double dec =
      std::asin(std::sin(beta) * std::cos(e) + std::cos(beta) * std::sin(e) * std::sin(lambda));
  double ar =
      std::atan2(std::sin(lambda) * std::cos(e) - std::tan(beta) * std::sin(e), std::cos(lambda));
  if (ar < 0) ar += 2 * std::numbers::pi;

  // Right ascension in tenths of a second of time, declination in whole arcseconds.
  const long decimas = std::lround(ar / (2 * std::numbers::pi) * 864000) % 864000;
  Poner(linea, col::kARHoras, Formato("%02ld", decimas / 36000));
  Poner(linea, col::kARMinutos, Formato("%02ld", decimas / 600 % 60));
  Poner(linea, col::kARSegundos, Formato("%02ld.%ld", decimas / 10 % 60, decimas % 10));
  const long segundos_arco = std::lround(std::abs(dec) / kGrado * 3600);
  Poner(linea, col::kDECGrados, Formato("%c%02ld", dec < 0 ? '-' : '+', segundos_arco / 3600));
  Poner(linea, col::kDECMinutos, Formato("%02ld", segundos_arco / 60 % 60));
  Poner(linea, col::kDECSegundos, Formato("%02ld", segundos_arco % 60));

  // Brighter for low numbers (the large, early discoveries); some are far from opposition.
  double magnitud = 6.6 + 2.3 * std::log10(numero) + azar.Normal() * 1.1;
  if (azar.Uniforme() < 0.06) magnitud += 1.5 + 2.5 * azar.Uniforme();
  magnitud = std::clamp(magnitud, 8.0 + 0.6 * azar.Uniforme(), 20.0);
  Poner(linea, col::kMagnitud, Formato("%5.1f", magnitud));
  return linea;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "uso: %s <archivo de salida> [lineas]\n", argv[0]);
    return 2;
  }
  const int lineas = argc == 3 ? std::atoi(argv[2]) : 5000;
  if (lineas < 1 || lineas > 32767) {
    std::fprintf(stderr, "lineas: de 1 a 32767\n");
    return 2;
  }
  std::ofstream salida(argv[1], std::ios::binary | std::ios::trunc);
  Azar azar(0x6F7262656C7578ull);
  for (int numero = 1; numero <= lineas; ++numero) salida << Linea(numero, azar) << "\r\n";
  salida.close();
  if (!salida) {
    std::fprintf(stderr, "no se puede escribir %s\n", argv[1]);
    return 1;
  }
  return 0;
}
