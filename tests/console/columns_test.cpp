// SPDX-License-Identifier: GPL-3.0-or-later
// The numbers every table prints: rounding as printf rounds, no sign on nothing, and the
// sexagesimal places carried over at the top of their range.
#include "console/columns.h"

#include <gtest/gtest.h>

namespace orbelux::consola {
namespace {

TEST(Columnas, FijoRedondeaComoPrintfYSinSignoEnCero) {
  struct Caso {
    double valor;
    int decimales;
    const char* texto;
  };
  const Caso casos[] = {
      {1.0 / 3, 2, "0.33"},
      {0.125, 2, "0.12"},  // exactly half: to even, as printf
      {2.675, 2, "2.67"},  // just under half in binary
      {-1.5, 0, "-2"},
      {-0.004, 2, "0.00"},
      {-0.0, 3, "0.000"},
      {-0.006, 2, "-0.01"},
      {359.99999996, 7, "360.0000000"},
      {1e20, 1, "100000000000000000000.0"},
  };
  for (const Caso& c : casos) EXPECT_EQ(Fijo(c.valor, c.decimales), c.texto) << c.valor;
}

TEST(Columnas, SexagesimalLlevaAlRedondear) {
  EXPECT_EQ(TextoAscensionRecta(359.9999999), "00 00 00.00");
  EXPECT_EQ(TextoAscensionRecta(-15), "23 00 00.00");
  EXPECT_EQ(TextoAscensionRecta(187.5), "12 30 00.00");
  EXPECT_EQ(TextoDeclinacion(-0.00001), "+00 00 00.0");
  EXPECT_EQ(TextoDeclinacion(-26.999999), "-27 00 00.0");
  EXPECT_EQ(TextoDeclinacion(45.5), "+45 30 00.0");
}

}  // namespace
}  // namespace orbelux::consola
