// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs far larger than any real catalogue or box: memory must stay bounded.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <fstream>
#include <string>

#include "support/catalogue_lines.h"
#include "fake_window.h"
#include "listgen/generation_run.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

using prueba::DirectorioTemporal;
using prueba::LeerArchivo;
using prueba::VentanaFalsa;

long PicoResidenteKiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS uso{};
  GetProcessMemoryInfo(GetCurrentProcess(), &uso, sizeof uso);
  return static_cast<long>(uso.PeakWorkingSetSize / 1024);
#else
  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  return uso.ru_maxrss;
#endif
}

TEST(TamanosHostiles, ALineOf64MiBWithoutLineEndIsReadInBoundedMemory) {
  DirectorioTemporal dir(true);
  {
    // Written in pieces, so that making the file does not raise the peak itself.
    std::ofstream catalogo(dir / "ast.dat", std::ios::binary);
    catalogo << prueba::LineaCatalogo("(1) Larga", {}, "2461383.5000");
    const std::string trozo(1 << 20, 'x');
    for (int i = 0; i < 64; ++i) catalogo << trozo;
  }
  const long antes = PicoResidenteKiB();
  VentanaFalsa ventana;
  ventana.Poner(Caja::txtNumero_min, "0");
  ventana.Poner(Caja::txtARh_min, "0");
  ventana.Poner(Caja::txtARh_max, "24");
  GenerarLista(ventana);
  const long crecimiento_kib = PicoResidenteKiB() - antes;
  EXPECT_TRUE(ventana.avisos.empty());
  EXPECT_LT(crecimiento_kib, 8 * 1024) << "the run held on to the long line";
  EXPECT_NE(LeerArchivo(dir / "Asteroides.txt").find("(1) Larga"), std::string::npos);
}

TEST(TamanosHostiles, BoxTextsOfAMegabyteEach) {
  DirectorioTemporal dir(true);
  prueba::EscribirArchivo(dir / "ast.dat", prueba::LineaCatalogo("(1)", {}) + "\r\n");
  VentanaFalsa ventana;
  const std::string relleno(1 << 20, 'x');
  for (const Caja caja : kCajas) ventana.Poner(caja, ventana.TextoCaja(caja) + relleno);
  ventana.Poner(Caja::txtARs_min, std::string(1 << 20, '9'));  // a real box: infinity
  GenerarLista(ventana);
  EXPECT_TRUE(ventana.avisos.empty());
  const std::string informe = LeerArchivo(dir / "Asteroides.txt");
  EXPECT_GT(informe.size(), 16u << 20);
  EXPECT_NE(informe.find("lista: \t 0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace orbelux
