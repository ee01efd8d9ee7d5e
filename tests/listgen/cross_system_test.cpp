// SPDX-License-Identifier: GPL-3.0-or-later
// The same report on every system: the list made from the README's catalogue (J86,
// 2026-12-07T22:30+01:00) for the same boxes is byte for byte what the Linux build makes,
// Windows-1252 and CR LF included. On a difference the report made here is left beside the
// test program, named as the expected one with ".obtenido".
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fake_window.h"
#include "listgen/generation_run.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;

struct CasoInforme {
  const char* esperado;  // in tests/data/listgen
  const char* cajas[kNumCajas];
};

TEST(MismoInforme, ElDeLinuxByteAByte) {
  const CasoInforme casos[] = {
      {"asteroides_todo_el_cielo.txt",
       {"0", "00", "00", "24", "00", "00", "-90", "00", "00", "+90", "00", "00", "0", "228", "5",
        "18"}},
      {"asteroides_campo_del_readme.txt",
       {"06", "00", "00", "09", "00", "00", "+10", "00", "00", "+40", "00", "00", "0", "228", "5",
        "15"}},
  };
  const fs::path aqui = fs::current_path();
  for (const CasoInforme& caso : casos) {
    SCOPED_TRACE(caso.esperado);
    std::string informe;
    {
      prueba::DirectorioTemporal dir(true);
      fs::copy_file(ORBELUX_TEST_DATA_DIR "/catalogue/j86_2026-12-07T2230.dat", dir / "ast.dat");
      prueba::VentanaFalsa ventana;
      for (std::size_t i = 0; i < kNumCajas; ++i) ventana.Poner(kCajas[i], caso.cajas[i]);
      GenerarLista(ventana);
      EXPECT_TRUE(ventana.avisos.empty());
      informe = prueba::LeerArchivo(dir / "Asteroides.txt");
    }
    const fs::path ruta = fs::path(ORBELUX_TEST_DATA_DIR "/listgen") / caso.esperado;
    const std::string esperado = fs::exists(ruta) ? prueba::LeerArchivo(ruta) : std::string();
    EXPECT_EQ(informe, esperado);
    if (informe != esperado) {
      prueba::EscribirArchivo(aqui / (std::string(caso.esperado) + ".obtenido"), informe);
    }
  }
}

}  // namespace
}  // namespace orbelux
