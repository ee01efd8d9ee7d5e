// SPDX-License-Identifier: GPL-3.0-or-later
// How every console program runs: what reaches its work, and what each kind of failure
// becomes on standard error and in the exit code.
#include "console/program.h"

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/faulty_fs.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace orbelux::consola {
namespace {

using prueba::Ejecucion;

// What the work of the program under test does; set by each test.
std::function<void(const PeticionComun&, const consola::Ejecucion&)> g_trabajo;
std::optional<std::string> g_propia;
bool g_comprobada = false;

int ProgramaDePrueba(const std::vector<std::string>& argumentos, std::ostream& salida,
                     std::ostream& errores, const Entorno& entorno) {
  g_propia.reset();
  g_comprobada = false;
  const Programa programa{"prueba",
                          "Uso: prueba\n",
                          "el resultado",
                          {{"--propia", &g_propia}},
                          {},
                          [] {
                            g_comprobada = true;
                            if (g_propia == "mala") throw ErrorUso("--propia mala: no vale");
                          },
                          [](const PeticionComun& p, const consola::Ejecucion& e) {
                            if (g_trabajo) g_trabajo(p, e);
                          }};
  return EjecutarPrograma(programa, argumentos, salida, errores, entorno);
}

const prueba::ProgramaEnPrueba Ejecutar(ProgramaDePrueba);

TEST(EjecutarPrograma, LasOpcionesComunesLleganAlTrabajo) {
  PeticionComun vista;
  g_trabajo = [&vista](const PeticionComun& p, const consola::Ejecucion&) { vista = p; };
  Ejecucion e = Ejecutar({"--elementos", "e.dat", "--jd", "2459976.75", "--lugar", "10,20",
                          "--dos-cuerpos", "--propia", "x"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(vista.elementos, "e.dat");
  EXPECT_EQ(vista.instante.utc.Total(), 2459976.75);
  ASSERT_TRUE(vista.sitio.has_value());
  EXPECT_EQ(vista.sitio->descripcion, "lon 10.00000, lat +20.00000, 0 m");
  EXPECT_TRUE(vista.dos_cuerpos);
  EXPECT_EQ(g_propia, "x");

  Entorno reloj;
  reloj.reloj = [] { return std::time_t{1663654079}; };  // 2022-09-20 06:07:59 UTC
  e = Ejecutar({"--elementos", "e.dat", "--observatorio", "j86"}, reloj);
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(vista.instante.utc.Total(), 2459842.5 + (6 * 60 + 7) / 1440.0);
  EXPECT_EQ(vista.sitio->sitio.codigo, "J86");
  EXPECT_FALSE(vista.dos_cuerpos);
  g_trabajo = nullptr;
}

// Help, version and a listing answer alone; the program's own checks come before the
// default elements file is looked for, so a wrong command line is a 2 even without it.
TEST(EjecutarPrograma, AyudaVersionYOrden) {
  prueba::DirectorioTemporal dir(true);
  bool trabajo = false;
  g_trabajo = [&trabajo](const PeticionComun&, const consola::Ejecucion&) { trabajo = true; };
  EXPECT_EQ(Ejecutar({"--ayuda", "--propia", "mala"}).salida, "Uso: prueba\n");
  EXPECT_EQ(Ejecutar({"--version"}).salida, TextoVersion("prueba"));
  EXPECT_EQ(Ejecutar({"--observatorio", "buscar:xyzzy"}).codigo, 0);
  EXPECT_FALSE(g_comprobada);
  EXPECT_FALSE(trabajo);
  Ejecucion e = Ejecutar({"--propia", "mala"});
  EXPECT_EQ(e.codigo, 2);
  EXPECT_EQ(e.errores, "prueba: --propia mala: no vale\n(prueba --ayuda muestra el uso)\n");
  e = Ejecutar({});
  EXPECT_TRUE(g_comprobada);
  EXPECT_EQ(e.codigo, 1);
  EXPECT_NE(e.errores.find("no están ni MPCORB.DAT ni MPCORB.DAT.gz"), std::string::npos);
  EXPECT_FALSE(trabajo);
  // The default file is looked for through the seam.
  prueba::EscribirArchivo(dir / "MPCORB.DAT.gz", "");
  prueba::SistemaConAverias averiado(prueba::Averia::Estado);
  Entorno entorno;
  entorno.sistema = &averiado;
  e = Ejecutar({}, entorno);
  EXPECT_EQ(e.codigo, 1);
  EXPECT_EQ(e.errores, "prueba: MPCORB.DAT: averia provocada; no se ha escrito nada\n");
  e = Ejecutar({});
  EXPECT_EQ(e.codigo, 0) << e.errores;
  EXPECT_TRUE(trabajo);
  g_trabajo = nullptr;
}

TEST(EjecutarPrograma, CadaFalloSuMensajeYSuCodigo) {
  struct Caso {
    const char* nombre;
    std::function<void()> lanzar;
    int codigo;
    const char* errores;
  };
  const Caso casos[] = {
      {"nada", [] {}, 0, ""},
      {"uso", [] { throw ErrorUso("--x: mal"); }, 2,
       "prueba: --x: mal\n(prueba --ayuda muestra el uso)\n"},
      {"lectura",
       [] { throw FalloArchivo(FalloArchivo::Operacion::Lectura, "e.dat", "sin permiso"); }, 1,
       "prueba: no se pueden leer los elementos: e.dat: sin permiso\n"},
      {"escritura",
       [] { throw FalloArchivo(FalloArchivo::Operacion::Escritura, "r.txt", "disco lleno"); }, 1,
       "prueba: no se puede escribir el resultado: r.txt: disco lleno\n"},
      {"salida estandar", [] { throw ErrorSalidaEstandar("no se puede escribir x"); }, 1,
       "prueba: no se puede escribir x\n"},
      {"cualquier otro", [] { throw std::runtime_error("e.dat, línea 3: mal"); }, 1,
       "prueba: e.dat, línea 3: mal; no se ha escrito nada\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    g_trabajo = [&c](const PeticionComun&, const consola::Ejecucion&) { c.lanzar(); };
    const Ejecucion e = Ejecutar({"--elementos", "e.dat"});
    EXPECT_EQ(e.codigo, c.codigo);
    EXPECT_EQ(e.errores, c.errores);
  }
  g_trabajo = nullptr;
}

TEST(AvisarDeEpocasLejanas, MasDeUnoDeCadaDiezYEnSuNumero) {
  struct Caso {
    std::uint64_t lejanos;
    std::uint64_t total;
    const char* aviso;  // after "prueba: aviso: "; empty: none
  };
  const char* kResto = " elementos de una época a más de 200 días de la fecha; ";
  const Caso casos[] = {
      {1, 1, "el asteroide tiene"},
      {1, 5, "1 de 5 asteroides tiene"},
      {3, 5, "3 de 5 asteroides tienen"},
      {227, 227, "227 de 227 asteroides tienen"},
      {1, 10, ""},
      {23, 227, "23 de 227 asteroides tienen"},
      {22, 227, ""},
      {0, 0, ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::to_string(c.lejanos) + " de " + std::to_string(c.total));
    std::ostringstream salida;
    std::ostringstream errores;
    const Entorno entorno;
    AvisarDeEpocasLejanas({"prueba", "el resultado", salida, errores, entorno}, c.lejanos, c.total,
                          200, "asteroide");
    if (*c.aviso == '\0') {
      EXPECT_EQ(errores.str(), "");
      continue;
    }
    const std::string uno = c.lejanos == 1 ? "su posición puede" : "sus posiciones pueden";
    EXPECT_EQ(errores.str(), std::string("prueba: aviso: ") + c.aviso + kResto + uno +
                                 " desviarse minutos de arco (el movimiento de dos cuerpos no "
                                 "tiene en cuenta los planetas)\n");
  }
}

}  // namespace
}  // namespace orbelux::consola
