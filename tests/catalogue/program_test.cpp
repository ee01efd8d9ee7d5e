// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-catalogo from its command line to the file it writes.
#include "catalogue/command_line.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <sstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include "catalogue/catalogue_maker.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/time_scales.h"

#include "reference_table.h"
#include "support/faulty_fs.h"
#include "support/temp_dir.h"

namespace orbelux::catalogo {
namespace {

namespace fs = std::filesystem;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;

const std::string kEjemplo = ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat";
const std::vector<std::string> kConElementos = {"--elementos", "elementos.dat", "--fecha",
                                                "2022-09-20"};

struct Ejecucion {
  int codigo = -1;
  std::string salida;
  std::string errores;
};

Ejecucion Ejecutar(const std::vector<std::string>& argumentos, EntornoPrograma entorno = {}) {
  std::ostringstream salida;
  std::ostringstream errores;
  Ejecucion e;
  e.codigo = ProgramaCatalogo(argumentos, salida, errores, entorno);
  e.salida = salida.str();
  e.errores = errores.str();
  return e;
}

void EscribirGzip(const fs::path& ruta, std::string_view contenido) {
#ifdef _WIN32
  gzFile gz = gzopen_w(ruta.c_str(), "wb9");
#else
  gzFile gz = gzopen(ruta.c_str(), "wb9");
#endif
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, contenido.data(), static_cast<unsigned>(contenido.size())),
            static_cast<int>(contenido.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
}

std::vector<std::string> Lineas(const std::string& catalogo) {
  std::vector<std::string> lineas;
  for (std::size_t pos = 0; pos < catalogo.size();) {
    const std::size_t fin = catalogo.find("\r\n", pos);
    if (fin == std::string::npos) break;
    lineas.push_back(catalogo.substr(pos, fin - pos));
    pos = fin + 2;
  }
  return lineas;
}

// The positions in the reference, rounded as the catalogue rounds them, and how near they
// are to a rounding boundary.
struct Redondeado {
  long long valor;      // tenths of a second of time, or arcseconds
  double a_la_frontera;  // distance to the nearest boundary, in the same unit
};

Redondeado Redondear(double unidades) {
  const double r = std::round(unidades);
  return {static_cast<long long>(r), 0.5 - std::abs(unidades - r)};
}

long long DecimasDeLinea(const std::string& l) {
  return std::stoll(l.substr(36, 2)) * 36000 + std::stoll(l.substr(39, 2)) * 600 +
         std::stoll(l.substr(42, 2)) * 10 + std::stoll(l.substr(45, 1));
}

long long ArcoDeLinea(const std::string& l) {
  const long long valor = std::stoll(l.substr(48, 2)) * 3600 + std::stoll(l.substr(51, 2)) * 60 +
                          std::stoll(l.substr(54, 2));
  return l[47] == '-' ? -valor : valor;
}

struct CasoReferencia {
  const char* nombre;
  const char* fecha;
  const char* utc;
  const char* dia_juliano;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoReferencia& caso, std::ostream* os) { *os << caso.nombre; }

class CatalogoDeReferencia : public testing::TestWithParam<CasoReferencia> {};

TEST_P(CatalogoDeReferencia, CoincideConLaReferenciaAlRedondeoDeSusCampos) {
  const CasoReferencia& c = GetParam();
  DirectorioTemporal dir(true);
  // The reference is two-body motion from the same elements.
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", c.fecha, "--dos-cuerpos"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const std::vector<std::string> lineas = Lineas(LeerArchivo(dir / "ast.dat"));
  ASSERT_EQ(lineas.size(), 227u);
  EXPECT_EQ(lineas[0].substr(23, 12), c.dia_juliano);

  int filas = 0;
  int en_frontera = 0;
  double max_ra = 0;   // seconds of time between written and reference
  double max_dec = 0;  // arcseconds
  double max_mag = 0;
  for (const prueba::PosicionReferencia& ref :
       prueba::LeerReferencia(ORBELUX_TEST_DATA_DIR "/ephemeris/reference_positions.tsv")) {
    if (ref.utc != c.utc) continue;
    ++filas;
    const std::string& l = lineas.at(static_cast<std::size_t>(ref.numero - 1));
    SCOPED_TRACE(l);
    ASSERT_EQ(l.size(), 62u);

    const double decimas_ref = ref.ra_deg / 15 * 36000;
    Redondeado ra = Redondear(decimas_ref);
    ra.valor %= 864000;
    long long d_ra = DecimasDeLinea(l) - ra.valor;
    if (d_ra > 432000) d_ra -= 864000;
    if (d_ra < -432000) d_ra += 864000;
    const Redondeado dec = Redondear(ref.dec_deg * 3600);
    const long long d_dec = ArcoDeLinea(l) - dec.valor;
    // One last digit either way, and only where the reference lies within 0.0013 s of
    // time or 0.02" of a boundary.
    if (d_ra != 0 || d_dec != 0) ++en_frontera;
    EXPECT_TRUE(d_ra == 0 || (std::abs(d_ra) == 1 && ra.a_la_frontera < 0.013)) << d_ra;
    EXPECT_TRUE(d_dec == 0 || (std::abs(d_dec) == 1 && dec.a_la_frontera < 0.02)) << d_dec;

    const double magnitud = std::stod(l.substr(57, 5));
    EXPECT_LE(std::abs(magnitud - ref.v_mag), 0.05 + 1e-9);

    double dif_ra = (DecimasDeLinea(l) - decimas_ref) / 10;
    dif_ra -= 86400 * std::round(dif_ra / 86400);
    max_ra = std::max(max_ra, std::abs(dif_ra));
    max_dec = std::max(max_dec, std::abs(ArcoDeLinea(l) - ref.dec_deg * 3600));
    max_mag = std::max(max_mag, std::abs(magnitud - ref.v_mag));
  }
  EXPECT_EQ(filas, 227);
  std::cout << c.utc << ": written vs reference, max |dRA| " << max_ra << " s, max |dDec| "
            << max_dec << "\", max |dV| " << max_mag << ", last digit off by a boundary: "
            << en_frontera << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Instantes, CatalogoDeReferencia,
    testing::Values(
        CasoReferencia{"Epoca", "2022-08-09", "2022-08-09T00:00", "2459800.5000"},
        CasoReferencia{"SeisSemanas", "2022-09-20", "2022-09-20T00:00", "2459842.5000"},
        CasoReferencia{"SeisMeses", "2023-02-01T06:00", "2023-02-01T06:00", "2459976.7500"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Programa, ResumeEnUnaLinea) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2022-09-20"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "Catálogo de 227 asteroides para el 2022-09-20 00:00:00 UTC (día juliano "
            "2459842.5000) escrito en ast.dat\n");
  EXPECT_EQ(e.errores, "");
  EXPECT_EQ(dir.Listado(), "ast.dat");
}

TEST(Programa, GzipYTextoDanElMismoCatalogo) {
  DirectorioTemporal dir(true);
  const std::string elementos = LeerArchivo(kEjemplo);
  EscribirArchivo(dir / "plano.dat", elementos);
  // The name says nothing: the content decides.
  EscribirGzip(dir / "comprimido.dat", elementos);
  ASSERT_NE(LeerArchivo(dir / "comprimido.dat"), elementos);
  ASSERT_EQ(Ejecutar({"--elementos", "plano.dat", "--fecha", "2022-09-20", "--salida", "a.dat"})
                .codigo,
            0);
  ASSERT_EQ(Ejecutar({"--elementos", "comprimido.dat", "--fecha", "2022-09-20", "--salida",
                      "b.dat"})
                .codigo,
            0);
  EXPECT_EQ(LeerArchivo(dir / "a.dat"), LeerArchivo(dir / "b.dat"));
}

// The first `n` lines of the bundled elements.
std::string PrimerasLineas(const std::string& texto, int n) {
  std::size_t fin = 0;
  for (int i = 0; i < n; ++i) fin = texto.find('\n', fin) + 1;
  return texto.substr(0, fin);
}

TEST(Programa, ElementosPorOmisionMPCORBYSuGzip) {
  DirectorioTemporal dir(true);
  const std::string elementos = LeerArchivo(kEjemplo);
  // Each file holds a different number of asteroids, which tells which one was read.
  EscribirGzip(dir / "MPCORB.DAT.gz", PrimerasLineas(elementos, 3));
  Ejecucion e = Ejecutar({"--fecha", "2022-09-20"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(Lineas(LeerArchivo(dir / "ast.dat")).size(), 3u);
  // MPCORB.DAT comes first when both are there.
  EscribirArchivo(dir / "MPCORB.DAT", PrimerasLineas(elementos, 5));
  e = Ejecutar({"--fecha", "2022-09-20"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(Lineas(LeerArchivo(dir / "ast.dat")).size(), 5u);
}

TEST(Programa, FinesDeLineaCRSolosDanElMismoCatalogo) {
  DirectorioTemporal dir(true);
  std::string cr = LeerArchivo(kEjemplo);
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  EscribirArchivo(dir / "cr.dat", cr);
  ASSERT_EQ(
      Ejecutar({"--elementos", kEjemplo, "--fecha", "2022-09-20", "--salida", "lf.ast"}).codigo, 0);
  const Ejecucion e = Ejecutar({"--elementos", "cr.dat", "--fecha", "2022-09-20"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(LeerArchivo(dir / "ast.dat"), LeerArchivo(dir / "lf.ast"));
}

#ifndef _WIN32  // symbolic links and mode bits are POSIX's
TEST(Programa, LaSalidaEnlazadaSigueSiendoUnEnlaceYConservaSuModo) {
  DirectorioTemporal dir(true);
  fs::create_directory(dir / "datos");
  EscribirArchivo(dir / "datos" / "ast.dat", "viejo");
  fs::permissions(dir / "datos" / "ast.dat", fs::perms(0600));
  fs::create_symlink("datos/ast.dat", dir / "ast.dat");
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2022-09-20", "--hasta", "3"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "ast.dat")));
  EXPECT_EQ(Lineas(LeerArchivo(dir / "datos" / "ast.dat")).size(), 3u);
  EXPECT_EQ(fs::status(dir / "datos" / "ast.dat").permissions(), fs::perms(0600));
  EXPECT_EQ(dir.Listado(), "ast.dat datos");
}
#endif

TEST(Programa, LaLecturaAvisaDeSuProgresoAntesQueLasPosiciones) {
  DirectorioTemporal dir(true);
  EscribirGzip(dir / "e.gz", LeerArchivo(kEjemplo));
  PeticionCatalogo peticion;
  peticion.elementos = "e.gz";
  peticion.nombre_elementos = "e.gz";
  peticion.salida = "ast.dat";
  peticion.instante = efemerides::InstanteDesdeCalendario(2022, 9, 20, 0, 0, 0);
  peticion.opciones.movimiento = Movimiento::DosCuerpos;
  std::vector<Etapa> etapas;
  std::size_t leidos = 0;
  peticion.opciones.progreso = [&](Etapa etapa, std::size_t hechos, std::size_t total) {
    if (etapas.empty() || etapas.back() != etapa) etapas.push_back(etapa);
    if (etapa == Etapa::Lectura) {
      EXPECT_EQ(total, fs::file_size("e.gz"));
      leidos = hechos;
    }
  };
  EXPECT_EQ(HacerCatalogo(peticion).asteroides, 227);
  EXPECT_EQ(etapas, (std::vector<Etapa>{Etapa::Lectura, Etapa::Posiciones}));
  EXPECT_EQ(leidos, fs::file_size("e.gz"));
}

// The disk breaks at one step of reading or writing: exit 1, one message with the path
// once, the old catalogue as it was and nothing left behind.
struct CasoAveria {
  const char* nombre;
  prueba::Averia averia;
  bool gzip;
  std::string errores;  // the whole of standard error
};

void PrintTo(const CasoAveria& caso, std::ostream* os) { *os << caso.nombre; }

class AveriasDelDisco : public testing::TestWithParam<CasoAveria> {};

TEST_P(AveriasDelDisco, DanUnMensajeYDejanElCatalogoComoEstaba) {
  const CasoAveria& c = GetParam();
  DirectorioTemporal dir(true);
  const std::string viejo = "catálogo anterior\r\n";
  EscribirArchivo(dir / "ast.dat", viejo);
  fs::permissions(dir / "ast.dat", fs::perms(0640));
  if (c.gzip) {
    EscribirGzip(dir / "elementos.dat", LeerArchivo(kEjemplo));
  } else {
    EscribirArchivo(dir / "elementos.dat", LeerArchivo(kEjemplo));
  }
  prueba::SistemaConAverias sistema(c.averia, 1000);
  EntornoPrograma entorno;
  entorno.sistema = &sistema;
  const Ejecucion e = Ejecutar(kConElementos, entorno);
  EXPECT_EQ(e.codigo, 1);
  EXPECT_EQ(e.salida, "");
  EXPECT_EQ(e.errores, c.errores);
  EXPECT_EQ(dir.Listado(), "ast.dat elementos.dat");
  if (c.averia == prueba::Averia::SincronizarDirectorio) {
    // The one failure after the rename: the catalogue is new, and the user is told.
    EXPECT_EQ(Lineas(LeerArchivo(dir / "ast.dat")).size(), 227u);
  } else {
    EXPECT_EQ(LeerArchivo(dir / "ast.dat"), viejo);
  }
#ifndef _WIN32
  EXPECT_EQ(fs::status(dir / "ast.dat").permissions(), fs::perms(0640));
#endif
}

constexpr const char* kNoSeEscribe = "orbelux-catalogo: no se puede escribir el catálogo: ";

INSTANTIATE_TEST_SUITE_P(
    LecturaYEscritura, AveriasDelDisco,
    testing::Values(
        CasoAveria{"Abrir", prueba::Averia::AbrirLectura, false,
                   "orbelux-catalogo: elementos.dat: no se puede abrir: averia provocada; no se "
                   "ha escrito nada\n"},
        CasoAveria{"LeerAMitad", prueba::Averia::LeerAMitad, false,
                   "orbelux-catalogo: elementos.dat: error de lectura: averia provocada; no se ha "
                   "escrito nada\n"},
        CasoAveria{"LeerGzipAMitad", prueba::Averia::LeerAMitad, true,
                   "orbelux-catalogo: elementos.dat: error de lectura: averia provocada; no se ha "
                   "escrito nada\n"},
        CasoAveria{"Enlaces", prueba::Averia::ResolverEnlaces, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"Estado", prueba::Averia::Estado, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"Crear", prueba::Averia::CrearTemporal, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"Permisos", prueba::Averia::TomarPermisos, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"Escribir", prueba::Averia::EscribirAMitad, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"Sincronizar", prueba::Averia::Sincronizar, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"Renombrar", prueba::Averia::Renombrar, false,
                   std::string(kNoSeEscribe) + "ast.dat: averia provocada\n"},
        CasoAveria{"SincronizarDirectorio", prueba::Averia::SincronizarDirectorio, false,
                   std::string(kNoSeEscribe) +
                       "ast.dat: escrito, pero sin poder asegurarlo en el disco: averia "
                       "provocada\n"}),
    [](const auto& info) { return std::string(info.param.nombre); });

#ifndef _WIN32  // Windows has no FIFOs
// What a user can point the program at by mistake: a clear message, exit 1, no hang and
// nothing changed.
TEST(Programa, LoQueNoEsUnArchivoNormalSeRechazaSinEsperar) {
  DirectorioTemporal dir(true);
  ASSERT_EQ(::mkfifo("tuberia", 0600), 0);
  EscribirArchivo(dir / "ast.dat", "viejo");
  struct Caso {
    const char* nombre;
    std::vector<std::string> argumentos;
    std::string errores;
  };
  const Caso casos[] = {
      {"FIFO as elements",
       {"--elementos", "tuberia", "--fecha", "2022-09-20"},
       "orbelux-catalogo: tuberia: no se puede abrir: no es un archivo normal; no se ha escrito "
       "nada\n"},
      {"FIFO as output",
       {"--elementos", kEjemplo, "--fecha", "2022-09-20", "--salida", "tuberia"},
       std::string(kNoSeEscribe) + "tuberia: no es un archivo normal\n"},
      {"folder as output",
       {"--elementos", kEjemplo, "--fecha", "2022-09-20", "--salida", "."},
       std::string(kNoSeEscribe) + ".: no es un archivo normal\n"},
      {"output in a missing folder",
       {"--elementos", kEjemplo, "--fecha", "2022-09-20", "--salida", "falta/ast.dat"},
       std::string(kNoSeEscribe) + "falta/ast.dat: no existe\n"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const Ejecucion e = Ejecutar(caso.argumentos);
    EXPECT_EQ(e.codigo, 1);
    EXPECT_EQ(e.errores, caso.errores);
    EXPECT_TRUE(fs::is_fifo(fs::status("tuberia")));
    EXPECT_EQ(LeerArchivo(dir / "ast.dat"), "viejo");
    EXPECT_EQ(dir.Listado(), "ast.dat tuberia");
  }
}
#endif

TEST(Programa, UnaBombaGzipDeLineasEnBlancoSeRechaza) {
  DirectorioTemporal dir(true);
  const std::string elementos = LeerArchivo(kEjemplo);
  std::string bomba = PrimerasLineas(elementos, 1);
  bomba.append(efemerides::kMaximoLineasSinRegistro + 1, '\n');
  bomba += elementos;
  EscribirGzip(dir / "bomba.gz", bomba);
  EscribirArchivo(dir / "ast.dat", "viejo");
  const Ejecucion e = Ejecutar({"--elementos", "bomba.gz", "--fecha", "2022-09-20"});
  EXPECT_EQ(e.codigo, 1);
  EXPECT_EQ(e.errores,
            "orbelux-catalogo: bomba.gz, línea 10000002: más de diez millones de líneas seguidas "
            "sin ningún registro (desde la línea 2): no parece un fichero de elementos; no se ha "
            "escrito nada\n");
  EXPECT_EQ(LeerArchivo(dir / "ast.dat"), "viejo");
}

TEST(Programa, CabeceraProvisionalesYTildeSeSaltan) {
  DirectorioTemporal dir(true);
  std::string ejemplo = LeerArchivo(kEjemplo);
  const std::string ceres_real =
      "00001    3.4   0.15 K205V 162.68631   73.73161   80.28698   10.58862  0.0775571  "
      "0.21406009   2.7676569  0 MPO492748  6751 115 1801-2019 0.60 M-v 30h Williams   0000   "
      "   (1) Ceres              20190915";
  const std::string resto = ejemplo.substr(ejemplo.find('\n') + 1);
  std::string provisional = resto.substr(0, resto.find('\n'));
  provisional.replace(0, 7, "K22A01B");
  std::string tilde = provisional;
  tilde.replace(0, 7, "~0001  ");
  const std::string texto = "MINOR PLANET CENTER ORBIT DATABASE (MPCORB)\n\n" +
                            std::string(202, '-') + "\n" + ceres_real + "\n" + resto + "\n" +
                            provisional + "\n" + tilde + "\n";
  EscribirArchivo(dir / "MPCORB.DAT", texto);
  const Ejecucion e = Ejecutar({"--jd", "2458984.5"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  const std::vector<std::string> lineas = Lineas(LeerArchivo(dir / "ast.dat"));
  ASSERT_EQ(lineas.size(), 227u);
  // Ceres from its own 2020 elements on 2020-05-15: the position JPL Horizons gives to 0.2".
  EXPECT_EQ(lineas[0], "(1) Ceres              2458984.5000 22 42 22.9 -17 34 25   9.1");
  EXPECT_EQ(lineas[226].substr(0, 23), "(227) Philosophia      ");
}

TEST(Programa, JDYFechaDanElMismoCatalogo) {
  DirectorioTemporal dir(true);
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", "2023-02-01T06:00:00", "--salida",
                      "a.dat"})
                .codigo,
            0);
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--jd=2459976.75", "--salida=b.dat"}).codigo, 0);
  EXPECT_EQ(LeerArchivo(dir / "a.dat"), LeerArchivo(dir / "b.dat"));
}

TEST(Programa, SinFechaEsAhoraAlMinuto) {
  DirectorioTemporal dir(true);
  EntornoPrograma entorno;
  // 2022-09-20 00:00:42 UTC.
  entorno.reloj = [] { return static_cast<std::time_t>(1663632042); };
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--salida", "ahora.dat"}, entorno).codigo, 0);
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", "2022-09-20", "--salida", "f.dat"})
                .codigo,
            0);
  EXPECT_EQ(LeerArchivo(dir / "ahora.dat"), LeerArchivo(dir / "f.dat"));
}

TEST(Programa, ConDosCuerposAvisaDeEpocasLejanas) {
  DirectorioTemporal dir(true);
  Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2023-06-01", "--dos-cuerpos"});
  ASSERT_EQ(e.codigo, 0);
  EXPECT_NE(e.errores.find("aviso: 227 de 227 asteroides tienen elementos de una época a más "
                           "de 200 días"),
            std::string::npos)
      << e.errores;
  e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2023-02-01", "--dos-cuerpos"});
  EXPECT_EQ(e.errores, "");
  // Integrated positions stay good that far from the epoch: no warning.
  e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2023-06-01"});
  ASSERT_EQ(e.codigo, 0);
  EXPECT_EQ(e.errores, "");
}

TEST(Programa, PasadaLaTablaDeSegundosIntercalaresAvisaYEscribe) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2031-01-01", "--hasta", "3"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_NE(e.errores.find("segundos intercalares"), std::string::npos);
  EXPECT_EQ(Lineas(LeerArchivo(dir / "ast.dat")).size(), 3u);
}

TEST(Programa, UnAsteroideEnSingular) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2022-09-20", "--hasta", "1"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "Catálogo de 1 asteroide para el 2022-09-20 00:00:00 UTC (día juliano "
            "2459842.5000) escrito en ast.dat\n");
}

TEST(Programa, SegundoIntercalarYZona) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2017-01-01T00:59:60+01:00",
                                "--hasta", "2", "--dos-cuerpos"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "Catálogo de 2 asteroides para el 2016-12-31 23:59:60 UTC (día juliano "
            "2457754.5000) escrito en ast.dat\n");
}

TEST(Programa, SalidaEstandar) {
  DirectorioTemporal dir(true);
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", "2022-09-20", "--hasta", "30"}).codigo,
            0);
  const Ejecucion e = Ejecutar(
      {"--elementos", kEjemplo, "--fecha", "2022-09-20", "--hasta", "30", "--salida", "-"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida, LeerArchivo(dir / "ast.dat"));
  EXPECT_EQ(e.errores,
            "Catálogo de 30 asteroides para el 2022-09-20 00:00:00 UTC (día juliano "
            "2459842.5000) escrito en la salida estándar\n");
  // Nothing named "-", and no temporary file, beside the first catalogue.
  EXPECT_EQ(dir.Listado(), "ast.dat");
}

// A stream that refuses every byte, as standard output on a full disk.
class FlujoLleno final : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(Programa, SalidaEstandarQueFalla) {
  DirectorioTemporal dir(true);
  FlujoLleno lleno;
  std::ostream salida(&lleno);
  std::ostringstream errores;
  const int codigo = ProgramaCatalogo(
      {"--elementos", kEjemplo, "--fecha", "2022-09-20", "--hasta", "3", "--salida", "-"}, salida,
      errores);
  EXPECT_EQ(codigo, 1);
  EXPECT_EQ(errores.str().rfind(
                "orbelux-catalogo: no se puede escribir el catálogo en la salida estándar", 0),
            0u)
      << errores.str();
  EXPECT_EQ(errores.str().find("Catálogo de"), std::string::npos);
  EXPECT_EQ(dir.Listado(), "");
}

TEST(Programa, AyudaYVersion) {
  Ejecucion e = Ejecutar({"--ayuda"});
  EXPECT_EQ(e.codigo, 0);
  EXPECT_NE(e.salida.find("Uso: orbelux-catalogo [--fecha AAAA-MM-DD[THH:MM[:SS]]]"),
            std::string::npos);
  EXPECT_NE(e.salida.find("--dos-cuerpos  movimiento de dos cuerpos"), std::string::npos);
  EXPECT_NE(e.salida.find("--observatorio buscar:PALABRA lista los"), std::string::npos);
  EXPECT_NE(e.salida.find("  --lugar LON,LAT[,ALT]\n"), std::string::npos);
  EXPECT_NE(e.salida.find("2026-12-07T22:30+01:00"), std::string::npos);
  EXPECT_EQ(Ejecutar({"-h"}).salida, e.salida);
  EXPECT_EQ(Ejecutar({"--help"}).salida, e.salida);
  EXPECT_EQ(Ejecutar({"--help"}).codigo, 0);
  // The bounds a user could hit.
  for (const char* limite :
       {"como mucho 32767 asteroides", "abarcan como mucho 200 años",
        "como mucho 200000 pasos más 20000 por año", "más de 10 millones de líneas seguidas",
        "Con \"-\", a la salida estándar"}) {
    SCOPED_TRACE(limite);
    EXPECT_NE(e.salida.find(limite), std::string::npos);
  }
  e = Ejecutar({"--version"});
  EXPECT_EQ(e.codigo, 0);
  EXPECT_EQ(e.salida.rfind("orbelux-catalogo ", 0), 0u);
}

// Every failure: a message, a non-zero code, nothing written and the old catalogue intact.
struct CasoFallo {
  const char* nombre;
  std::vector<std::string> argumentos;
  std::string elementos;  // written to elementos.dat unless empty
  bool gzip_truncado;
  prueba::Averia averia;
  int codigo;
  std::string mensaje;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoFallo& caso, std::ostream* os) { *os << caso.nombre; }

class Fallos : public testing::TestWithParam<CasoFallo> {};

std::string EjemploCambiado(std::size_t linea, std::size_t columna, std::string_view texto) {
  std::string ejemplo = LeerArchivo(kEjemplo);
  std::size_t pos = 0;
  for (std::size_t i = 1; i < linea; ++i) pos = ejemplo.find('\n', pos) + 1;
  ejemplo.replace(pos + columna - 1, texto.size(), texto);
  return ejemplo;
}

TEST_P(Fallos, NoEscribenNadaYDejanElCatalogoComoEstaba) {
  const CasoFallo& c = GetParam();
  DirectorioTemporal dir(true);
  const std::string viejo = "catálogo anterior\r\n";
  EscribirArchivo(dir / "ast.dat", viejo);
  if (!c.elementos.empty()) EscribirArchivo(dir / "elementos.dat", c.elementos);
  if (c.gzip_truncado) {
    EscribirGzip(dir / "entero.gz", LeerArchivo(kEjemplo));
    const std::string gz = LeerArchivo(dir / "entero.gz");
    fs::remove(dir / "entero.gz");
    EscribirArchivo(dir / "elementos.dat", gz.substr(0, gz.size() / 2));
  }
  const std::string antes = dir.Listado();
  prueba::SistemaConAverias sistema(c.averia, 1000);
  EntornoPrograma entorno;
  entorno.sistema = &sistema;
  const Ejecucion e = Ejecutar(c.argumentos, entorno);
  EXPECT_EQ(e.codigo, c.codigo);
  EXPECT_EQ(e.salida, "");
  EXPECT_EQ(e.errores.rfind("orbelux-catalogo: ", 0), 0u) << e.errores;
  EXPECT_NE(e.errores.find(c.mensaje), std::string::npos) << e.errores;
  EXPECT_EQ(LeerArchivo(dir / "ast.dat"), viejo);
  EXPECT_EQ(dir.Listado(), antes);
}

std::vector<std::string> Mas(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Todos, Fallos,
    testing::Values(
        CasoFallo{"CampoQueNoSeLee", kConElementos, EjemploCambiado(57, 27, "12x.45678"), false,
                  prueba::Averia::Ninguna, 1,
                  "elementos.dat, línea 57: la anomalía media (columnas 27-35) no es un número"},
        CasoFallo{"Hiperbolica", kConElementos, EjemploCambiado(3, 71, "1.2000000"), false,
                  prueba::Averia::Ninguna, 1, "línea 3: la excentricidad (columnas 71-79)"},
        CasoFallo{"SemiejeCero", kConElementos, EjemploCambiado(9, 93, "  0.0000000"), false,
                  prueba::Averia::Ninguna, 1, "línea 9: el semieje mayor (columnas 93-103)"},
        CasoFallo{"OrbitaQueNoSePuedeSeguir", kConElementos, EjemploCambiado(9, 93, "  0.0000001"),
                  false, prueba::Averia::Ninguna, 1,
                  "no se puede calcular la posición del asteroide 9: la integración no puede "
                  "seguir el movimiento"},
        CasoFallo{"DemasiadosAniosQueIntegrar",
                  {"--elementos", kEjemplo, "--fecha", "2300-01-01"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  1,
                  "la fecha y las épocas de los elementos abarcan 277 años, demasiado para "
                  "integrar las órbitas (como mucho 200); --dos-cuerpos las calcula sin los "
                  "planetas; no se ha escrito nada"},
        CasoFallo{"FaltaUnNumero", Mas(kConElementos, {"--hasta", "300"}), LeerArchivo(kEjemplo),
                  false, prueba::Averia::Ninguna, 1, "falta el asteroide 228"},
        CasoFallo{"HastaElMaximoSeAcepta", Mas(kConElementos, {"--hasta", "32767"}),
                  LeerArchivo(kEjemplo), false, prueba::Averia::Ninguna, 1,
                  "falta el asteroide 228"},
        CasoFallo{"NoExiste",
                  {"--elementos", "no-existe.dat"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  1,
                  "no-existe.dat: no se puede abrir"},
        CasoFallo{"SinMPCORB",
                  {"--fecha", "2022-09-20"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  1,
                  "no están ni MPCORB.DAT ni MPCORB.DAT.gz"},
        CasoFallo{"EsUnDirectorio",
                  {"--elementos", "."},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  1,
                  "no se puede abrir: no es un archivo normal"},
        CasoFallo{"GzipTruncado", kConElementos, "", true, prueba::Averia::Ninguna, 1,
                  "elementos.dat: el fichero comprimido está incompleto"},
        CasoFallo{
            "GzipDaniado", kConElementos,
            std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + std::string(200, '\xff'),
            false, prueba::Averia::Ninguna, 1, "el contenido comprimido está dañado"},
        CasoFallo{"HastaDemasiado", Mas(kConElementos, {"--hasta", "40000"}), LeerArchivo(kEjemplo),
                  false, prueba::Averia::Ninguna, 2,
                  "--hasta 40000: como mucho 32767, porque la generación de listas no lee"},
        CasoFallo{"HastaCero", Mas(kConElementos, {"--hasta", "0"}), LeerArchivo(kEjemplo), false,
                  prueba::Averia::Ninguna, 2, "--hasta 0: debe ser al menos 1"},
        CasoFallo{"HastaNoNumero", Mas(kConElementos, {"--hasta", "diez"}), LeerArchivo(kEjemplo),
                  false, prueba::Averia::Ninguna, 2,
                  "--hasta diez: se espera un número entero positivo"},
        CasoFallo{"FechaMalEscrita",
                  {"--fecha", "20/09/2022"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--fecha 20/09/2022: se espera AAAA-MM-DD"},
        CasoFallo{"SegundoQueNoExiste",
                  {"--elementos", kEjemplo, "--fecha", "2022-09-20T00:00:99"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--fecha 2022-09-20T00:00:99: esa fecha u hora no existe"},
        CasoFallo{"SegundoSesentaSinSegundoIntercalar",
                  {"--elementos", kEjemplo, "--fecha", "1972-06-29T23:59:60"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--fecha 1972-06-29T23:59:60: el segundo 60 solo existe"},
        CasoFallo{"SeEscribiriaElAnioDiezMil",
                  {"--elementos", kEjemplo, "--fecha", "9999-12-31T23:59:59.9999"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "el último instante que se puede escribir es 9999-12-31T23:59:59.4"},
        CasoFallo{"JDQueSeEscribiriaEnElAnioDiezMil",
                  {"--elementos", kEjemplo, "--jd", "5373484.4999999"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--jd 5373484.4999999: debe caer entre los años 1000 y 9999"},
        CasoFallo{"FechaQueNoExiste",
                  {"--fecha", "2022-02-30"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--fecha 2022-02-30: esa fecha u hora no existe"},
        CasoFallo{"HoraQueNoExiste",
                  {"--fecha", "2022-02-03T25:00"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "esa fecha u hora no existe"},
        CasoFallo{"FechaYJD",
                  {"--fecha", "2022-09-20", "--jd", "2459842.5"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--fecha y --jd no pueden ir juntas"},
        CasoFallo{"JDNoNumero",
                  {"--jd", "ayer"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--jd ayer: se espera un día juliano"},
        CasoFallo{"JDFueraDeRango",
                  {"--jd", "12.5"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--jd 12.5: debe caer entre los años 1000 y 9999"},
        CasoFallo{"OpcionDesconocida",
                  {"--desde", "3"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "opción desconocida: --desde"},
        CasoFallo{"SinValor",
                  {"--salida"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "falta el valor de --salida"},
        CasoFallo{"Repetida",
                  {"--hasta", "2", "--hasta", "3"},
                  "",
                  false,
                  prueba::Averia::Ninguna,
                  2,
                  "--hasta aparece más de una vez"},
        CasoFallo{"ObservatorioDesconocido", Mas(kConElementos, {"--observatorio", "ZZZ"}),
                  LeerArchivo(kEjemplo), false, prueba::Averia::Ninguna, 2,
                  "--observatorio ZZZ: no es un código de observatorio del MPC"},
        CasoFallo{"TelescopioEspacial", Mas(kConElementos, {"--observatorio", "250"}),
                  LeerArchivo(kEjemplo), false, prueba::Averia::Ninguna, 2,
                  "(Hubble Space Telescope) no está en un lugar fijo de la Tierra"},
        CasoFallo{"LatitudImposible", Mas(kConElementos, {"--lugar", "-3.38,91"}),
                  LeerArchivo(kEjemplo), false, prueba::Averia::Ninguna, 2,
                  "--lugar -3.38,91: la latitud debe estar entre -90 y 90 grados"},
        CasoFallo{"ObservatorioYLugar",
                  Mas(kConElementos, {"--observatorio", "J86", "--lugar=-3.38,37.06"}),
                  LeerArchivo(kEjemplo), false, prueba::Averia::Ninguna, 2,
                  "--observatorio y --lugar no pueden ir juntas"},
        CasoFallo{"SinTemporal", kConElementos, LeerArchivo(kEjemplo), false,
                  prueba::Averia::CrearTemporal, 1, "no se puede escribir el catálogo: ast.dat"},
        CasoFallo{"DiscoLleno", kConElementos, LeerArchivo(kEjemplo), false,
                  prueba::Averia::EscribirAMitad, 1, "no se puede escribir el catálogo: ast.dat"},
        CasoFallo{"SinSincronizar", kConElementos, LeerArchivo(kEjemplo), false,
                  prueba::Averia::Sincronizar, 1, "no se puede escribir el catálogo: ast.dat"},
        CasoFallo{"SinRenombrar", kConElementos, LeerArchivo(kEjemplo), false,
                  prueba::Averia::Renombrar, 1, "no se puede escribir el catálogo: ast.dat"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Sitio, ElResumenDiceDesdeDonde) {
  DirectorioTemporal dir(true);
  Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2024-03-01T22:00", "--observatorio",
                          "950", "--salida", "palma.dat"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "Catálogo de 227 asteroides para el 2024-03-01 22:00:00 UTC (día juliano "
            "2460371.4167) vistas desde 950 La Palma, escrito en palma.dat\n");
  e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2024-03-01T22:00", "--lugar",
                "-3.3842,37.064,2896", "--salida", "lugar.dat"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_EQ(e.salida,
            "Catálogo de 227 asteroides para el 2024-03-01 22:00:00 UTC (día juliano "
            "2460371.4167) vistas desde lon -3.38420, lat +37.06400, 2896 m, escrito en "
            "lugar.dat\n");
  EXPECT_NE(LeerArchivo(dir / "palma.dat"), LeerArchivo(dir / "lugar.dat"));
}

// Code 500 is the centre of the Earth: the catalogue of always.
TEST(Sitio, ElGeocentroEsElCatalogoDeSiempre) {
  DirectorioTemporal dir(true);
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", "2024-03-01T22:00"}).codigo, 0);
  const Ejecucion e = Ejecutar({"--elementos", kEjemplo, "--fecha", "2024-03-01T22:00",
                                "--observatorio", "500", "--salida", "500.dat"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_NE(e.salida.find(") vistas desde 500 Geocentric, escrito en 500.dat"), std::string::npos)
      << e.salida;
  EXPECT_EQ(LeerArchivo(dir / "500.dat"), LeerArchivo(dir / "ast.dat"));
}

// J86's parallax constants as WGS84 coordinates, in both spellings, give J86's catalogue.
TEST(Sitio, ElLugarDeUnCodigoDaSuCatalogo) {
  DirectorioTemporal dir(true);
  const std::vector<std::string> base = {"--elementos", kEjemplo, "--fecha", "2024-03-01T22:00"};
  ASSERT_EQ(Ejecutar(Mas(base, {"--observatorio", "J86", "--salida", "j86.dat"})).codigo, 0);
  ASSERT_EQ(Ejecutar(Mas(base, {"--lugar", "-3.3847,37.0641337531,2930.4128", "--salida", "a.dat"}))
                .codigo,
            0);
  ASSERT_EQ(
      Ejecutar(Mas(base, {"--lugar=-3:23:04.92,37:03:50.88151116,2930.4128", "--salida", "b.dat"}))
          .codigo,
      0);
  const std::string j86 = LeerArchivo(dir / "j86.dat");
  EXPECT_EQ(LeerArchivo(dir / "a.dat"), j86);
  EXPECT_EQ(LeerArchivo(dir / "b.dat"), j86);
}

TEST(Sitio, BuscarListaYNoEscribeNada) {
  DirectorioTemporal dir(true);
  const Ejecucion e = Ejecutar({"--observatorio", "buscar:Sierra NEVADA"});
  EXPECT_EQ(e.codigo, 0);
  EXPECT_EQ(e.salida, "J86  Sierra Nevada Observatory\n");
  EXPECT_EQ(e.errores, "");
  EXPECT_EQ(dir.Listado(), "");
}

}  // namespace
}  // namespace orbelux::catalogo
