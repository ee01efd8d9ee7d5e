// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/catalogue_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/catalogue_lines.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LineaCatalogo;
using prueba::Posicion;

TEST(ConvertirLinea, ReadsEveryFieldInItsColumns) {
  const RegistroAsteroide r = ConvertirLinea(7, LineaCatalogo("(7) Iris", Posicion{}));
  EXPECT_EQ(r.numero, 7);
  EXPECT_DOUBLE_EQ(r.AR, 5 + 30.0 / 60 + 12.5 / 3600);
  EXPECT_DOUBLE_EQ(r.DEC, 12.5125);
  EXPECT_EQ(r.Mag, 16);
}

TEST(ConvertirLinea, Table) {
  struct Caso {
    const char* nombre;
    std::string linea;
    double AR, DEC;
    int Mag;
  };
  const std::string completa = LineaCatalogo("(1) X", Posicion{});
  const std::vector<Caso> casos = {
      {"short line reads as blanks", completa.substr(0, 39), 5, 0, 0},
      {"blank line", "", 0, 0, 0},
      {"negative degrees cover the minutes",
       LineaCatalogo("x", {.g = "-30", .am = "15", .as = "00"}), 5.503472222222222, -30.25, 16},
      {"negative zero degrees", LineaCatalogo("x", {.g = "-00", .am = "12", .as = "09"}),
       5.503472222222222, -0.2025, 16},
      {"blank sign", LineaCatalogo("x", {.g = " 05", .am = "03", .as = "17"}),
       5.503472222222222, 5 + 3.0 / 60 + 17.0 / 3600, 16},
      {"magnitude ties to even", LineaCatalogo("x", {.mag = " 16.5"}), 5.503472222222222,
       12.5125, 16},
      {"leading zeros", LineaCatalogo("x", {.h = "00", .m = "07", .s = "03.4"}),
       7.0 / 60 + 3.4 / 3600, 12.5125, 16},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const RegistroAsteroide r = ConvertirLinea(1, caso.linea);
    EXPECT_DOUBLE_EQ(r.AR, caso.AR);
    EXPECT_DOUBLE_EQ(r.DEC, caso.DEC);
    EXPECT_EQ(r.Mag, caso.Mag);
  }
}

TEST(ConvertirLinea, AMagnitudeBeyond16BitsOverflows) {
  EXPECT_THROW(ConvertirLinea(1, LineaCatalogo("x", {.mag = "99999"})), Desbordamiento);
  EXPECT_EQ(ConvertirLinea(1, LineaCatalogo("x", {.mag = "-9999"})).Mag, -9999);
}

LimitesFiltro Limites(double ar_min, double ar_max) {
  LimitesFiltro l;
  l.AR_min = ar_min;
  l.AR_max = ar_max;
  if (ar_min > ar_max) {
    l.AR_cruza = true;
    l.AR_max += 24;
  }
  l.DEC_min = -30;
  l.DEC_max = 80;
  l.Num_min = 400;
  l.Num_max = 1400;
  l.Mag_min = 15;
  l.Mag_max = 18;
  return l;
}

RegistroAsteroide Registro(int numero, double ar, double dec = 0, int mag = 16) {
  RegistroAsteroide r;
  r.numero = static_cast<std::int16_t>(numero);
  r.AR = ar;
  r.DEC = dec;
  r.Mag = static_cast<std::int16_t>(mag);
  return r;
}

TEST(ClaveAR, ShiftsRecordsAfterZeroHoursInAWrappedWindow) {
  const LimitesFiltro cruza = Limites(23, 17);
  EXPECT_EQ(ClaveAR(Registro(500, 23.5), cruza), 23.5);
  EXPECT_EQ(ClaveAR(Registro(500, 0.2), cruza), 24.2);
  EXPECT_DOUBLE_EQ(ClaveAR(Registro(500, 16.9), cruza), 40.9);
  EXPECT_EQ(ClaveAR(Registro(500, 0.2), Limites(0, 17)), 0.2);
}

TEST(PasaFiltros, EveryBoundIsStrict) {
  struct Caso {
    const char* nombre;
    RegistroAsteroide registro;
    LimitesFiltro limites;
    bool pasa;
  };
  const LimitesFiltro cruza = Limites(23, 17);
  const LimitesFiltro recta = Limites(2, 10);
  const std::vector<Caso> casos = {
      {"inside", Registro(500, 5), recta, true},
      {"number at lower bound", Registro(400, 5), recta, false},
      {"number just above", Registro(401, 5), recta, true},
      {"number at upper bound", Registro(1400, 5), recta, false},
      {"ra at lower bound", Registro(500, 2), recta, false},
      {"ra at upper bound", Registro(500, 10), recta, false},
      {"dec at lower bound", Registro(500, 5, -30), recta, false},
      {"dec at upper bound", Registro(500, 5, 80), recta, false},
      {"mag at lower bound", Registro(500, 5, 0, 15), recta, false},
      {"mag at upper bound", Registro(500, 5, 0, 18), recta, false},
      {"mag 17", Registro(500, 5, 0, 17), recta, true},
      {"wrap: 23.5h", Registro(500, 23.5), cruza, true},
      {"wrap: 0.2h", Registro(500, 0.2), cruza, true},
      {"wrap: 16.9h", Registro(500, 16.9), cruza, true},
      {"wrap: exactly 17h", Registro(500, 17), cruza, false},
      {"wrap: exactly 23h", Registro(500, 23), cruza, false},
      {"wrap: 20h is outside", Registro(500, 20), cruza, false},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(PasaFiltros(caso.registro, caso.limites), caso.pasa);
  }
}

TEST(LineaLista, CutsTheFieldsWithFixedSeparators) {
  const std::string linea = LineaCatalogo("(433) Eros", Posicion{}, "2461383.5000") + "garbage";
  const auto lista = LineaLista(linea);
  EXPECT_EQ(std::string(lista.begin(), lista.end()),
            "(433) Eros              05 30 12.5  +12 30 45   15.6");
}

TEST(LineaLista, PadsAShortLineToFullWidth) {
  const std::string linea = LineaCatalogo("(1) Ceres", Posicion{}).substr(0, 44);
  const auto lista = LineaLista(linea);
  EXPECT_EQ(std::string(lista.begin(), lista.end()),
            "(1) Ceres               05 30 12                    ");
}

std::array<char, kAnchoLineaLista> Linea(char c) {
  std::array<char, kAnchoLineaLista> linea;
  linea.fill(c);
  return linea;
}

std::string Orden(ListaOrdenada& lista) {
  std::string orden;
  lista.Recorrer([&](std::string_view linea) {
    EXPECT_EQ(linea.size(), 54u);
    EXPECT_EQ(linea.substr(52), "\r\n");
    orden.push_back(linea[0]);
  });
  return orden;
}

TEST(ListaOrdenada, OrdersByKeyAndKeepsCatalogueOrderForEqualKeys) {
  struct Caso {
    const char* nombre;
    std::vector<std::pair<double, char>> entradas;
    std::string orden;
  };
  const std::vector<Caso> casos = {
      {"empty", {}, ""},
      {"first appended", {{5, 'a'}}, "a"},
      {"smaller goes first", {{5, 'a'}, {3, 'b'}}, "ba"},
      {"equal keys in arrival order", {{5, 'a'}, {5, 'b'}, {3, 'c'}, {5, 'd'}}, "cabd"},
      {"wrapped window", {{40.9, 'c'}, {23.5, 'a'}, {24.2, 'b'}}, "abc"},
      {"decreasing", {{4, 'd'}, {3, 'c'}, {2, 'b'}, {1, 'a'}}, "abcd"},
      {"negative zero equals zero", {{0.0, 'a'}, {-0.0, 'b'}}, "ab"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    ListaOrdenada lista;
    for (const auto& [clave, c] : caso.entradas) lista.Insertar(clave, Linea(c));
    EXPECT_EQ(lista.cuenta(), static_cast<int>(caso.entradas.size()));
    EXPECT_EQ(Orden(lista), caso.orden);
  }
}

// std::sort keeps equal keys in order below 16 elements; past that only the tie-break on
// arrival order does.
TEST(ListaOrdenada, MasDeDieciseisClavesIgualesSiguenElOrdenDeLlegada) {
  ListaOrdenada lista;
  std::string esperado_iguales;
  std::string esperado_menores;
  for (int i = 0; i < 60; ++i) {
    const char c = static_cast<char>('0' + i);
    // Equal keys interleaved with smaller ones, so the sort must move them all.
    if (i % 3 == 0) {
      lista.Insertar(1, Linea(c));
      esperado_menores.push_back(c);
    } else {
      lista.Insertar(7, Linea(c));
      esperado_iguales.push_back(c);
    }
  }
  EXPECT_EQ(Orden(lista), esperado_menores + esperado_iguales);
}

TEST(ListaOrdenada, ManyRecordsAcrossStorageBlocks) {
  ListaOrdenada lista;
  const int n = 5000;
  for (int i = 0; i < n; ++i) lista.Insertar(n - i, Linea(static_cast<char>('A' + i % 26)));
  const std::string texto = lista.texto();
  ASSERT_EQ(texto.size(), 54u * n);
  for (int k = 0; k < n; ++k) {
    ASSERT_EQ(texto[54 * k], static_cast<char>('A' + (n - 1 - k) % 26)) << "line " << k;
  }
}

class LeerCatalogoTest : public ::testing::Test {
 protected:
  DiaJuliano Leer(const std::string& contenido, const LimitesFiltro& limites,
                  ListaOrdenada& lista) {
    EscribirArchivo(dir_ / "ast.dat", contenido);
    return LeerCatalogo(dir_ / "ast.dat", limites, lista);
  }
  DirectorioTemporal dir_;
};

TEST_F(LeerCatalogoTest, EmptyCatalogue) {
  ListaOrdenada lista;
  EXPECT_EQ(Leer("", Limites(23, 17), lista), "");
  EXPECT_EQ(lista.cuenta(), 0);
}

TEST_F(LeerCatalogoTest, JulianDayComesFromTheFirstLineEvenWhenItIsNotSelected) {
  ListaOrdenada lista;
  const std::string catalogo =
      LineaCatalogo("(1) Ceres", {}, "2461383.5000") + "\r\n" + LineaCatalogo("(2)", {}, "999");
  EXPECT_EQ(Leer(catalogo, Limites(23, 17), lista), "2461383.5000");
  EXPECT_EQ(lista.cuenta(), 0);
}

TEST_F(LeerCatalogoTest, AnUpperBoundBelowOneReadsNothing) {
  LimitesFiltro limites = Limites(0, 24);
  limites.Num_min = -5;
  limites.Num_max = 0.5;
  ListaOrdenada lista;
  EXPECT_EQ(Leer(LineaCatalogo("(1)", {}, "2461383.5000") + "\r\n", limites, lista), "");
  EXPECT_EQ(lista.cuenta(), 0);
}

std::string Catalogo(int lineas, const Posicion& posicion = {}) {
  std::string catalogo;
  catalogo.reserve(static_cast<std::size_t>(lineas) * 64);
  for (int i = 1; i <= lineas; ++i) {
    catalogo += LineaCatalogo("(" + std::to_string(i) + ")", posicion) + "\r\n";
  }
  return catalogo;
}

TEST_F(LeerCatalogoTest, StopsBeforeTheLineAfterTheUpperBound) {
  // Line 1401 would overflow if it were read; line 1400 is read and rejected.
  const std::string catalogo = Catalogo(1400) + LineaCatalogo("(1401)", {.mag = "99999"}) + "\r\n";
  LimitesFiltro limites = Limites(0, 24);
  limites.Mag_min = 0;
  limites.Num_min = 1398;
  ListaOrdenada lista;
  Leer(catalogo, limites, lista);
  EXPECT_EQ(lista.cuenta(), 1);
  EXPECT_EQ(lista.texto().substr(0, 7), "(1399) ");
}

TEST_F(LeerCatalogoTest, TheLineCounterOverflowsPast32767) {
  struct Caso {
    const char* nombre;
    int lineas;
    double num_max;
    bool desborda;
    int cuenta;
  };
  const std::string grande = Catalogo(32768);
  for (const Caso& caso : {Caso{"32768 lines, bound 32767", 32768, 32767, true, 0},
                           Caso{"32768 lines, bound 1e12", 32768, 1e12, true, 0},
                           Caso{"32768 lines, bound 32766.5", 32768, 32766.5, false, 32366},
                           Caso{"32767 lines, bound 1e12", 32767, 1e12, false, 32367}}) {
    SCOPED_TRACE(caso.nombre);
    LimitesFiltro limites = Limites(0, 24);
    limites.Num_max = caso.num_max;
    ListaOrdenada lista;
    const std::string catalogo = grande.substr(0, static_cast<std::size_t>(caso.lineas) * 64);
    if (caso.desborda) {
      EXPECT_THROW(Leer(catalogo, limites, lista), Desbordamiento);
    } else {
      EXPECT_NO_THROW(Leer(catalogo, limites, lista));
      EXPECT_EQ(lista.cuenta(), caso.cuenta);
    }
  }
}

TEST_F(LeerCatalogoTest, AMagnitudeOverflowCountsOnLinesThatAreNotSelected) {
  const std::string catalogo = Catalogo(3) + LineaCatalogo("(4)", {.mag = "40000"}) + "\r\n";
  ListaOrdenada lista;
  EXPECT_THROW(Leer(catalogo, Limites(0, 24), lista), Desbordamiento);
}

TEST_F(LeerCatalogoTest, AMissingCatalogueIsAReadFailure) {
  ListaOrdenada lista;
  try {
    LeerCatalogo(dir_ / "ast.dat", Limites(0, 24), lista);
    ADD_FAILURE() << "no failure";
  } catch (const FalloArchivo& fallo) {
    EXPECT_EQ(fallo.operacion(), FalloArchivo::Operacion::Lectura);
    EXPECT_EQ(fallo.ruta(), dir_ / "ast.dat");
  }
}

}  // namespace
}  // namespace orbelux
