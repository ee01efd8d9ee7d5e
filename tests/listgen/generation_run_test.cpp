// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/generation_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/catalogue_lines.h"
#include "fake_window.h"
#include "support/faulty_fs.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;
using prueba::Averia;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::LineaCatalogo;
using prueba::Posicion;
using prueba::SistemaConAverias;
using prueba::VentanaFalsa;

const std::string kCabeceraPorDefecto =
    "Dia juliano: \t 2461383.5000\r\n"
    "A.R. inicial: \t 23h 00m 00s \r\n"
    "A.R. final: \t 17h 00m 00s \r\n"
    "DEC. min.: \t-30\xBA 00' 00'' \r\n"
    "DEC. max.: \t+80\xBA 00' 00'' \r\n"
    "Mag. min.: \t 15\tMag. max.:\t18\r\n"
    "Num. min.: \t 400\tNum. max.: \t1400\r\n"
    "N\xBA asteroides seleccionados en esta lista: \t";

TEST(CabeceraInforme, ByteForByte) {
  VentanaFalsa ventana;
  EXPECT_EQ(CabeceraInforme(ventana.campos, "2461383.5000", 0),
            kCabeceraPorDefecto + " 0\r\n\r\n");
  EXPECT_EQ(CabeceraInforme(ventana.campos, "2461383.5000", 32767),
            kCabeceraPorDefecto + " 32767\r\n\r\n");
}

TEST(CabeceraInforme, BoxTextsAreWrittenInWindows1252) {
  VentanaFalsa ventana;
  ventana.Poner(Caja::txtARh_min, "€5");
  ventana.Poner(Caja::txtMag_max, "漢\n");
  const std::string cabecera = CabeceraInforme(ventana.campos, "", 0);
  EXPECT_NE(cabecera.find("A.R. inicial: \t \x80" "5h "), std::string::npos);
  EXPECT_NE(cabecera.find("Mag. max.:\t??\r\n"), std::string::npos);
}

// A catalogue whose lines 401 to 1399 hold the given positions, numbered as lines.
struct Asteroide {
  int numero;
  Posicion posicion;
};

std::string CatalogoCon(const std::vector<Asteroide>& asteroides, int lineas = 1500,
                        std::string_view fin = "\r\n") {
  std::vector<std::string> texto(static_cast<std::size_t>(lineas));
  for (int i = 1; i <= lineas; ++i) {
    texto[static_cast<std::size_t>(i - 1)] =
        LineaCatalogo("(" + std::to_string(i) + ") Fondo", {.h = "20"}, i == 1 ? "2461383.5000" : "");
  }
  for (const auto& a : asteroides) {
    texto[static_cast<std::size_t>(a.numero - 1)] =
        LineaCatalogo("(" + std::to_string(a.numero) + ") Elegido", a.posicion);
  }
  std::string catalogo;
  for (const auto& linea : texto) catalogo += linea + std::string(fin);
  return catalogo;
}

class GenerarListaTest : public ::testing::Test {
 protected:
  std::string Informe() const { return LeerArchivo(dir_ / "Asteroides.txt"); }
  bool HayInforme() const { return fs::exists(dir_ / "Asteroides.txt"); }
  void Catalogo(const std::string& contenido) { EscribirArchivo(dir_ / "ast.dat", contenido); }
  std::string Lista() const {
    const std::string informe = Informe();
    const std::size_t inicio = informe.find("\r\n\r\n") + 4;
    return informe.substr(inicio, informe.size() - inicio - 2);
  }
  void ExpectPunteroRestaurado() const {
    ASSERT_GE(ventana_.llamadas.size(), 2u);
    EXPECT_EQ(ventana_.llamadas.front(), "puntero 11");
    EXPECT_EQ(ventana_.llamadas.back(), "puntero 0");
  }

  DirectorioTemporal dir_{true};
  VentanaFalsa ventana_;
};

TEST_F(GenerarListaTest, WritesTheReportInRightAscensionOrderThroughZeroHours) {
  Catalogo(CatalogoCon({{500, {.h = "16", .m = "54"}},
                        {600, {.h = "23", .m = "30"}},
                        {700, {.h = "00", .m = "12"}},
                        {800, {.h = "23", .m = "30"}}}));
  GenerarLista(ventana_);
  EXPECT_EQ(Informe(), kCabeceraPorDefecto + " 4\r\n\r\n" +
                           "(600) Elegido           23 30 12.5  +12 30 45   15.6\r\n"
                           "(800) Elegido           23 30 12.5  +12 30 45   15.6\r\n"
                           "(700) Elegido           00 12 12.5  +12 30 45   15.6\r\n"
                           "(500) Elegido           16 54 12.5  +12 30 45   15.6\r\n"
                           "\r\n");
  EXPECT_TRUE(ventana_.avisos.empty());
  ExpectPunteroRestaurado();
  EXPECT_EQ(dir_.Listado(), "Asteroides.txt ast.dat");
}

TEST_F(GenerarListaTest, NothingSelectedStillWritesTheWholeHeader) {
  Catalogo(CatalogoCon({}));
  EscribirArchivo(dir_ / "Asteroides.txt", "an older report");
  GenerarLista(ventana_);
  EXPECT_EQ(Informe(), kCabeceraPorDefecto + " 0\r\n\r\n\r\n");
  ExpectPunteroRestaurado();
}

TEST_F(GenerarListaTest, EmptyBoxesBecome00InTheWindowAndTheHeader) {
  Catalogo(CatalogoCon({}));
  ventana_.Poner(Caja::txtARs_min, "");
  GenerarLista(ventana_);
  EXPECT_EQ(ventana_.llamadas,
            (std::vector<std::string>{"puntero 11", "texto txtARs_min=00", "puntero 0"}));
  EXPECT_EQ(Informe(), kCabeceraPorDefecto + " 0\r\n\r\n\r\n");
}

TEST_F(GenerarListaTest, NegativeDegreesCoverTheMinutes) {
  Catalogo(CatalogoCon({{500, {.g = "-30", .am = "15"}},
                        {501, {.g = "-29", .am = "45"}},
                        {502, {.g = "-00", .am = "30"}}}));
  ventana_.Poner(Caja::txtDECg_max, "-00");
  ventana_.Poner(Caja::txtDECm_max, "15");
  GenerarLista(ventana_);
  // -30 15 is -30.25, below the bound; -00 30 is -0.5, below the upper bound -0.25.
  const std::string lista = Lista();
  EXPECT_EQ(lista.find("(500)"), std::string::npos);
  EXPECT_NE(lista.find("(501)"), std::string::npos);
  EXPECT_NE(lista.find("(502)"), std::string::npos);
}

TEST_F(GenerarListaTest, ShortLinesAndEveryKindOfLineEndGiveWholeListLines) {
  const std::string completo = CatalogoCon({{500, {}}, {501, {.h = "01"}}}, 600);
  std::string mixto;
  int n = 0;
  for (std::size_t i = 0; i < completo.size(); i += 64) {
    std::string linea = completo.substr(i, 62);
    if (n == 499) linea.resize(44);  // asteroid 500 loses its columns after 44
    mixto += linea + (n % 3 == 0 ? "\r\n" : n % 3 == 1 ? "\n" : "\r");
    ++n;
  }
  mixto.pop_back();  // the last line has no line end
  Catalogo(mixto);
  ventana_.Poner(Caja::txtMag_min, "-1");  // the cut line has no magnitude
  GenerarLista(ventana_);
  EXPECT_EQ(Lista(),
            "(501) Elegido           01 30 12.5  +12 30 45   15.6\r\n"
            "(500) Elegido           05 30 12                    \r\n");
}

TEST_F(GenerarListaTest, AnOutOfRangeBoxStopsBeforeTheCatalogueAndIsFocused) {
  Catalogo(CatalogoCon({{500, {}}}));
  EscribirArchivo(dir_ / "Asteroides.txt", "old");
  ventana_.Poner(Caja::txtMag_max, "99999");
  ventana_.Poner(Caja::txtDECm_min, "-40000");
  SistemaConAverias sistema;
  GenerarLista(ventana_, sistema);
  EXPECT_EQ(ventana_.llamadas, (std::vector<std::string>{"puntero 11", "aviso", "foco txtDECm_min",
                                                         "puntero 0"}));
  EXPECT_EQ(ventana_.avisos, (std::vector<std::string>{
                                 "¡Atención!|Hay un valor fuera de rango en los filtros. Por "
                                 "favor, corrígelo."}));
  EXPECT_EQ(sistema.lecturas_abiertas, 0);
  EXPECT_EQ(Informe(), "old");
}

TEST_F(GenerarListaTest, EmptyAndHugeNumberRangesNeitherFailNorAllocate) {
  Catalogo(CatalogoCon({{500, {}}}));
  struct Caso {
    const char* min;
    const char* max;
    int cuenta;
  };
  for (const Caso& caso : {Caso{"1000", "5", 0}, Caso{"400", "400", 0}, Caso{"499.5", "500.5", 1},
                           Caso{"-1000000000000", "1000000000000", 1}}) {
    SCOPED_TRACE(std::string(caso.min) + " to " + caso.max);
    ventana_.Poner(Caja::txtNumero_min, caso.min);
    ventana_.Poner(Caja::txtNumero_max, caso.max);
    GenerarLista(ventana_);
    EXPECT_TRUE(ventana_.avisos.empty());
    EXPECT_NE(Informe().find("lista: \t " + std::to_string(caso.cuenta) + "\r\n"),
              std::string::npos);
  }
}

TEST_F(GenerarListaTest, AMissingCatalogueIsReportedWithItsPath) {
  EscribirArchivo(dir_ / "Asteroides.txt", "old");
  GenerarLista(ventana_);
  EXPECT_EQ(ventana_.avisos, (std::vector<std::string>{
                                 "¡Atención!|No se puede leer el catálogo de asteroides:\n" +
                                 TextoRuta(fs::current_path() / "ast.dat")}));
  EXPECT_EQ(Informe(), "old");
  ExpectPunteroRestaurado();
}

TEST_F(GenerarListaTest, EveryFileFaultEndsInItsMessageWithTheOldReportIntact) {
  struct Caso {
    const char* nombre;
    Averia averia;
    std::size_t tras_bytes;
    bool lectura;
  };
  const Caso casos[] = {
      {"catalogue does not open", Averia::AbrirLectura, 0, true},
      {"catalogue fails mid-read", Averia::LeerAMitad, 20000, true},
      {"report cannot be created", Averia::CrearTemporal, 0, false},
      {"disk full mid-write", Averia::EscribirAMitad, 300, false},
      {"fsync fails", Averia::Sincronizar, 0, false},
      {"rename fails", Averia::Renombrar, 0, false},
  };
  Catalogo(CatalogoCon({{500, {}}, {501, {}}}));
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EscribirArchivo(dir_ / "Asteroides.txt", "old");
    ventana_.avisos.clear();
    ventana_.llamadas.clear();
    SistemaConAverias sistema(caso.averia, caso.tras_bytes);
    GenerarLista(ventana_, sistema);
    const std::string ruta =
        TextoRuta(fs::current_path() / (caso.lectura ? "ast.dat" : "Asteroides.txt"));
    EXPECT_EQ(ventana_.avisos,
              (std::vector<std::string>{
                  std::string("¡Atención!|") +
                  (caso.lectura ? "No se puede leer el catálogo de asteroides:\n"
                                : "No se puede escribir la lista de asteroides:\n") +
                  ruta}));
    EXPECT_EQ(Informe(), "old");
    EXPECT_EQ(dir_.Listado(), "Asteroides.txt ast.dat");
    ExpectPunteroRestaurado();
  }
}

TEST_F(GenerarListaTest, ACatalogueThatIsADirectoryIsAReadFailure) {
  fs::create_directory(dir_ / "ast.dat");
  GenerarLista(ventana_);
  ASSERT_EQ(ventana_.avisos.size(), 1u);
  EXPECT_NE(ventana_.avisos[0].find("No se puede leer el catálogo"), std::string::npos);
  EXPECT_FALSE(HayInforme());
}

TEST_F(GenerarListaTest, AReportPathTakenByADirectoryIsAWriteFailure) {
  Catalogo(CatalogoCon({}));
  fs::create_directory(dir_ / "Asteroides.txt");
  EscribirArchivo(dir_ / "Asteroides.txt" / "keep", "x");
  GenerarLista(ventana_);
  ASSERT_EQ(ventana_.avisos.size(), 1u);
  EXPECT_NE(ventana_.avisos[0].find("No se puede escribir la lista"), std::string::npos);
  EXPECT_EQ(LeerArchivo(dir_ / "Asteroides.txt" / "keep"), "x");
  EXPECT_EQ(dir_.Listado(), "Asteroides.txt ast.dat");
}

TEST_F(GenerarListaTest, OverflowsShowTheLongListMessageAndWriteNothing) {
  struct Caso {
    const char* nombre;
    std::string catalogo;
    const char* num_max;
  };
  const Caso casos[] = {
      {"line counter past 32767", CatalogoCon({}, 32768), "32767"},
      {"magnitude beyond 16 bits", CatalogoCon({{1200, {.mag = "99999"}}}), "1400"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Catalogo(caso.catalogo);
    EscribirArchivo(dir_ / "Asteroides.txt", "old");
    ventana_.avisos.clear();
    ventana_.llamadas.clear();
    ventana_.Poner(Caja::txtNumero_max, caso.num_max);
    GenerarLista(ventana_);
    EXPECT_EQ(ventana_.avisos,
              (std::vector<std::string>{"¡Atención!|La lista de asteroides es demasiado larga. "
                                        "Por favor, prueba a restringir más los límites"}));
    EXPECT_EQ(Informe(), "old");
    ExpectPunteroRestaurado();
  }
}

TEST_F(GenerarListaTest, ACatalogueOfExactly32767LinesIsFine) {
  Catalogo(CatalogoCon({{32000, {}}}, 32767));
  ventana_.Poner(Caja::txtNumero_max, "40000");
  GenerarLista(ventana_);
  EXPECT_TRUE(ventana_.avisos.empty());
  EXPECT_NE(Informe().find("(32000) Elegido"), std::string::npos);
}

}  // namespace
}  // namespace orbelux
