// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/options.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orbelux::consola {
namespace {

struct Leidas {
  std::optional<std::string> fecha;
  std::optional<std::string> jd;
  bool dos_cuerpos = false;
  PeticionesComunes comunes;
};

Leidas Leer(const std::vector<std::string>& argumentos) {
  Leidas l;
  l.comunes = LeerOpciones(argumentos, {{"--fecha", &l.fecha}, {"--jd", &l.jd}},
                           {{"--dos-cuerpos", &l.dos_cuerpos}});
  return l;
}

struct CasoOpciones {
  const char* nombre;
  std::vector<std::string> argumentos;
  std::optional<std::string> fecha;
  std::optional<std::string> jd;
  bool dos_cuerpos;
  bool ayuda;
  bool version;
};

TEST(LeerOpciones, Tabla) {
  const CasoOpciones casos[] = {
      {"nada", {}, std::nullopt, std::nullopt, false, false, false},
      {"valor aparte", {"--fecha", "2022-09-20"}, "2022-09-20", std::nullopt, false, false, false},
      {"valor con igual", {"--jd=2459842.5"}, std::nullopt, "2459842.5", false, false, false},
      {"valor vacio", {"--fecha="}, "", std::nullopt, false, false, false},
      {"el valor puede parecer una opcion",
       {"--fecha", "--jd"},
       "--jd",
       std::nullopt,
       false,
       false,
       false},
      {"bandera repetida",
       {"--dos-cuerpos", "--dos-cuerpos"},
       std::nullopt,
       std::nullopt,
       true,
       false,
       false},
      {"-h", {"-h"}, std::nullopt, std::nullopt, false, true, false},
      {"--ayuda", {"--ayuda"}, std::nullopt, std::nullopt, false, true, false},
      {"--help", {"--help"}, std::nullopt, std::nullopt, false, true, false},
      {"--version", {"--jd", "1", "--version"}, std::nullopt, "1", false, false, true},
  };
  for (const CasoOpciones& c : casos) {
    SCOPED_TRACE(c.nombre);
    const Leidas l = Leer(c.argumentos);
    EXPECT_EQ(l.fecha, c.fecha);
    EXPECT_EQ(l.jd, c.jd);
    EXPECT_EQ(l.dos_cuerpos, c.dos_cuerpos);
    EXPECT_EQ(l.comunes.ayuda, c.ayuda);
    EXPECT_EQ(l.comunes.version, c.version);
  }
}

TEST(LeerOpciones, Errores) {
  struct Caso {
    const char* nombre;
    std::vector<std::string> argumentos;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"sin valor", {"--fecha"}, "falta el valor de --fecha"},
      {"repetida", {"--fecha", "a", "--fecha=b"}, "--fecha aparece más de una vez"},
      {"desconocida", {"--fechas=1"}, "opción desconocida: --fechas=1"},
      {"bandera con valor", {"--dos-cuerpos=1"}, "opción desconocida: --dos-cuerpos=1"},
      {"argumento suelto", {"ast.dat"}, "argumento inesperado: ast.dat"},
      {"guion solo", {"-"}, "opción desconocida: -"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    try {
      Leer(c.argumentos);
      ADD_FAILURE() << "accepted";
    } catch (const ErrorUso& e) {
      EXPECT_STREQ(e.what(), c.mensaje);
    }
  }
}

TEST(EscribirErrorUso, ElMensajeYLaPistaDeLaAyuda) {
  std::ostringstream errores;
  EscribirErrorUso(errores, "orbelux-campo", ErrorUso("opción desconocida: -x"));
  EXPECT_EQ(errores.str(),
            "orbelux-campo: opción desconocida: -x\n(orbelux-campo --ayuda muestra el uso)\n");
}

TEST(TextoVersion, ProgramaYVersion) {
  const std::string texto = TextoVersion("orbelux-campo");
  EXPECT_EQ(texto.rfind("orbelux-campo ", 0), 0u);
  EXPECT_EQ(texto.back(), '\n');
  EXPECT_GT(texto.size(), std::string("orbelux-campo \n").size());
}

}  // namespace
}  // namespace orbelux::consola
