// SPDX-License-Identifier: GPL-3.0-or-later
// What the field search reports about the objects it finds: where they lie from the centre
// (as the CSV writes it), in what order, which near the edge the culling keeps, and how many
// records it skipped.
#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/element_source.h"
#include "ephemeris/time_scales.h"
#include "field/field_output.h"
#include "field/field_search.h"
#include "mpc_synthetic.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;
constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr double kSegundo = kGrado / 3600;

const std::string& Ejemplo() {
  static const std::string texto = prueba::LeerArchivo(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  return texto;
}

ResultadoCampo Buscar(PeticionCampo p, const std::string& texto = Ejemplo()) {
  ef::FuenteMemoria fuente(texto);
  p.nombre_elementos = "e.dat";
  return BuscarEnCampo(fuente, p);
}

// The CSV's rows as maps from heading to field.
std::vector<std::map<std::string, std::string>> FilasCsv(const std::string& csv) {
  std::istringstream entrada(csv);
  std::string linea;
  const auto campos = [](const std::string& l) {
    std::vector<std::string> c;
    std::istringstream s(l);
    for (std::string x; std::getline(s, x, ',');) c.push_back(x);
    return c;
  };
  std::getline(entrada, linea);
  const std::vector<std::string> cabecera = campos(linea);
  std::vector<std::map<std::string, std::string>> filas;
  while (std::getline(entrada, linea)) {
    const std::vector<std::string> c = campos(linea);
    std::map<std::string, std::string> fila;
    for (std::size_t i = 0; i < c.size() && i < cabecera.size(); ++i) fila[cabecera[i]] = c[i];
    filas.push_back(fila);
  }
  return filas;
}

// Ceres from La Palma, 2024-03-01 22:00 UTC, where the search puts it.
constexpr double kArCeres = 278.3318595;
constexpr double kDecCeres = -23.0407890;

PeticionCampo Ceres() {
  PeticionCampo p;
  p.instante = ef::InstanteDesdeCalendario(2024, 3, 1, 22, 0, 0);
  p.sitio = *ef::BuscarObservatorio("950");
  p.radio = 5.0 / 60 * kGrado;
  return p;
}

struct CasoDesplazamiento {
  const char* nombre;
  double este;  // where Ceres lies from the centre, arcseconds
  double norte;
};

void PrintTo(const CasoDesplazamiento& caso, std::ostream* os) { *os << caso.nombre; }

class DesplazamientoEnCsv : public testing::TestWithParam<CasoDesplazamiento> {};

// The centre put beside Ceres: the CSV must give Ceres's offsets from it under their own
// headings, east positive towards greater right ascension.
TEST_P(DesplazamientoEnCsv, CadaDesplazamientoBajoSuCabeceraYConSuSigno) {
  const CasoDesplazamiento& c = GetParam();
  PeticionCampo p = Ceres();
  p.dec_centro = kDecCeres * kGrado - c.norte * kSegundo;
  p.ar_centro = kArCeres * kGrado - c.este * kSegundo / std::cos(kDecCeres * kGrado);
  const auto filas = FilasCsv(TextoCsv(Buscar(p)));
  ASSERT_EQ(filas.size(), 1u);
  EXPECT_EQ(filas[0].at("designacion"), "(1) Ceres");
  EXPECT_NEAR(std::stod(filas[0].at("este_arcsec")), c.este, 0.05);
  EXPECT_NEAR(std::stod(filas[0].at("norte_arcsec")), c.norte, 0.05);
  EXPECT_NEAR(std::stod(filas[0].at("distancia_arcsec")), std::hypot(c.este, c.norte), 0.05);
}

INSTANTIATE_TEST_SUITE_P(Campo, DesplazamientoEnCsv,
                         testing::Values(CasoDesplazamiento{"AlEste", 30, 0},
                                         CasoDesplazamiento{"AlNorte", 0, 90},
                                         CasoDesplazamiento{"AlNoreste", 30, 90},
                                         CasoDesplazamiento{"AlSuroeste", -45, -20}),
                         [](const auto& info) { return std::string(info.param.nombre); });

// The whole sky from one point: every object, nearest first, in the result and in the CSV.
TEST(BusquedaCampo, LosObjetosVanDelMasCercanoAlMasLejano) {
  PeticionCampo p = Ceres();
  p.ar_centro = kArCeres * kGrado;
  p.dec_centro = kDecCeres * kGrado;
  p.radio = kPi;
  p.exhaustivo = true;
  const ResultadoCampo r = Buscar(p);
  ASSERT_EQ(r.objetos.size(), 227u);
  EXPECT_EQ(r.objetos.front().designacion, "(1) Ceres");
  for (std::size_t i = 1; i < r.objetos.size(); ++i) {
    ASSERT_LE(r.objetos[i - 1].distancia, r.objetos[i].distancia) << r.objetos[i].designacion;
  }
  const auto filas = FilasCsv(TextoCsv(r));
  ASSERT_EQ(filas.size(), 227u);
  EXPECT_EQ(filas.front().at("designacion"), "(1) Ceres");
  EXPECT_EQ(filas.back().at("designacion"), r.objetos.back().designacion);
}

// Every skipped record is counted, not only the few named, whatever the threads.
TEST(BusquedaCampo, CuentaTodosLosOmitidosYNombraLosPrimeros) {
  std::string texto;
  std::size_t inicio = 0;
  for (int k = 1; k <= 13; ++k) {
    std::string linea = Ejemplo().substr(inicio, Ejemplo().find('\n', inicio) - inicio);
    inicio = Ejemplo().find('\n', inicio) + 1;
    // Records 2 to 13 with an eccentricity no ellipse has.
    if (k > 1) linea.replace(70, 9, "1.2000000");
    texto += linea + "\n";
  }
  for (const unsigned hilos : {1u, 3u}) {
    SCOPED_TRACE(hilos);
    PeticionCampo p = Ceres();
    p.hilos = hilos;
    const ResultadoCampo r = Buscar(p, texto);
    EXPECT_EQ(r.registros, 13u);
    EXPECT_EQ(r.omitidos, 12u);
    ASSERT_EQ(r.primeros_omitidos.size(), kOmitidosNombrados);
    EXPECT_EQ(r.primeros_omitidos.front(), "(2) Pallas");
    EXPECT_EQ(r.primeros_omitidos.back(), "(6) Hebe");
  }
}

// Many more candidates than one batch computes at once, from two files with the same
// elements under other names: none is lost between batches, and objects at the same
// distance keep the order of their files, as when every candidate was computed at once.
TEST(BusquedaCampo, LosLotesNoPierdenNiDesordenanNingunCandidato) {
  sintetico::OpcionesSintetico opciones;
  opciones.registros = 11000;
  opciones.semilla = 5;
  std::ostringstream salida;
  sintetico::EscribirMpcSintetico(salida, opciones);
  const std::string texto = salida.str();
  PeticionCampo p;
  p.instante = ef::InstanteDesdeDiaJulianoUTC(sintetico::kEpocaPrincipal + 0.25);
  p.radio = kPi;
  p.exhaustivo = true;
  p.hilos = 2;
  const ResultadoCampo uno = Buscar(p, texto);
  ASSERT_EQ(uno.omitidos, 0u);
  ASSERT_EQ(uno.objetos.size(), uno.registros);
  EXPECT_EQ(uno.candidatos, uno.registros);

  // The same width, so every record keeps its columns.
  const auto otro_nombre = [](std::string t) {
    for (std::size_t k = t.find("Sintetico"); k != std::string::npos; k = t.find("Sintetico", k)) {
      t.replace(k, 9, "Duplicado");
    }
    return t;
  };
  const std::string copia = otro_nombre(texto);
  ASSERT_NE(copia, texto);
  ef::FuenteMemoria a(texto);
  ef::FuenteMemoria b(copia);
  const ResultadoCampo dos = BuscarEnCampo({{&a, "a.dat"}, {&b, "b.dat"}}, p);
  EXPECT_EQ(dos.candidatos, 2 * uno.candidatos);
  ASSERT_EQ(dos.objetos.size(), 2 * uno.objetos.size());
  for (std::size_t i = 0; i < uno.objetos.size(); ++i) {
    ASSERT_EQ(dos.objetos[2 * i].designacion, uno.objetos[i].designacion) << i;
    ASSERT_EQ(dos.objetos[2 * i + 1].designacion, otro_nombre(uno.objetos[i].designacion)) << i;
    ASSERT_EQ(dos.objetos[2 * i].distancia, uno.objetos[i].distancia) << i;
    ASSERT_EQ(dos.objetos[2 * i + 1].distancia, uno.objetos[i].distancia) << i;
  }
}

ef::Vector3 Direccion(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

// Objects whose exact place lies just inside the edge of a wide circle while their cheap
// two-body place lies outside it: the culling measures the gap from the edge, and keeps
// them. Measured from the centre, the gap would be the whole radius and they would be lost.
TEST(BusquedaCampo, GuardaLosObjetosJuntoAlBordeCuyoLugarBaratoQuedaFuera) {
  PeticionCampo p;
  p.instante = ef::InstanteDesdeCalendario(2023, 1, 15, 0, 0, 0);
  p.radio = kPi;
  p.exhaustivo = true;
  std::map<std::string, ObjetoCampo> exactos;
  for (auto& o : Buscar(p).objetos) exactos[o.designacion] = o;
  p.perturbado = false;
  std::map<std::string, ObjetoCampo> baratos;
  for (auto& o : Buscar(p).objetos) baratos[o.designacion] = o;
  ASSERT_EQ(exactos.size(), 227u);

  constexpr double kRadio = 5 * kGrado;
  constexpr double kDentro = 2 * kSegundo;  // how far inside the edge the exact place lies
  int probados = 0;
  for (const auto& [nombre, exacto] : exactos) {
    const ef::Vector3 e = Direccion(exacto.ar * kGrado, exacto.dec * kGrado);
    const ef::Vector3 c = Direccion(baratos[nombre].ar * kGrado, baratos[nombre].dec * kGrado);
    const double separacion = std::acos(std::clamp(ef::Producto(e, c), -1.0, 1.0));
    if (separacion < 4 * kDentro || separacion > kGrado) continue;
    // The centre on the great circle through both places, beyond the exact one.
    ef::Vector3 lejos = ef::Producto(e, c) * e - c;
    lejos = (1 / ef::Modulo(lejos)) * lejos;
    const double d = kRadio - kDentro;
    const ef::Vector3 centro = std::cos(d) * e + std::sin(d) * lejos;
    PeticionCampo q;
    q.instante = p.instante;
    q.radio = kRadio;
    q.ar_centro = std::atan2(centro.y, centro.x);
    if (q.ar_centro < 0) q.ar_centro += 2 * kPi;
    q.dec_centro = std::asin(std::clamp(centro.z, -1.0, 1.0));
    const ResultadoCampo r = Buscar(q);
    const bool hallado = std::any_of(r.objetos.begin(), r.objetos.end(),
                                     [&](const ObjetoCampo& o) { return o.designacion == nombre; });
    EXPECT_TRUE(hallado) << nombre << ", " << separacion / kSegundo << "\" from its cheap place";
    if (++probados == 12) break;
  }
  EXPECT_EQ(probados, 12);
}

}  // namespace
}  // namespace orbelux::campo
