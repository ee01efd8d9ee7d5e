// SPDX-License-Identifier: GPL-3.0-or-later
// The same field on every system: the CSV that the Linux build writes for the README's
// instant from J86, against what this build writes. Every row and every text the same; every
// number the same within one unit of its last printed digit (the C libraries' last bits
// differ between systems).
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "field/command_line.h"
#include "support/cells.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

using prueba::Celdas;
using prueba::MismaCelda;

TEST(MismoCampo, UnaCeldaDifiereComoMuchoEnSuUltimaCifra) {
  const struct {
    const char* aqui;
    const char* alli;
    bool misma;
  } casos[] = {
      {"196.8477340", "196.8477340", true},
      {"196.8477341", "196.8477340", true},
      {"196.8477339", "196.8477340", true},
      {"196.8477342", "196.8477340", false},
      {"-0.1945", "-0.1946", true},
      {"0.10", "-0.10", false},
      {"1.0", "1.00", false},
      {"(86) Semele", "(87) Sylvia", false},
      {"9.99", "10.00", false},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(std::string(caso.aqui) + " / " + caso.alli);
    EXPECT_EQ(MismaCelda(caso.aqui, caso.alli), caso.misma);
  }
}

TEST(MismoCampo, ElCSVDeLinuxCifraACifra) {
  std::ostringstream salida;
  std::ostringstream errores;
  const int codigo =
      ProgramaCampo({"--elementos", ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat", "--fecha",
                     "2026-12-07T22:30+01:00", "--observatorio", "J86", "--centro",
                     "12 30 00 -05 00 00", "--radio", "600", "--formato", "csv"},
                    salida, errores);
  ASSERT_EQ(codigo, 0) << errores.str();
  const auto aqui = Celdas(salida.str());
  const auto linux =
      Celdas(prueba::LeerArchivo(ORBELUX_TEST_DATA_DIR "/field/campo_j86_2026-12-07T2230.csv"));
  ASSERT_EQ(aqui.size(), linux.size());
  ASSERT_GT(linux.size(), 10u);
  int distintas = 0;
  for (std::size_t i = 0; i < linux.size(); ++i) {
    ASSERT_EQ(aqui[i].size(), linux[i].size()) << "row " << i;
    for (std::size_t j = 0; j < linux[i].size(); ++j) {
      EXPECT_TRUE(MismaCelda(aqui[i][j], linux[i][j]))
          << "row " << i << ", column " << linux[0][j] << ": " << aqui[i][j] << " against "
          << linux[i][j] << " on Linux";
      if (aqui[i][j] != linux[i][j]) ++distintas;
    }
  }
  RecordProperty("celdas_en_la_ultima_cifra", distintas);
}

}  // namespace
}  // namespace orbelux::campo
