// SPDX-License-Identifier: GPL-3.0-or-later
// --fecha and --jd on arbitrary text: a usage error or an instant that prints as a date of
// the years 1000 to 9999, with second 60 only where a leap second ends the day.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/dates.h"
#include "console/options.h"

namespace {

using namespace orbelux;

[[noreturn]] void Romper(const char* que, const std::string& texto) {
  std::fprintf(stderr, "%s for \"%s\"\n", que, texto.c_str());
  std::abort();
}

void Comprobar(const efemerides::Instante& instante, const std::string& texto) {
  const efemerides::FechaCalendario f = efemerides::CalendarioUTC(instante);
  if (f.anio < 1000 || f.anio > 9999) Romper("year out of range", texto);
  if (f.segundo == 60 && !(f.hora == 23 && f.minuto == 59 &&
                           efemerides::TieneSegundoIntercalar(f.anio, f.mes, f.dia))) {
    Romper("second 60 off a leap second", texto);
  }
  if (consola::TextoFecha(instante).size() != 23) Romper("printed date width", texto);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  const std::string texto(reinterpret_cast<const char*>(datos), n);
  try {
    Comprobar(consola::InstanteDeFecha(texto), texto);
  } catch (const consola::ErrorUso&) {
  }
  try {
    Comprobar(consola::InstanteDeDiaJuliano(texto), texto);
  } catch (const consola::ErrorUso&) {
  }
  return 0;
}
