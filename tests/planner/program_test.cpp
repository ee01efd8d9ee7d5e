// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-efemerides as its users run it: the table, --visible, the zones, and every bad
// command line refused with nothing written.
#include <gtest/gtest.h>

#include <erfa.h>

#include <fstream>
#include <sstream>

#include "planner/command_line.h"
#include "planner/table_output.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace orbelux::planificador {
namespace {

const prueba::ProgramaEnPrueba Ejecutar(ProgramaEfemerides);
const std::string kEjemplo = ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat";
const std::string kEros = ORBELUX_TEST_DATA_DIR "/ephemeris/eros_2004_elements.dat";

std::vector<std::string> Lineas(const std::string& texto) {
  std::vector<std::string> l;
  std::istringstream s(texto);
  for (std::string linea; std::getline(s, linea);) l.push_back(linea);
  return l;
}

std::vector<std::string> Campos(const std::string& linea) {
  std::vector<std::string> c;
  std::istringstream s(linea);
  for (std::string campo; std::getline(s, campo, ',');) c.push_back(campo);
  if (!linea.empty() && linea.back() == ',') c.emplace_back();
  return c;
}

TEST(ProgramaEfemeridesTest, CsvConSuCabeceraUnaFilaPorObjetoEInstante) {
  const auto e =
      Ejecutar({"vesta", "1", "--elementos", kEjemplo, "--inicio", "2022-09-20T22:00", "--fin",
                "2022-09-21T01:59", "--paso", "1h", "--observatorio", "Z84", "--formato", "csv"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const auto l = Lineas(e.salida);
  ASSERT_EQ(l.size(), 1u + 2 * 4);
  EXPECT_EQ(l[0] + "\n", kCabeceraCsv);
  EXPECT_EQ(l[0],
            "objeto,fecha,dia_juliano_utc,ar_grados,dec_grados,delta_ua,r_ua,elongacion_grados,"
            "fase_grados,v,mov_ar_arcsec_min,mov_dec_arcsec_min,acimut_grados,altura_grados,"
            "masa_aire,altura_sol_grados,distancia_luna_grados,luna_iluminada");
  // Every row of the first object asked for, then the next.
  EXPECT_EQ(Campos(l[1])[0], "(4) Vesta");
  EXPECT_EQ(Campos(l[4])[0], "(4) Vesta");
  EXPECT_EQ(Campos(l[5])[0], "(1) Ceres");
  EXPECT_EQ(Campos(l[1])[1], "2022-09-20 22:00:00 UTC");
  EXPECT_EQ(Campos(l[1])[2], "2459843.416667");
  EXPECT_EQ(Campos(l[4])[1], "2022-09-21 01:00:00 UTC");
  for (std::size_t i = 1; i < l.size(); ++i) {
    const auto c = Campos(l[i]);
    ASSERT_EQ(c.size(), 18u) << l[i];
    for (std::size_t j : {3u, 9u, 12u, 13u, 15u, 16u, 17u}) EXPECT_FALSE(c[j].empty()) << l[i];
    // Below the horizon the airmass is empty; above it, never.
    EXPECT_EQ(c[14].empty(), std::stod(c[13]) < 0) << l[i];
  }
}

TEST(ProgramaEfemeridesTest, SinLugarLasColumnasDelHorizonteVanVacias) {
  const auto e =
      Ejecutar({"ceres", "--elementos", kEjemplo, "--fecha", "2022-09-20", "--formato", "csv"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const auto l = Lineas(e.salida);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[1].substr(0, 55), "(1) Ceres,2022-09-20 00:00:00 UTC,2459842.500000,150.19");
  EXPECT_TRUE(l[1].ends_with(",,,,,,")) << l[1];
}

// --visible keeps exactly the rows whose altitude and Sun pass the limits.
TEST(ProgramaEfemeridesTest, VisibleGuardaLasFilasDeSusLimites) {
  const std::vector<std::string> base = {
      "vesta",  "--elementos", kEjemplo,         "--inicio", "2022-09-20", "--fin", "2022-09-23",
      "--paso", "20m",         "--observatorio", "Z84",      "--formato",  "csv"};
  const auto todas = Ejecutar(base);
  ASSERT_EQ(todas.codigo, 0) << todas.errores;
  for (const auto& [altura, sol] : {std::pair{"20", "-12"}, std::pair{"25", "-18"}}) {
    const auto visibles =
        Ejecutar(prueba::Mas(base, {"--visible", "--altura-min", altura, "--sol-max", sol}));
    ASSERT_EQ(visibles.codigo, 0) << visibles.errores;
    std::vector<std::string> esperadas = {Lineas(todas.salida)[0]};
    for (const auto& linea : Lineas(todas.salida)) {
      const auto c = Campos(linea);
      if (c[0] == "objeto") continue;
      if (std::stod(c[13]) >= std::stod(altura) && std::stod(c[15]) <= std::stod(sol)) {
        esperadas.push_back(linea);
      }
    }
    EXPECT_GT(esperadas.size(), 5u);
    EXPECT_LT(esperadas.size(), Lineas(todas.salida).size());
    EXPECT_EQ(Lineas(visibles.salida), esperadas);
  }
}

TEST(ProgramaEfemeridesTest, LasHorasEnLaZonaDelUsuario) {
  const auto e = Ejecutar({"ceres", "--elementos", kEjemplo, "--inicio", "2022-09-20T23:30+02:00",
                           "--fin", "2022-09-21T00:30+02:00", "--paso", "30m", "--formato", "csv"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const auto l = Lineas(e.salida);
  ASSERT_EQ(l.size(), 4u);
  EXPECT_EQ(Campos(l[1])[1], "2022-09-20 23:30:00 +02:00");
  EXPECT_EQ(Campos(l[1])[2], "2459843.395833");
  EXPECT_EQ(Campos(l[3])[1], "2022-09-21 00:30:00 +02:00");
  const auto una = Ejecutar({"ceres", "--elementos", kEjemplo, "--fecha", "2022-09-20T10:00-0300"});
  ASSERT_EQ(una.codigo, 0) << una.errores;
  EXPECT_NE(una.salida.find("\n2022-09-20 10:00:00 -03:00  "), std::string::npos) << una.salida;
}

TEST(ProgramaEfemeridesTest, LaCabeceraDiceDeQueArchivoVieneElObjeto) {
  const auto e = Ejecutar({"433", "ceres", "--elementos", kEros, "--elementos", kEjemplo, "--fecha",
                           "2004-11-01", "--observatorio", "X05"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_NE(e.salida.find("Efemérides de (433) Eros\nElementos:  " + kEros +
                          ", línea 1 (época 2004-11-02.0 TT)\nLugar:      X05"),
            std::string::npos)
      << e.salida;
  EXPECT_NE(e.salida.find("Efemérides de (1) Ceres\nElementos:  " + kEjemplo + ", línea 1 "),
            std::string::npos)
      << e.salida;
  EXPECT_NE(e.salida.find("Masa aire"), std::string::npos);
}

TEST(ProgramaEfemeridesTest, CadaEntradaErroneaSaleSinEscribirNada) {
  prueba::DirectorioTemporal dir;
  const std::string salida = (dir / "tabla.csv").string();
  const std::vector<std::string> rango = {"--inicio", "2022-09-20", "--fin", "2022-09-21"};
  struct Caso {
    std::vector<std::string> argumentos;
    int codigo;
    std::string mensaje;
  };
  const std::vector<Caso> casos = {
      {prueba::Mas(rango, {"--paso", "0m"}), 2, "--paso 0m: debe ser de 1 minuto a 100 días"},
      {prueba::Mas(rango, {"--paso", "-1h"}), 2, "--paso -1h"},
      {prueba::Mas(rango, {"--paso", "2x"}), 2, "se espera un número de minutos"},
      {{"--inicio", "2022-09-21", "--fin", "2022-09-20", "--paso", "1h"},
       2,
       "--fin 2022-09-20 es anterior a --inicio 2022-09-21"},
      {{"--inicio", "2022-09-20", "--fin", "2022-12-31", "--paso", "1m"},
       2,
       "se piden 146881 filas"},
      {{"ceres", "--inicio", "2022-01-01", "--fin", "2022-03-11", "--paso", "1m"},
       2,
       "se piden 198722 filas (99361 instantes de 2 objetos); como mucho 100000"},
      {prueba::Mas(rango, {"--paso", "1h", "--visible"}), 2, "--visible necesita un lugar"},
      {prueba::Mas(rango, {"--paso", "1h", "--fecha", "2022-09-20"}), 2, "no van con --inicio"},
      {{"--inicio", "2022-09-20"}, 2, "falta --fin"},
      {{"--altura-min", "30"}, 2, "sólo tiene sentido con --visible"},
      {{"--visible", "--observatorio", "Z84", "--sol-max", "-100"}, 2, "--sol-max -100"},
      {{"--formato", "xml"}, 2, "se espera texto o csv"},
      {{"zeus"}, 1, "no se encuentra el objeto «zeus»"},
      {{"ceres", "eros"}, 1, "no se encuentra el objeto «eros»"},
  };
  for (const Caso& c : casos) {
    std::vector<std::string> args = {"vesta", "--elementos", kEjemplo, "--salida", salida};
    args.insert(args.end(), c.argumentos.begin(), c.argumentos.end());
    const auto e = Ejecutar(args);
    EXPECT_EQ(e.codigo, c.codigo) << c.mensaje;
    EXPECT_NE(e.errores.find(c.mensaje), std::string::npos) << e.errores;
    EXPECT_EQ(e.salida, "") << c.mensaje;
    EXPECT_FALSE(std::filesystem::exists(salida)) << c.mensaje;
  }
  const auto sin_objeto = Ejecutar({"--elementos", kEjemplo});
  EXPECT_EQ(sin_objeto.codigo, 2);
  EXPECT_NE(sin_objeto.errores.find("falta el objeto"), std::string::npos);
}

TEST(ProgramaEfemeridesTest, UnNombreAmbiguoListaSusObjetosYSaleCon2) {
  prueba::DirectorioTemporal dir;
  const std::string todo = prueba::LeerArchivo(kEjemplo);
  const std::string ceres = todo.substr(0, todo.find('\n') + 1);
  std::string otra = ceres;
  otra.replace(0, 5, "A0345");
  otra.replace(166, 9, "(100345) ");
  otra.resize(175);
  otra += "Céres\n";
  prueba::EscribirArchivo(dir / "dos.dat", ceres + otra);
  const auto e = Ejecutar({"CERES", "--elementos", (dir / "dos.dat").string()});
  EXPECT_EQ(e.codigo, 2);
  EXPECT_NE(e.errores.find("«CERES» designa 2 objetos"), std::string::npos) << e.errores;
  EXPECT_NE(e.errores.find("(1) Ceres, (100345) Céres"), std::string::npos) << e.errores;
  EXPECT_EQ(e.salida, "");
  // Its number or packed form still names each one.
  EXPECT_EQ(Ejecutar({"100345", "--elementos", (dir / "dos.dat").string()}).codigo, 0);
  EXPECT_EQ(Ejecutar({"A0345", "--elementos", (dir / "dos.dat").string()}).codigo, 0);
}

}  // namespace
}  // namespace orbelux::planificador

namespace orbelux::planificador {
namespace {

const std::string kCometas = ORBELUX_EXAMPLES_DIR "/CometEls_muestra.txt";

// Every form of a comet's designation finds it: the number before the "/", the whole
// designation, a long-period one without its name in brackets, the name itself and the
// packed forms of the record's first columns.
TEST(ProgramaEfemeridesCometas, CadaFormaDeLaDesignacion) {
  const auto e =
      Ejecutar({"2P", "2P/Encke", "C/2023 A3", "96P", "hale-bopp", "1i", "0002P", "CJ95O010",
                "--elementos", kCometas, "--fecha", "2024-01-01", "--formato", "csv"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const auto l = Lineas(e.salida);
  ASSERT_EQ(l.size(), 9u);
  EXPECT_EQ(Campos(l[7])[0], "2P/Encke");
  EXPECT_EQ(Campos(l[8])[0], "C/1995 O1 (Hale-Bopp)");
  EXPECT_EQ(Campos(l[1])[0], "2P/Encke");
  EXPECT_EQ(Campos(l[2])[0], "2P/Encke");
  EXPECT_EQ(Campos(l[3])[0], "C/2023 A3 (Tsuchinshan-ATLAS)");
  EXPECT_EQ(Campos(l[4])[0], "96P/Machholz");
  EXPECT_EQ(Campos(l[5])[0], "C/1995 O1 (Hale-Bopp)");
  EXPECT_EQ(Campos(l[6])[0], "1I/`Oumuamua");
  const auto ambiguo = Ejecutar({"machholz", "--elementos", kCometas});
  EXPECT_EQ(ambiguo.codigo, 2);
  EXPECT_NE(ambiguo.errores.find("96P/Machholz, 96P-B/Machholz"), std::string::npos);
  // An asteroid's file and a comet file together: each object from the file that holds it.
  const auto juntos = Ejecutar({"ceres", "2P", "--elementos", kEjemplo, "--elementos", kCometas,
                                "--fecha", "2024-01-01", "--formato", "csv"});
  ASSERT_EQ(juntos.codigo, 0) << juntos.errores;
  EXPECT_EQ(Lineas(juntos.salida).size(), 3u);
}

// 2P/Encke day by day as JPL Horizons gives it, within 1" (Horizons adds the comet's
// non-gravitational forces, which the elements leave out).
TEST(ProgramaEfemeridesCometas, EnckeComoHorizons) {
  const auto e = Ejecutar({"2P", "--elementos", kCometas, "--inicio", "2024-08-16", "--fin",
                           "2024-10-15", "--paso", "1d", "--formato", "csv"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const auto filas = Lineas(e.salida);
  std::ifstream tsv(ORBELUX_TEST_DATA_DIR "/ephemeris/comet_published_positions.tsv");
  ASSERT_TRUE(tsv);
  std::size_t comparadas = 0;
  for (std::string linea; std::getline(tsv, linea);) {
    if (!linea.starts_with("2P/Encke\t")) continue;
    std::vector<std::string> c;
    std::istringstream s(linea);
    for (std::string campo; std::getline(s, campo, '\t');) c.push_back(campo);
    ASSERT_GE(filas.size(), comparadas + 2);
    const auto fila = Campos(filas[comparadas + 1]);
    ++comparadas;
    EXPECT_EQ(fila[1], c[1].substr(0, 10) + " 00:00:00 UTC");
    const double sep = eraSeps(std::stod(fila[3]) * 3.14159265358979323846 / 180,
                               std::stod(fila[4]) * 3.14159265358979323846 / 180,
                               std::stod(c[3]) * 3.14159265358979323846 / 180,
                               std::stod(c[4]) * 3.14159265358979323846 / 180) *
                       180 / 3.14159265358979323846 * 3600;
    EXPECT_LT(sep, 1.0) << fila[1];
  }
  EXPECT_EQ(comparadas, 61u);
  EXPECT_EQ(filas.size(), 62u);
}

}  // namespace
}  // namespace orbelux::planificador
