// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/windows1252.h"

#include <gtest/gtest.h>

namespace orbelux {
namespace {

TEST(Utf8AWindows1252, Table) {
  struct Caso {
    const char* nombre;
    std::string utf8;
    std::string esperado;
  };
  const Caso casos[] = {
      {"ascii", "+80 abc", "+80 abc"},
      {"latin-1 range", "º ñ é ÿ", "\xBA \xF1 \xE9 \xFF"},
      {"no-break space and the ends of the range", "a\u00A0b ¡ ÿ",
       "a\xA0"
       "b \xA1 \xFF"},
      {"the 0x80 block", "€ ‚ ƒ … ‰ Š Œ Ž ‘ ’ “ ” • – — ˜ ™ š œ ž Ÿ",
       "\x80 \x82 \x83 \x85 \x89 \x8A \x8C \x8E \x91 \x92 \x93 \x94 \x95 \x96 \x97 \x98 \x99 "
       "\x9A \x9C \x9E \x9F"},
      {"missing characters", "漢 😀 Ā", "? ? ?"},
      {"C1 controls are missing", "\xC2\x81", "?"},
      {"line ends", "a\rb\nc\r\n", "a?b?c??"},
      {"tab and nul stay", std::string("a\tb\0", 4), std::string("a\tb\0", 4)},
      {"malformed bytes", "\xFF\xC3", "??"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"surrogate", "\xED\xA0\x80", "???"},
      {"truncated sequence", "\xE2\x82", "??"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(Utf8AWindows1252(caso.utf8), caso.esperado);
  }
}

}  // namespace
}  // namespace orbelux
