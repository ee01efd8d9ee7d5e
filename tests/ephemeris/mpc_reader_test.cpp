// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/mpc_reader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/element_source.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/time_scales.h"

namespace orbelux::efemerides {
namespace {

// The real MPCORB.DAT line of Ceres, full width, statistics columns filled.
constexpr const char* kCeres =
    "00001    3.4   0.15 K205V 162.68631   73.73161   80.28698   10.58862  0.0775571  "
    "0.21406009   2.7676569  0 MPO492748  6751 115 1801-2019 0.60 M-v 30h Williams   0000      "
    "(1) Ceres              20190915";

constexpr const char* kCabecera =
    "MINOR PLANET CENTER ORBIT DATABASE (MPCORB)\n"
    "\n"
    "Version 2020-06-01\n"
    "Des'n     H     G   Epoch     M        Peri.      Node       Incl.       e            n"
    "           a        Reference #Obs #Opp    Arc    rms  Perts   Computer\n"
    "-------------------------------------------------------------------------------------------"
    "---------------------------------------------------------------------------------------\n";

// Line k (1-based) of the bundled elements file.
std::string LineaEjemplo(int k) {
  std::ifstream entrada(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  std::string linea;
  for (int i = 0; i < k; ++i) std::getline(entrada, linea);
  return linea;
}

// The line with `texto` put in from the 1-based column `columna`.
std::string Cambiar(std::string linea, std::size_t columna, std::string_view texto) {
  if (linea.size() < columna - 1 + texto.size()) linea.resize(columna - 1 + texto.size(), ' ');
  linea.replace(columna - 1, texto.size(), texto);
  return linea;
}

std::string Unir(const std::vector<std::string>& lineas, std::string_view fin = "\n") {
  std::string texto;
  for (const auto& l : lineas) (texto += l) += fin;
  return texto;
}

OpcionesLectura Opciones(std::optional<std::int32_t> hasta, std::int32_t tope = 32767) {
  OpcionesLectura opciones;
  opciones.hasta = hasta;
  opciones.tope = tope;
  return opciones;
}

std::vector<ElementosOrbitales> Leer(std::string_view texto, OpcionesLectura opciones = {}) {
  if (opciones.nombre.empty()) opciones.nombre = "prueba.dat";
  FuenteMemoria fuente(texto);
  return LeerElementosMPC(fuente, opciones);
}

TEST(LectorMPC, LeeLaLineaRealDeCeresConCabeceraYRegistrosQueSeSaltan) {
  const std::string provisional = Cambiar(LineaEjemplo(2), 1, "K14A00A");
  // A "~" record beyond the range: its fields are never read, so garbage there is fine.
  const std::string tilde = Cambiar(Cambiar(LineaEjemplo(3), 1, "~0000  "), 71, "basura!!!");
  const std::string texto = std::string(kCabecera) + kCeres + "\n\n" + LineaEjemplo(2) + "\n" +
                            provisional + "\n   \n" + tilde + "\n";
  const std::vector<ElementosOrbitales> el = Leer(texto);
  ASSERT_EQ(el.size(), 2u);
  const ElementosOrbitales& ceres = el[0];
  EXPECT_EQ(ceres.numero, 1);
  EXPECT_TRUE(ceres.tiene_H);
  EXPECT_EQ(ceres.H, 3.4);
  EXPECT_EQ(ceres.G, 0.15);
  EXPECT_EQ(ceres.epoca, 2459000.5);
  EXPECT_EQ(ceres.anomalia_media, 162.68631);
  EXPECT_EQ(ceres.perihelio, 73.73161);
  EXPECT_EQ(ceres.nodo, 80.28698);
  EXPECT_EQ(ceres.inclinacion, 10.58862);
  EXPECT_EQ(ceres.excentricidad, 0.0775571);
  EXPECT_EQ(ceres.semieje, 2.7676569);
  EXPECT_EQ(ceres.Nombre(), "(1) Ceres");
  EXPECT_EQ(el[1].numero, 2);
  EXPECT_EQ(el[1].Nombre(), "(2) Pallas");
}

TEST(LectorMPC, FinesDeLineaCRLFDanLoMismo) {
  const std::vector<std::string> lineas = {kCeres, LineaEjemplo(2), LineaEjemplo(3)};
  const auto lf = Leer(Unir(lineas, "\n"));
  ASSERT_EQ(lf.size(), 3u);
  for (const char* fin : {"\r\n", "\r"}) {
    SCOPED_TRACE(fin[1] == '\n' ? "CR LF" : "CR");
    const auto otro = Leer(Unir(lineas, fin));
    ASSERT_EQ(otro.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(otro[i].semieje, lf[i].semieje);
      EXPECT_EQ(otro[i].Nombre(), lf[i].Nombre());
    }
  }
}

TEST(LectorMPC, DiezMillonesDeLineasSinRegistroSeAguantanYUnaMasNo) {
  struct Caso {
    const char* nombre;
    std::string relleno;  // one line without a record
    std::uint64_t lineas;
    bool vale;
  };
  const Caso casos[] = {
      {"blank, at the bound", "", kMaximoLineasSinRegistro, true},
      {"blank, one more", "", kMaximoLineasSinRegistro + 1, false},
      {"spaces, one more", "  ", kMaximoLineasSinRegistro + 1, false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::string texto = LineaEjemplo(1) + "\n";
    texto.reserve(texto.size() + (caso.relleno.size() + 1) * caso.lineas + 400);
    for (std::uint64_t i = 0; i < caso.lineas; ++i) (texto += caso.relleno) += '\n';
    texto += LineaEjemplo(2) + "\n";
    try {
      EXPECT_EQ(Leer(texto).size(), 2u);
      EXPECT_TRUE(caso.vale);
    } catch (const ErrorElementos& e) {
      EXPECT_FALSE(caso.vale);
      EXPECT_EQ(e.linea(), kMaximoLineasSinRegistro + 2);
      EXPECT_EQ(std::string(e.what()),
                "prueba.dat, línea 10000002: más de diez millones de líneas seguidas sin ningún "
                "registro (desde la línea 2): no parece un fichero de elementos");
    }
  }
}

// A source that hands out a few bytes at a time, so that lines are cut everywhere.
class FuenteAGotas final : public FuenteBytes {
 public:
  explicit FuenteAGotas(std::string_view datos) : datos_(datos) {}
  std::size_t Leer(char* destino, std::size_t maximo) override {
    const std::size_t n = std::min({maximo, datos_.size(), 1 + (paso_++ % 7)});
    std::copy_n(datos_.data(), n, destino);
    datos_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view datos_;
  std::size_t paso_ = 0;
};

TEST(LectorMPC, LineasPartidasEntreLecturasYLineasLargasSeLeenIgual) {
  std::vector<std::string> lineas;
  for (int k = 1; k <= 227; ++k) lineas.push_back(LineaEjemplo(k) + std::string(300, ' ') + "x");
  const std::string texto = Unir(lineas, "\r\n");
  const auto enteras = Leer(texto);
  FuenteAGotas gotas(texto);
  OpcionesLectura opciones;
  opciones.nombre = "gotas";
  const auto a_gotas = LeerElementosMPC(gotas, opciones);
  ASSERT_EQ(enteras.size(), 227u);
  ASSERT_EQ(a_gotas.size(), 227u);
  for (std::size_t i = 0; i < 227; ++i) {
    EXPECT_EQ(a_gotas[i].anomalia_media, enteras[i].anomalia_media);
    EXPECT_EQ(a_gotas[i].Nombre(), enteras[i].Nombre());
  }
  EXPECT_EQ(enteras[226].Nombre(), "(227) Philosophia");
}

TEST(LectorMPC, SinHastaLeeHastaElPrimerHuecoYNoMiraMasAlla) {
  const std::string roto = Cambiar(LineaEjemplo(5), 71, "1.5000000");
  const auto el = Leer(Unir({LineaEjemplo(1), LineaEjemplo(2), LineaEjemplo(3), roto}));
  // 4 is missing, so 5 lies beyond the range and its bad eccentricity does not count.
  EXPECT_EQ(el.size(), 3u);
}

TEST(LectorMPC, HastaRecortaYSaltaSinLeerLoQueSobra) {
  const std::string roto = Cambiar(LineaEjemplo(3), 60, "xxxxxxxxx");
  const auto el = Leer(Unir({LineaEjemplo(1), LineaEjemplo(2), roto}), Opciones(2));
  EXPECT_EQ(el.size(), 2u);
}

TEST(LectorMPC, ElTopeLimitaElValorPorOmision) {
  const auto el =
      Leer(Unir({LineaEjemplo(1), LineaEjemplo(2), LineaEjemplo(3)}), Opciones(std::nullopt, 2));
  EXPECT_EQ(el.size(), 2u);
}

TEST(LectorMPC, ElOrdenDelFicheroNoImporta) {
  const auto el = Leer(Unir({LineaEjemplo(3), LineaEjemplo(1), LineaEjemplo(2)}));
  ASSERT_EQ(el.size(), 3u);
  EXPECT_EQ(el[0].Nombre(), "(1) Ceres");
  EXPECT_EQ(el[2].Nombre(), "(3) Juno");
}

TEST(LectorMPC, HSinValorYGPorOmision) {
  const std::string linea = Cambiar(Cambiar(LineaEjemplo(1), 9, "     "), 15, "     ");
  const auto el = Leer(linea);
  ASSERT_EQ(el.size(), 1u);
  EXPECT_FALSE(el[0].tiene_H);
  EXPECT_EQ(el[0].G, 0.15);
}

TEST(LectorMPC, SinNombreLegibleQuedaVacio) {
  const auto el = Leer(LineaEjemplo(1).substr(0, 103));
  ASSERT_EQ(el.size(), 1u);
  EXPECT_EQ(el[0].Nombre(), "");
}

struct CasoError {
  const char* nombre;
  std::string texto;
  OpcionesLectura opciones;
  std::string mensaje;  // what the message must contain
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoError& caso, std::ostream* os) { *os << caso.nombre; }

class ErroresDeElementos : public testing::TestWithParam<CasoError> {};

TEST_P(ErroresDeElementos, NombranFicheroLineaYCampo) {
  const CasoError& c = GetParam();
  try {
    Leer(c.texto, c.opciones);
    FAIL() << "no error";
  } catch (const ErrorElementos& e) {
    EXPECT_NE(std::string(e.what()).find(c.mensaje), std::string::npos) << e.what();
  }
}

std::string ConSegunda(const std::string& segunda) {
  return Unir({LineaEjemplo(1), segunda, LineaEjemplo(3)});
}

INSTANTIATE_TEST_SUITE_P(
    Registros, ErroresDeElementos,
    testing::Values(
        CasoError{"H",
                  ConSegunda(Cambiar(LineaEjemplo(2), 9, " 4.1x")),
                  {},
                  "prueba.dat, línea 2: la magnitud absoluta H (columnas 9-13) no es un número"},
        CasoError{"G",
                  ConSegunda(Cambiar(LineaEjemplo(2), 15, "0.1.1")),
                  {},
                  "línea 2: la pendiente G (columnas 15-19)"},
        CasoError{
            "Epoca",
            ConSegunda(Cambiar(LineaEjemplo(2), 21, "K22D9")),
            {},
            "línea 2: la época (columnas 21-25) no es una fecha empaquetada: \u00abK22D9\u00bb"},
        CasoError{"Anomalia",
                  ConSegunda(Cambiar(LineaEjemplo(2), 27, "315,09111")),
                  {},
                  "línea 2: la anomalía media (columnas 27-35)"},
        CasoError{"Perihelio",
                  ConSegunda(Cambiar(LineaEjemplo(2), 38, "         ")),
                  {},
                  "línea 2: el argumento del perihelio (columnas 38-46) está vacío"},
        CasoError{"Nodo",
                  ConSegunda(Cambiar(LineaEjemplo(2), 49, "1e2      ")),
                  {},
                  "línea 2: la longitud del nodo (columnas 49-57)"},
        CasoError{"Inclinacion",
                  ConSegunda(Cambiar(LineaEjemplo(2), 60, "NaN      ")),
                  {},
                  "línea 2: la inclinación (columnas 60-68)"},
        CasoError{"ExcentricidadUno",
                  ConSegunda(Cambiar(LineaEjemplo(2), 71, "1.0000000")),
                  {},
                  "línea 2: la excentricidad (columnas 71-79) no está entre 0 y 1"},
        CasoError{"ExcentricidadNegativa",
                  ConSegunda(Cambiar(LineaEjemplo(2), 71, "-0.100000")),
                  {},
                  "línea 2: la excentricidad (columnas 71-79) no está entre 0 y 1"},
        CasoError{"SemiejeCero",
                  ConSegunda(Cambiar(LineaEjemplo(2), 93, "  0.0000000")),
                  {},
                  "línea 2: el semieje mayor (columnas 93-103) no es positivo"},
        CasoError{"SemiejeNegativo",
                  ConSegunda(Cambiar(LineaEjemplo(2), 93, " -2.7694633")),
                  {},
                  "línea 2: el semieje mayor (columnas 93-103) no es positivo"},
        CasoError{"LineaCorta",
                  ConSegunda(LineaEjemplo(2).substr(0, 80)),
                  {},
                  "línea 2: el semieje mayor (columnas 93-103) está vacío"},
        CasoError{"Designacion",
                  ConSegunda(Cambiar(LineaEjemplo(2), 1, "0000#  ")),
                  {},
                  "línea 2: la designación (columnas 1-7) no es un número de asteroide"},
        CasoError{"Repetido",
                  Unir({LineaEjemplo(1), LineaEjemplo(2), LineaEjemplo(2)}),
                  {},
                  "línea 3: el asteroide 2 ya apareció en la línea 2"},
        CasoError{"Falta", Unir({LineaEjemplo(1), LineaEjemplo(3)}), Opciones(3),
                  "prueba.dat: falta el asteroide 2 (se piden los asteroides 1 a 3)"},
        CasoError{"HastaMasAllaDelFichero", Unir({LineaEjemplo(1), LineaEjemplo(2)}), Opciones(5),
                  "falta el asteroide 3"},
        CasoError{"SinCeres", Unir({LineaEjemplo(2)}), {}, "no contiene el asteroide 1"},
        CasoError{"Vacio", "", {}, "prueba.dat: no contiene ningún registro de elementos"},
        CasoError{"SoloProvisionales",
                  Cambiar(LineaEjemplo(1), 1, "K14A00A"),
                  {},
                  "no contiene el asteroide 1"},
        // The header is skipped only when its dashes come before the first record.
        CasoError{"GuionesTrasUnRegistro",
                  Unir({LineaEjemplo(1), "---------------", LineaEjemplo(2)}),
                  {},
                  "línea 2: la designación (columnas 1-7)"},
        CasoError{"TextoSinGuiones",
                  Unir({"Un fichero cualquiera", "", LineaEjemplo(1)}),
                  {},
                  "línea 1: la designación (columnas 1-7)"},
        CasoError{"SoloTexto",
                  "Esto no son elementos\n",
                  {},
                  "prueba.dat: no es un fichero de elementos orbitales"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(LectorMPC, ElPrimerErrorDelFicheroEsElQueSeDice) {
  const std::string texto = Unir({LineaEjemplo(1), Cambiar(LineaEjemplo(2), 71, "2.0000000"),
                                  Cambiar(LineaEjemplo(3), 93, "       -1.")});
  try {
    Leer(texto);
    FAIL() << "no error";
  } catch (const ErrorElementos& e) {
    EXPECT_EQ(e.linea(), 2u);
  }
}

// Enough records for the fields to be converted on several threads.
std::vector<std::string> MuchosRegistros(int cuantos) {
  std::vector<std::string> lineas;
  for (int k = 1; k <= cuantos; ++k) {
    char numero[12];
    std::snprintf(numero, sizeof numero, "%05d", k);
    lineas.push_back(Cambiar(LineaEjemplo(1 + (k - 1) % 227), 1, numero));
  }
  return lineas;
}

TEST(LectorMPC, MuchosRegistrosSeLeenEnOrden) {
  const std::vector<ElementosOrbitales> el = Leer(Unir(MuchosRegistros(9000)));
  ASSERT_EQ(el.size(), 9000u);
  for (std::size_t i = 0; i < el.size(); i += 997) {
    SCOPED_TRACE(i);
    EXPECT_EQ(el[i].numero, static_cast<std::int32_t>(i + 1));
    const ElementosOrbitales& original = el[i % 227];
    EXPECT_EQ(el[i].semieje, original.semieje);
    EXPECT_EQ(el[i].Nombre(), original.Nombre());
  }
}

TEST(LectorMPC, EntreMuchosRegistrosSeDiceElPrimerError) {
  std::vector<std::string> lineas = MuchosRegistros(9000);
  lineas[8500] = Cambiar(lineas[8500], 93, "    -1.0000");
  lineas[6001] = Cambiar(lineas[6001], 60, "  abc    ");
  lineas[6100] = Cambiar(lineas[6100], 21, "K22Z9");
  try {
    Leer(Unir(lineas));
    FAIL() << "no error";
  } catch (const ErrorElementos& e) {
    EXPECT_EQ(e.linea(), 6002u) << e.what();
    EXPECT_NE(std::string(e.what()).find("la inclinación"), std::string::npos) << e.what();
  }
}

TEST(LectorMPC, UnFicheroQueNoExisteEsUnErrorDeLectura) {
  EXPECT_THROW(ArchivoElementos("/nonexistent/MPCORB.DAT"), ErrorLecturaElementos);
  EXPECT_THROW(ArchivoElementos("/"), ErrorLecturaElementos);
}

TEST(Errores, SonTodosFallos) {
  // One catch in each program's handler takes every one of them.
  EXPECT_THROW(throw ErrorElementos("e", 1), Fallo);
  EXPECT_THROW(throw ErrorLecturaElementos("e"), Fallo);
  EXPECT_THROW(throw ErrorInstante("e"), Fallo);
  EXPECT_THROW(throw ErrorIntegracion("e"), Fallo);
}

}  // namespace
}  // namespace orbelux::efemerides
