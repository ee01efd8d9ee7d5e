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

TEST(LeerOpciones, UnaOpcionRepetibleGuardaCadaValorEnSuOrden) {
  std::optional<std::string> elementos;
  std::vector<std::string> mas;
  std::optional<std::string> fecha;
  LeerOpciones({"--elementos", "a", "--fecha", "f", "--elementos=b", "--elementos", "c"},
               {{"--elementos", &elementos, &mas}, {"--fecha", &fecha}});
  EXPECT_EQ(elementos, "a");
  EXPECT_EQ(mas, (std::vector<std::string>{"b", "c"}));
  // Once only: nothing is added.
  std::optional<std::string> una;
  std::vector<std::string> ninguna;
  LeerOpciones({"--elementos", "a"}, {{"--elementos", &una, &ninguna}});
  EXPECT_EQ(una, "a");
  EXPECT_TRUE(ninguna.empty());
  // The others still refuse a second value.
  EXPECT_THROW(LeerOpciones({"--elementos", "a", "--fecha", "f", "--fecha", "g"},
                            {{"--elementos", &elementos, &mas}, {"--fecha", &fecha}}),
               ErrorUso);
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
      {"desconocida", {"--fechas=1"}, "opción desconocida: --fechas=1; ¿quisiste decir --fecha?"},
      {"sin parecido", {"--xyz"}, "opción desconocida: --xyz"},
      {"una letra de menos",
       {"--fech", "x"},
       "opción desconocida: --fech; ¿quisiste decir --fecha?"},
      {"letras cambiadas",
       {"--versoin"},
       "opción desconocida: --versoin; ¿quisiste decir --version?"},
      {"el principio", {"--dos"}, "opción desconocida: --dos; ¿quisiste decir --dos-cuerpos?"},
      {"bandera con valor", {"--dos-cuerpos=1"}, "--dos-cuerpos no lleva valor"},
      {"argumento suelto", {"ast.dat"}, "argumento inesperado: ast.dat"},
      {"guion solo", {"-"}, "opción desconocida: -"},
      {"valor partido",
       {"--fecha", "2022-09-20", "22:00"},
       "argumento inesperado: 22:00; si es parte de --fecha, escriba su valor entre comillas: "
       "--fecha \"2022-09-20 22:00\""},
      {"angulo partido hasta la siguiente opcion",
       {"--jd", "07", "42", "-26", "40", "--dos-cuerpos"},
       "argumento inesperado: 42; si es parte de --jd, escriba su valor entre comillas: --jd "
       "\"07 42 -26 40\""},
      {"partido en un negativo",
       {"--jd", "1", "-26"},
       "argumento inesperado: -26; si es parte de --jd, escriba su valor entre comillas: --jd "
       "\"1 -26\""},
      {"con igual no se parte", {"--jd=1", "2"}, "argumento inesperado: 2"},
      {"suelto tras un valor", {"--fecha", "x", "ast.dat"}, "argumento inesperado: ast.dat"},
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

TEST(IgualSinMayusculas, SoloLasLetrasASCII) {
  EXPECT_TRUE(IgualSinMayusculas("CSV", "csv"));
  EXPECT_TRUE(IgualSinMayusculas("Texto", "texto"));
  EXPECT_FALSE(IgualSinMayusculas("csv ", "csv"));
  EXPECT_FALSE(IgualSinMayusculas("cs", "csv"));
  EXPECT_FALSE(IgualSinMayusculas("[sv", "{sv"));
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
