// SPDX-License-Identifier: GPL-3.0-or-later
// The text and number conversions against slow, obviously correct models.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "listgen/filter_settings.h"

namespace {

using namespace orbelux;

[[noreturn]] void Romper(const char* que, const std::string& texto) {
  std::fprintf(stderr, "mismatch in %s for text of %zu bytes\n", que, texto.size());
  std::abort();
}

// Blanks dropped everywhere, then sign, digits and one point, handed to strtod
// (this process never leaves the "C" locale).
double ModeloValNumerico(const std::string& texto) {
  std::string limpio;
  for (char c : texto) {
    if (c != ' ' && c != '\t') limpio.push_back(c);
  }
  std::string numero;
  std::size_t i = 0;
  if (i < limpio.size() && (limpio[i] == '+' || limpio[i] == '-')) numero.push_back(limpio[i++]);
  bool punto = false;
  bool digitos = false;
  for (; i < limpio.size(); ++i) {
    const char c = limpio[i];
    if (c >= '0' && c <= '9') {
      digitos = true;
      numero.push_back(c);
    } else if (c == '.' && !punto) {
      punto = true;
      numero.push_back(c);
    } else {
      break;
    }
  }
  if (!digitos) return 0.0;
  return std::strtod(numero.c_str(), nullptr);
}

// Nearest integer with ties to even, by exact comparisons on the value's halves.
std::optional<long long> ModeloRedondeo(double valor, long long minimo, long long maximo) {
  if (std::isnan(valor) || valor < static_cast<double>(minimo) - 1.0 ||
      valor > static_cast<double>(maximo) + 1.0) {
    return std::nullopt;
  }
  const long double abajo = std::floor(static_cast<long double>(valor));
  const long double resto = static_cast<long double>(valor) - abajo;
  long long r = static_cast<long long>(abajo);
  if (resto > 0.5L || (resto == 0.5L && (r % 2 != 0))) ++r;
  if (r < minimo || r > maximo) return std::nullopt;
  return r;
}

template <typename F>
std::optional<long long> Intentar(F&& f) {
  try {
    return static_cast<long long>(f());
  } catch (const Desbordamiento&) {
    return std::nullopt;
  }
}

void ComprobarRedondeos(double valor, const std::string& texto) {
  if (Intentar([&] { return EnteroCorto(valor); }) != ModeloRedondeo(valor, -32768, 32767)) {
    Romper("EnteroCorto", texto);
  }
  if (Intentar([&] { return EnteroLargo(valor); }) !=
      ModeloRedondeo(valor, -2147483648LL, 2147483647LL)) {
    Romper("EnteroLargo", texto);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
  FuzzedDataProvider entrada(datos, tamano);
  const double crudo = entrada.ConsumeFloatingPoint<double>();
  const std::size_t inicio = entrada.ConsumeIntegralInRange<std::size_t>(0, 80);
  const std::size_t longitud = entrada.ConsumeIntegralInRange<std::size_t>(0, 80);
  const bool con_longitud = entrada.ConsumeBool();
  const std::string texto = entrada.ConsumeRemainingBytesAsString();

  const double valor = ValNumerico(texto);
  const double modelo = ModeloValNumerico(texto);
  if (std::memcmp(&valor, &modelo, sizeof valor) != 0) Romper("ValNumerico", texto);

  ComprobarRedondeos(valor, texto);
  ComprobarRedondeos(crudo, texto);

  std::string esperado;
  for (std::size_t k = inicio; k >= 1 && k <= texto.size(); ++k) {
    if (con_longitud && esperado.size() == longitud) break;
    esperado.push_back(texto[k - 1]);
  }
  const std::string_view extraido =
      con_longitud ? ExtraerTexto(texto, inicio, longitud) : ExtraerTexto(texto, inicio);
  if (extraido != esperado) Romper("ExtraerTexto", texto);
  return 0;
}
