// SPDX-License-Identifier: GPL-3.0-or-later
// --centro and one angle on arbitrary text: an error that names the option and the value, or
// a finite angle; a centre always on the sphere.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/angles.h"

namespace {

using namespace orbelux;

[[noreturn]] void Romper(const char* que, const std::string& texto) {
  std::fprintf(stderr, "%s for \"%s\"\n", que, texto.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  const std::string texto(reinterpret_cast<const char*>(datos), n);
  try {
    const consola::Centro c = consola::LeerCentro(texto);
    if (!(c.ar >= 0 && c.ar < 360)) Romper("right ascension off [0, 360)", texto);
    if (!(std::abs(c.dec) <= 90)) Romper("declination off [-90, 90]", texto);
  } catch (const consola::ErrorUso& e) {
    // what() ends at a NUL, which no real argument holds.
    const std::string inicio = "--centro " + texto + ": ";
    if (std::string(e.what()) != inicio.substr(0, inicio.find('\0')) &&
        std::string(e.what()).rfind(inicio, 0) != 0) {
      Romper("message without the option and its value", texto);
    }
  }
  try {
    if (!std::isfinite(consola::LeerAngulo(texto).valor)) Romper("angle not finite", texto);
  } catch (const consola::ErrorAngulo&) {
  }
  return 0;
}
