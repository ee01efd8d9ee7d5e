// SPDX-License-Identifier: GPL-3.0-or-later
// A target with a planted fault, built only so that CI can show that tools/fuzz.sh fails
// when a target finds one. It has no seed corpus, so fuzz.sh never runs it by default.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
  // Any input that starts with 'F': libFuzzer's first random inputs hit it in well under
  // a second.
  if (tamano >= 1 && datos[0] == 'F') {
    std::fprintf(stderr, "fallo plantado para la comprobación de CI\n");
    std::abort();
  }
  return 0;
}
