// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-campo from its command line to what it writes.
#include "field/command_line.h"

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "field/field_output.h"
#include "support/faulty_fs.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;

const std::string kEjemplo = ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat";
// Ceres from La Palma, 2024-03-01 22:00 UTC (reference_positions_topocentric.tsv).
const std::vector<std::string> kCeres = {"--centro",       "278.33185951,-23.04078901",
                                         "--fecha",        "2024-03-01T22:00",
                                         "--observatorio", "950"};

using prueba::Ejecucion;
using prueba::Mas;
const prueba::ProgramaEnPrueba Ejecutar(ProgramaCampo);

// A record of the bundled file with other columns put in.
std::string Registro(int numero, std::string_view campo_desde_9 = "", std::size_t columna = 0) {
  const std::string texto = LeerArchivo(kEjemplo);
  std::size_t inicio = 0;
  for (int k = 1; k < numero; ++k) inicio = texto.find('\n', inicio) + 1;
  std::string linea = texto.substr(inicio, texto.find('\n', inicio) - inicio);
  if (columna != 0) linea.replace(columna - 1, campo_desde_9.size(), campo_desde_9);
  return linea + "\n";
}

struct CasoMalo {
  const char* nombre;
  std::vector<std::string> argumentos;  // after --elementos FILE
  int codigo;
  const char* mensaje;
};

class EntradaMala : public ::testing::TestWithParam<CasoMalo> {};

TEST_P(EntradaMala, SaleConSuCodigoYNoEscribeNada) {
  const CasoMalo& caso = GetParam();
  DirectorioTemporal dir;
  EscribirArchivo(dir / "vacio.dat", "MPCORB\n-----\n\n");
  std::vector<std::string> args = caso.argumentos;
  for (auto& a : args) {
    if (a == "VACIO") a = (dir / "vacio.dat").string();
    if (a == "NOESTA") a = (dir / "no_esta.dat").string();
    if (a == "SALIDA") a = (dir / "salida.txt").string();
  }
  if (std::find(args.begin(), args.end(), "--elementos") == args.end()) {
    args = Mas({"--elementos", kEjemplo}, args);
  }
  const Ejecucion e = Ejecutar(Mas(args, {"--salida", (dir / "salida.txt").string()}));
  EXPECT_EQ(e.codigo, caso.codigo);
  EXPECT_NE(e.errores.find(caso.mensaje), std::string::npos) << e.errores;
  EXPECT_EQ(e.salida, "");
  EXPECT_EQ(dir.Listado(), "vacio.dat");
}

INSTANTIATE_TEST_SUITE_P(
    Programa, EntradaMala,
    ::testing::Values(
        CasoMalo{"CentroIlegible", {"--centro", "12 30 ab +10 00 00"}, 2, "--centro 12 30 ab"},
        CasoMalo{"CentroSinDec", {"--centro", "12 30 00"}, 2, "se espera"},
        CasoMalo{"CentroFueraDeRango", {"--centro", "360,10"}, 2, "AR de 0 a 360"},
        CasoMalo{"DecFueraDeRango", {"--centro", "10,90.5"}, 2, "--centro 10,90.5"},
        CasoMalo{"MinutosDeMas", {"--centro", "12 60 00 +10 00 00"}, 2, "--centro"},
        CasoMalo{"SinCentro", {"--radio", "5"}, 2, "falta --centro"},
        CasoMalo{"RadioNegativo", {"--centro", "10,10", "--radio", "-1"}, 2, "mayor que 0"},
        CasoMalo{"RadioCero", {"--centro", "10,10", "--radio", "0"}, 2, "mayor que 0"},
        CasoMalo{"RadioEnorme", {"--centro", "10,10", "--radio", "600.01"}, 2, "como mucho 600"},
        CasoMalo{"RadioIlegible", {"--centro", "10,10", "--radio", "5'"}, 2, "minutos de arco"},
        CasoMalo{"MagnitudIlegible", {"--centro", "10,10", "--mag-max", "x"}, 2, "--mag-max x"},
        CasoMalo{
            "FormatoDesconocido", {"--centro", "10,10", "--formato", "json"}, 2, "texto o csv"},
        CasoMalo{"FechaYJd",
                 {"--centro", "10,10", "--fecha", "2024-01-01", "--jd", "2460000"},
                 2,
                 "no pueden ir juntas"},
        CasoMalo{
            "ObservatorioDesconocido", {"--centro", "10,10", "--observatorio", "QQQ"}, 2, "QQQ"},
        CasoMalo{"SinFichero",
                 {"--centro", "10,10", "--elementos", "NOESTA"},
                 1,
                 "no se ha escrito nada"},
        CasoMalo{"FicheroSinRegistros",
                 {"--centro", "10,10", "--elementos", "VACIO"},
                 1,
                 "no contiene ningún registro"}),
    [](const ::testing::TestParamInfo<CasoMalo>& info) { return std::string(info.param.nombre); });

// What a user types by habit: values in any case where case says nothing, a centre split
// by the shell, a misspelt option.
TEST(Programa, ComoLoEscribeElUsuario) {
  const Ejecucion csv = Ejecutar(Mas(kCeres, {"--elementos", kEjemplo, "--formato", "csv"}));
  ASSERT_EQ(csv.codigo, 0) << csv.errores;
  const Ejecucion texto = Ejecutar(Mas(kCeres, {"--elementos", kEjemplo}));
  ASSERT_EQ(texto.codigo, 0) << texto.errores;
  struct Caso {
    const char* nombre;
    std::vector<std::string> argumentos;
    const std::string* salida;
  };
  const Caso casos[] = {
      {"CSV", Mas(kCeres, {"--elementos", kEjemplo, "--formato", "CSV"}), &csv.salida},
      {"Texto", Mas(kCeres, {"--elementos", kEjemplo, "--formato", "Texto"}), &texto.salida},
      {"t y z",
       {"--centro", "278.33185951,-23.04078901", "--fecha", "2024-03-01t22:00z", "--observatorio",
        "950", "--elementos", kEjemplo},
       &texto.salida},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const Ejecucion e = Ejecutar(c.argumentos);
    EXPECT_EQ(e.codigo, 0) << e.errores;
    EXPECT_EQ(e.salida, *c.salida);
  }
  EXPECT_EQ(Ejecutar({"--observatorio", "BUSCAR:sierra nevada"}).salida,
            "J86  Sierra Nevada Observatory\n");
  Ejecucion e =
      Ejecutar({"--elementos", kEjemplo, "--centro", "07", "42", "00", "+26", "40", "00"});
  EXPECT_EQ(e.codigo, 2);
  EXPECT_EQ(e.errores,
            "orbelux-campo: argumento inesperado: 42; si es parte de --centro, escriba su valor "
            "entre comillas: --centro \"07 42 00 +26 40 00\"\n"
            "(orbelux-campo --ayuda muestra el uso)\n");
  e = Ejecutar({"--elementos", kEjemplo, "--centro", "10,10", "--observatori", "J86"});
  EXPECT_EQ(e.codigo, 2);
  EXPECT_NE(e.errores.find("opción desconocida: --observatori; ¿quisiste decir --observatorio?"),
            std::string::npos)
      << e.errores;
}

TEST(Programa, AyudaYVersion) {
  const Ejecucion e = Ejecutar({"--ayuda"});
  EXPECT_EQ(e.codigo, 0);
  // The bounds and the policy a user could meet.
  for (const char* texto :
       {"Uso: orbelux-campo --centro C", "como mucho 600", "con \"-\", la salida estándar",
        "\"07h42m00s +26°40'00\\\"\"", "no detiene la búsqueda: se salta",
        "más de 10 millones de líneas seguidas"}) {
    SCOPED_TRACE(texto);
    EXPECT_NE(e.salida.find(texto), std::string::npos);
  }
  EXPECT_EQ(Ejecutar({"--centro", "x", "-h"}).salida, e.salida);
  const Ejecucion v = Ejecutar({"--version"});
  EXPECT_EQ(v.codigo, 0);
  EXPECT_EQ(v.salida.rfind("orbelux-campo ", 0), 0u);
}

// "-" is standard output, as in orbelux-catalogo: no file of that name.
TEST(Programa, SalidaGuionEsLaSalidaEstandar) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar(Mas(kCeres, {"--elementos", kEjemplo, "--salida", "-"}));
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida, Ejecutar(Mas(kCeres, {"--elementos", kEjemplo})).salida);
  EXPECT_EQ(dir.Listado(), "");
}

TEST(Programa, SinElementosEnElDirectorioSaleConUno) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar({"--centro", "10,10"});
  EXPECT_EQ(e.codigo, 1);
  EXPECT_NE(e.errores.find("no están ni MPCORB.DAT ni MPCORB.DAT.gz"), std::string::npos);
  EXPECT_EQ(e.salida, "");
}

TEST(Programa, CsvConSuCabeceraYSusDecimales) {
  const Ejecucion e =
      Ejecutar(Mas(kCeres, {"--elementos", kEjemplo, "--radio", "1", "--formato", "csv"}));
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.errores, "");
  EXPECT_EQ(e.salida,
            "designacion,ar_grados,dec_grados,v,distancia_arcsec,este_arcsec,norte_arcsec,"
            "mov_ar_arcsec_min,mov_dec_arcsec_min,delta_ua,r_ua,elongacion_grados,fase_grados\n"
            "(1) Ceres,278.3318595,-23.0407890,9.02,0.00,0.00,0.00,0.8036,-0.0398,3.102278,"
            "2.809411,63.81,18.46\n");
}

TEST(Programa, TextoConCabeceraYColumnas) {
  const Ejecucion e = Ejecutar(Mas(kCeres, {"--elementos", kEjemplo, "--mag-max", "9.5"}));
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "Objetos en el campo\n"
            "Instante:   2024-03-01 22:00:00 UTC (día juliano 2460371.416667)\n"
            "Lugar:      950 La Palma\n"
            "Centro:     AR 18 33 19.65  Dec -23 02 26.8  (278.3318595°, -23.0407890°)\n"
            "Radio:      15.00'\n"
            "Magnitud:   hasta V 9.50\n"
            "Movimiento: perturbado por los planetas\n"
            "Elementos:  " +
                kEjemplo +
                " (227 registros, 0 omitidos)\n"
                "Objetos:    1\n"
                "\n"
                "Designación   AR (J2000)  Dec (J2000)     V  Dist\"  Este\"  Norte\"  AR\"/min  "
                "Dec\"/min    Δ (UA)    r (UA)  Elong°  Fase°\n"
                "(1) Ceres    18 33 19.65  -23 02 26.8  9.02   0.00   0.00    0.00   0.8036   "
                "-0.0398  3.102278  2.809411   63.81  18.46\n");
}

// A name with a comma is quoted; a record without H is listed with an empty V whatever
// --mag-max says; bad records are counted and named once.
TEST(Programa, ComillasSinMagnitudYOmitidos) {
  DirectorioTemporal dir;
  const std::string ceres = Registro(1, "(1) Ceres, la primera", 167);
  const std::string sin_h = Registro(1, "     ", 9).replace(0, 7, "K24A00A");
  const std::string excentrica = Registro(2, "1.2000000", 71);
  const std::string ilegible = Registro(3, "3x.1", 27);
  EscribirArchivo(dir / "e.dat", ceres + excentrica + "\n" + sin_h + ilegible);
  const Ejecucion e = Ejecutar(Mas(kCeres, {"--elementos", (dir / "e.dat").string(), "--radio", "1",
                                            "--mag-max", "5", "--formato", "csv"}));
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "designacion,ar_grados,dec_grados,v,distancia_arcsec,este_arcsec,norte_arcsec,"
            "mov_ar_arcsec_min,mov_dec_arcsec_min,delta_ua,r_ua,elongacion_grados,fase_grados\n"
            "(1) Ceres,278.3318595,-23.0407890,,0.00,0.00,0.00,0.8036,-0.0398,3.102278,"
            "2.809411,63.81,18.46\n");
  EXPECT_EQ(e.errores,
            "orbelux-campo: aviso: 2 registros omitidos porque no se pueden leer o calcular sus "
            "posiciones: (2) Pallas, (3) Juno\n");
  const Ejecucion con_comilla =
      Ejecutar(Mas(kCeres, {"--elementos", (dir / "e.dat").string(), "--radio", "1", "--formato",
                            "csv", "--mag-max", "20"}));
  EXPECT_NE(con_comilla.salida.find("\n\"(1) Ceres, la primera\",278.3318595,"), std::string::npos)
      << con_comilla.salida;
}

// LF, CR LF and a lone CR each end a line, and every record is read whatever the ends.
TEST(Programa, LeeTodosLosFinesDeLinea) {
  const std::string lf = Registro(2) + Registro(1) + Registro(3);
  for (const std::string fin : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(fin == "\n" ? "LF" : fin == "\r" ? "CR" : "CR LF");
    DirectorioTemporal dir;
    std::string texto = lf;
    for (std::size_t i = texto.find('\n'); i != std::string::npos; i = texto.find('\n', i + 1)) {
      texto.replace(i, 1, fin);
      i += fin.size() - 1;
    }
    EscribirArchivo(dir / "e.dat", texto);
    const Ejecucion e = Ejecutar(
        Mas(kCeres, {"--elementos", (dir / "e.dat").string(), "--radio", "1", "--formato", "csv"}));
    ASSERT_EQ(e.codigo, 0) << e.errores;
    EXPECT_EQ(e.errores, "");
    EXPECT_NE(e.salida.find("\n(1) Ceres,278.3318595,-23.0407890,9.02,"), std::string::npos)
        << e.salida;
  }
}

// Blank lines by the gigabyte (a gzip bomb) are refused early, not searched for minutes.
TEST(Programa, RechazaMillonesDeLineasEnBlanco) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "e.dat", Registro(1) + std::string(11'000'000, '\n') + Registro(2));
  const Ejecucion e = Ejecutar(Mas(kCeres, {"--elementos", (dir / "e.dat").string()}));
  EXPECT_EQ(e.codigo, 1);
  EXPECT_EQ(e.salida, "");
  EXPECT_NE(e.errores.find("más de diez millones de líneas seguidas sin ningún registro (desde la "
                           "línea 2)"),
            std::string::npos)
      << e.errores;
}

class FlujoLleno final : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(Programa, SalidaEstandarQueFallaSaleConUno) {
  FlujoLleno lleno;
  std::ostream salida(&lleno);
  std::ostringstream errores;
  const int codigo = ProgramaCampo(Mas(kCeres, {"--elementos", kEjemplo}), salida, errores);
  EXPECT_EQ(codigo, 1);
  EXPECT_EQ(errores.str().rfind(
                "orbelux-campo: no se puede escribir el resultado en la salida estándar", 0),
            0u)
      << errores.str();
}

// The elements are read through the file-system seam, so a failing disk is reported.
TEST(Programa, ElementosIlegiblesPorElDisco) {
  prueba::SistemaConAverias averiado(prueba::Averia::AbrirLectura);
  consola::Entorno entorno;
  entorno.sistema = &averiado;
  const Ejecucion e = Ejecutar(Mas(kCeres, {"--elementos", kEjemplo}), entorno);
  EXPECT_EQ(e.codigo, 1);
  EXPECT_EQ(e.salida, "");
  EXPECT_NE(e.errores.find("no se puede abrir"), std::string::npos) << e.errores;
}

TEST(Programa, SalidaEnFicheroAtomica) {
  DirectorioTemporal dir;
  prueba::SistemaConAverias averiado(prueba::Averia::Renombrar);
  consola::Entorno entorno;
  entorno.sistema = &averiado;
  const Ejecucion e = Ejecutar(
      Mas(kCeres, {"--elementos", kEjemplo, "--salida", (dir / "campo.txt").string()}), entorno);
  EXPECT_EQ(e.codigo, 1);
  EXPECT_EQ(e.salida, "");
  EXPECT_EQ(dir.Listado(), "");
  const Ejecucion bien = Ejecutar(Mas(
      kCeres, {"--elementos", kEjemplo, "--formato", "csv", "--salida", (dir / "c.csv").string()}));
  ASSERT_EQ(bien.codigo, 0);
  EXPECT_EQ(bien.salida, "");
  EXPECT_TRUE(LeerArchivo(dir / "c.csv").starts_with("designacion,ar_grados,"));
}

struct CasoSexagesimal {
  const char* nombre;
  double grados;
  const char* texto;
};

class AscensionRecta : public ::testing::TestWithParam<CasoSexagesimal> {};
class Declinacion : public ::testing::TestWithParam<CasoSexagesimal> {};

TEST_P(AscensionRecta, RedondeaLlevando) {
  EXPECT_EQ(TextoAscensionRecta(GetParam().grados), GetParam().texto);
}
TEST_P(Declinacion, RedondeaLlevando) {
  EXPECT_EQ(TextoDeclinacion(GetParam().grados), GetParam().texto);
}

const auto kNombreSexagesimal = [](const ::testing::TestParamInfo<CasoSexagesimal>& info) {
  return std::string(info.param.nombre);
};

INSTANTIATE_TEST_SUITE_P(
    Salida, AscensionRecta,
    ::testing::Values(CasoSexagesimal{"Cero", 0, "00 00 00.00"},
                      CasoSexagesimal{"Mediodia", 180, "12 00 00.00"},
                      CasoSexagesimal{"LlevaAlMinuto", 180 + 14.99999 / 3600, "12 00 01.00"},
                      CasoSexagesimal{"LlevaALaHora", 179.99999, "12 00 00.00"},
                      CasoSexagesimal{"UltimoInstante", 359.9999999, "00 00 00.00"},
                      CasoSexagesimal{"Centesimas", 156.5 + 0.15 / 240, "10 26 00.15"}),
    kNombreSexagesimal);

INSTANTIATE_TEST_SUITE_P(
    Salida, Declinacion,
    ::testing::Values(CasoSexagesimal{"Cero", 0, "+00 00 00.0"},
                      CasoSexagesimal{"Sur", -23.5, "-23 30 00.0"},
                      CasoSexagesimal{"SurQueRedondeaACero", -0.00001, "+00 00 00.0"},
                      CasoSexagesimal{"SurPequenio", -0.5 / 3600, "-00 00 00.5"},
                      CasoSexagesimal{"LlevaAlGrado", 44.99999, "+45 00 00.0"},
                      CasoSexagesimal{"Polo", -90, "-90 00 00.0"}),
    kNombreSexagesimal);

}  // namespace
}  // namespace orbelux::campo
