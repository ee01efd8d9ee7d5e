// SPDX-License-Identifier: GPL-3.0-or-later
// Comets in orbelux-campo: each sample comet where the independent computation puts it,
// exactly the comets inside a wide circle, comets and asteroids in one listing, mixed and
// compressed files, the files of the folder, and bad comet lines skipped and counted.
#include <cmath>
#include <fstream>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "ephemeris/comet_record.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/sites.h"
#include "field/command_line.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;
using prueba::DirectorioTemporal;
using prueba::Ejecucion;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::Mas;
const prueba::ProgramaEnPrueba Ejecutar(ProgramaCampo);

const std::string kCometas = ORBELUX_EXAMPLES_DIR "/CometEls_muestra.txt";
const std::string kAsteroides = ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat";

std::vector<std::string> Campos(const std::string& linea, char separador) {
  std::vector<std::string> campos;
  std::string campo;
  bool comillas = false;
  for (const char c : linea) {
    if (c == '"') {
      comillas = !comillas;
    } else if (c == separador && !comillas) {
      campos.push_back(campo);
      campo.clear();
    } else {
      campo += c;
    }
  }
  campos.push_back(campo);
  return campos;
}

// The CSV rows after its header.
std::vector<std::vector<std::string>> Filas(const std::string& csv) {
  std::vector<std::vector<std::string>> filas;
  std::istringstream entrada(csv);
  std::string linea;
  std::getline(entrada, linea);
  while (std::getline(entrada, linea)) filas.push_back(Campos(linea, ','));
  return filas;
}

TEST(CometasEnCampo, CadaCometaDondeLoPoneLaReferenciaIndependiente) {
  std::ifstream entrada(ORBELUX_TEST_DATA_DIR "/ephemeris/comet_reference_positions.tsv");
  std::string linea;
  std::getline(entrada, linea);
  int filas = 0;
  while (std::getline(entrada, linea)) {
    const std::vector<std::string> f = Campos(linea, '\t');
    const std::string centro = f[3] + "," + f[4];
    const Ejecucion e = Ejecutar({"--elementos", kCometas, "--fecha", f[1], "--observatorio", f[2],
                                  "--centro", centro, "--radio", "1", "--formato", "csv"});
    ASSERT_EQ(e.codigo, 0) << e.errores;
    const auto listados = Filas(e.salida);
    ASSERT_EQ(listados.size(), 1u) << f[0] << " " << f[1] << "\n" << e.salida;
    EXPECT_EQ(listados[0][0], f[0]);
    EXPECT_LT(std::stod(listados[0][4]), 0.5) << f[0] << " " << f[1];  // distance, arcsec
    EXPECT_NEAR(std::stod(listados[0][3]), std::stod(f[9]), 0.02) << f[0] << " " << f[1];
    EXPECT_NEAR(std::stod(listados[0][9]), std::stod(f[7]), 1e-5) << f[0];  // delta
    ++filas;
  }
  EXPECT_EQ(filas, 30);
}

double Separacion(double ar1, double dec1, double ar2, double dec2) {
  const double g = std::numbers::pi / 180;
  const double c = std::sin(dec1 * g) * std::sin(dec2 * g) +
                   std::cos(dec1 * g) * std::cos(dec2 * g) * std::cos((ar1 - ar2) * g);
  return std::acos(std::min(1.0, c)) / g * 60;  // minutes of arc
}

TEST(CometasEnCampo, UnCirculoAnchoListaExactamenteLosCometasDeDentro) {
  // Every comet's own place by the ephemeris context, then a 10-degree circle on each:
  // the program must list exactly those within 600'.
  const ef::Instante instante = ef::InstanteDesdeCalendario(2024, 10, 14, 17, 0, 0);
  const ef::Sitio sitio = *ef::BuscarObservatorio("J86");
  ef::ContextoEfemerides ctx(instante, sitio, ef::Movimiento::Perturbado);
  std::vector<ef::ElementosOrbitales> elementos;
  std::vector<std::string> nombres;
  std::ifstream entrada(kCometas);
  std::string linea;
  ef::IntervaloEpocas intervalo(ctx.T());
  while (std::getline(entrada, linea)) {
    ef::ElementosOrbitales el;
    ASSERT_EQ(ef::ConvertirCometa(linea, 1, "m", el), std::nullopt);
    if (!el.sin_perturbar) intervalo.Incluir(el.epoca);
    elementos.push_back(el);
    nombres.emplace_back(ef::NombreCometa(linea));
  }
  ctx.PrepararPlanetas(intervalo, 2);
  std::vector<std::pair<double, double>> lugares;
  for (const auto& el : elementos) {
    const ef::LugarAstrometrico l = ctx.Lugar(el);
    lugares.emplace_back(l.ascension_recta * 180 / std::numbers::pi,
                         l.declinacion * 180 / std::numbers::pi);
  }
  for (std::size_t c = 0; c < lugares.size(); ++c) {
    // Off the comet itself, so that the circle's edge cuts between comets.
    const double ar = std::fmod(lugares[c].first + 3, 360);
    const double dec = std::clamp(lugares[c].second - 2, -89.0, 89.0);
    std::set<std::string> dentro;
    for (std::size_t k = 0; k < lugares.size(); ++k) {
      if (Separacion(ar, dec, lugares[k].first, lugares[k].second) <= 600)
        dentro.insert(nombres[k]);
    }
    const Ejecucion e =
        Ejecutar({"--elementos", kCometas, "--fecha", "2024-10-14 19:00+02", "--observatorio",
                  "J86", "--centro", std::to_string(ar) + "," + std::to_string(dec), "--radio",
                  "600", "--formato", "csv"});
    ASSERT_EQ(e.codigo, 0) << e.errores;
    std::set<std::string> listados;
    for (const auto& f : Filas(e.salida)) listados.insert(f[0]);
    EXPECT_EQ(listados, dentro) << nombres[c];
  }
}

// A gzip file of `texto`.
void EscribirGzip(const std::filesystem::path& ruta, const std::string& texto) {
  gzFile gz = gzopen(ruta.string().c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, texto.data(), static_cast<unsigned>(texto.size())),
            static_cast<int>(texto.size()));
  gzclose(gz);
}

TEST(CometasEnCampo, CometasYAsteroidesEnUnaListaPorDistancia) {
  // C/2023 A3 and the asteroids around it: one listing, by distance from the centre, the
  // same whichever file comes first, and from a gzip comet file with CR LF ends alike.
  DirectorioTemporal dir;
  std::string crlf;
  std::ifstream entrada(kCometas);
  for (std::string l; std::getline(entrada, l);) crlf += l + "\r\n";
  EscribirGzip(dir / "cometas.gz", crlf);
  const std::vector<std::string> comun = {"--fecha",        "2024-10-14 19:00+02",
                                          "--observatorio", "J86",
                                          "--centro",       "215.8,-4.6",
                                          "--radio",        "600",
                                          "--formato",      "csv"};
  const Ejecucion a = Ejecutar(Mas({"--elementos", kCometas, "--elementos", kAsteroides}, comun));
  const Ejecucion b = Ejecutar(
      Mas({"--elementos", kAsteroides, "--elementos=" + (dir / "cometas.gz").string()}, comun));
  ASSERT_EQ(a.codigo, 0) << a.errores;
  ASSERT_EQ(b.codigo, 0) << b.errores;
  EXPECT_EQ(a.salida, b.salida);
  const auto filas = Filas(a.salida);
  bool hay_cometa = false;
  bool hay_asteroide = false;
  for (std::size_t i = 0; i < filas.size(); ++i) {
    hay_cometa = hay_cometa || filas[i][0] == "C/2023 A3 (Tsuchinshan-ATLAS)";
    hay_asteroide = hay_asteroide || filas[i][0].starts_with("(");
    if (i > 0) {
      EXPECT_LE(std::stod(filas[i - 1][4]), std::stod(filas[i][4]));
    }
  }
  EXPECT_TRUE(hay_cometa);
  EXPECT_TRUE(hay_asteroide);
  // The text's header: one line per file with its own counts.
  const Ejecucion texto = Ejecutar({"--elementos", kCometas, "--elementos", kAsteroides, "--fecha",
                                    "2024-10-14", "--centro", "0,0", "--radio", "1"});
  ASSERT_EQ(texto.codigo, 0) << texto.errores;
  EXPECT_NE(texto.salida.find("Elementos:  " + kCometas +
                              " (15 cometas, 0 omitidos)\n"
                              "            " +
                              kAsteroides + " (227 registros, 0 omitidos)\n"),
            std::string::npos)
      << texto.salida;
}

TEST(CometasEnCampo, LasLineasMalasSeSaltanYSeCuentan) {
  DirectorioTemporal dir;
  std::string texto = LeerArchivo(kCometas);
  const std::string buena = texto.substr(0, texto.find('\n'));
  std::string mala = buena;
  mala.replace(41, 8, "-0.84698");  // e negative
  std::string sin_h = buena;
  sin_h.replace(91, 4, "    ");
  sin_h.replace(102, 8, "X/Sin H ");
  texto += mala + "\nesto no es un cometa\n\n" + sin_h + "\n";
  EscribirArchivo(dir / "CometEls.txt", texto);
  // --mag-max 12 leaves out 2P (m1 above 20) but never the comet without H.
  const Ejecucion e =
      Ejecutar({"--elementos", (dir / "CometEls.txt").string(), "--fecha", "2024-10-22", "--centro",
                "317.0561634,-17.5220568", "--radio", "5", "--mag-max", "12"});
  ASSERT_EQ(e.codigo, 0) << e.errores;
  EXPECT_NE(e.salida.find("(18 registros, 2 omitidos)"), std::string::npos) << e.salida;
  EXPECT_NE(e.salida.find("X/Sin H"), std::string::npos) << e.salida;
  EXPECT_EQ(e.salida.find("2P/Encke "), std::string::npos) << e.salida;
  EXPECT_NE(e.errores.find("2 registros omitidos"), std::string::npos) << e.errores;
  // A line of no format is named by its first twelve columns.
  EXPECT_NE(e.errores.find("2P/Encke, esto no es u\n"), std::string::npos) << e.errores;
}

TEST(CometasEnCampo, SinElementosLeeLosFicherosDelDirectorio) {
  DirectorioTemporal dir(true);
  EscribirArchivo(dir / "CometEls.txt", LeerArchivo(kCometas));
  const std::vector<std::string> args = {"--fecha", "2024-10-22", "--centro",
                                         "0,0",     "--radio",    "1"};
  const Ejecucion solo = Ejecutar(args);
  ASSERT_EQ(solo.codigo, 0) << solo.errores;
  EXPECT_NE(solo.salida.find("Elementos:  CometEls.txt (15 registros, 0 omitidos)\n"),
            std::string::npos)
      << solo.salida;
  EscribirArchivo(dir / "MPCORB.DAT", LeerArchivo(kAsteroides));
  const Ejecucion los_dos = Ejecutar(args);
  ASSERT_EQ(los_dos.codigo, 0) << los_dos.errores;
  EXPECT_NE(los_dos.salida.find("Elementos:  MPCORB.DAT (227 registros, 0 omitidos)\n"
                                "            CometEls.txt (15 cometas, 0 omitidos)\n"),
            std::string::npos)
      << los_dos.salida;
}

}  // namespace
}  // namespace orbelux::campo
