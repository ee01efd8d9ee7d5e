// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue with planetary perturbations, as orbelux-catalogo writes it: against the
// independent reference to the rounding of its fields, the same with any number of
// threads, and two-body motion on request exactly as before.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_line.h"
#include "catalogue/catalogue_maker.h"
#include "catalogue/command_line.h"
#include "catalogue_comparison.h"
#include "ephemeris/orbital_elements.h"
#include "reference_table.h"
#include "support/temp_dir.h"

namespace orbelux::catalogo {
namespace {

namespace ef = orbelux::efemerides;
using prueba::DirectorioTemporal;
using prueba::LeerArchivo;

const std::string kEjemplo = ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat";

int Ejecutar(const std::vector<std::string>& argumentos, std::string* errores = nullptr) {
  std::ostringstream salida;
  std::ostringstream mensajes;
  const int codigo = ProgramaCatalogo(argumentos, salida, mensajes);
  if (errores != nullptr) *errores = mensajes.str();
  return codigo;
}

struct CasoReferencia {
  const char* nombre;
  const char* fecha;
  const char* utc;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoReferencia& caso, std::ostream* os) { *os << caso.nombre; }

class CatalogoPerturbado : public testing::TestWithParam<CasoReferencia> {};

TEST_P(CatalogoPerturbado, CoincideConLaReferenciaAlRedondeoDeSusCampos) {
  const CasoReferencia& c = GetParam();
  DirectorioTemporal dir(true);
  std::string errores;
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", c.fecha}, &errores), 0) << errores;
  // Integrated positions do not warn about the epoch 1.6 years away.
  EXPECT_EQ(errores, "");
  const std::vector<std::string> lineas = Lineas(LeerArchivo(dir / "ast.dat"));
  ASSERT_EQ(lineas.size(), 227u);

  int filas = 0;
  int en_frontera = 0;
  double max_ra = 0;
  double max_dec = 0;
  double max_mag = 0;
  for (const prueba::PosicionReferencia& ref : prueba::LeerReferencia(
           ORBELUX_TEST_DATA_DIR "/ephemeris/reference_positions_perturbed.tsv")) {
    if (ref.utc != c.utc) continue;
    ++filas;
    const std::string& l = lineas.at(static_cast<std::size_t>(ref.numero - 1));
    SCOPED_TRACE(l);
    const Comparacion comparacion = Comparar(l, ref.ra_deg, ref.dec_deg);
    EXPECT_TRUE(comparacion.bien) << comparacion.ra_s << " s, " << comparacion.dec_arc << "\"";
    const double magnitud = std::stod(l.substr(57, 5));
    EXPECT_LE(std::abs(magnitud - ref.v_mag), 0.05 + 1e-9);
    if (comparacion.en_frontera) ++en_frontera;
    max_ra = std::max(max_ra, std::abs(comparacion.ra_s));
    max_dec = std::max(max_dec, std::abs(comparacion.dec_arc));
    max_mag = std::max(max_mag, std::abs(magnitud - ref.v_mag));
  }
  EXPECT_EQ(filas, 227);
  std::cout << c.utc << ": written vs reference, max |dRA| " << max_ra << " s, max |dDec| "
            << max_dec << "\", max |dV| " << max_mag
            << ", last digit off by a boundary: " << en_frontera << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Instantes, CatalogoPerturbado,
    testing::Values(CasoReferencia{"AnioYMedioAntes", "2021-01-01", "2021-01-01T00:00"},
                    CasoReferencia{"AnioYMedioDespues", "2024-03-01", "2024-03-01T00:00"}),
    [](const auto& info) { return std::string(info.param.nombre); });

// (433) Eros alone, as the catalogue would write its line.
class ErosEnElCatalogo : public testing::TestWithParam<CasoReferencia> {};

TEST_P(ErosEnElCatalogo, SuLineaCoincideConLaReferencia) {
  const CasoReferencia& c = GetParam();
  std::optional<prueba::PosicionEros> ref;
  for (const prueba::PosicionEros& fila : prueba::LeerReferenciaEros(
           ORBELUX_TEST_DATA_DIR "/ephemeris/eros_reference_perturbed.tsv")) {
    if (fila.utc == c.utc) ref = fila;
  }
  ASSERT_TRUE(ref.has_value());
  const ef::ElementosOrbitales eros = prueba::ElementosEros();
  int anio = 0;
  int mes = 0;
  int dia = 0;
  ASSERT_EQ(std::sscanf(c.fecha, "%d-%d-%d", &anio, &mes, &dia), 3);
  const std::string texto =
      TextoCatalogo({&eros, 1}, ef::InstanteDesdeCalendario(anio, mes, dia, 0, 0, 0));
  const std::string l = texto.substr(0, kAnchoCampos);
  SCOPED_TRACE(l);
  const Comparacion comparacion = Comparar(l, ref->ra_deg, ref->dec_deg);
  EXPECT_TRUE(comparacion.bien) << comparacion.ra_s << " s, " << comparacion.dec_arc << "\"";
  EXPECT_LE(std::abs(std::stod(l.substr(57, 5)) - ref->v_mag), 0.05 + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Instantes, ErosEnElCatalogo,
    testing::Values(CasoReferencia{"Acercamiento2012", "2012-01-31", "2012-01-31T00:00"},
                    CasoReferencia{"Enero2019", "2019-01-15", "2019-01-15T00:00"},
                    CasoReferencia{"Diciembre2024", "2024-12-01", "2024-12-01T00:00"}),
    [](const auto& info) { return std::string(info.param.nombre); });

// --dos-cuerpos writes, byte for byte, what the two-body catalogue maker wrote before
// perturbations existed (its output kept in tests/data/catalogue).
class DosCuerpos : public testing::TestWithParam<CasoReferencia> {};

TEST_P(DosCuerpos, EsElCatalogoDeSiempre) {
  const CasoReferencia& c = GetParam();
  DirectorioTemporal dir(true);
  std::string errores;
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", c.fecha, "--dos-cuerpos"}, &errores), 0);
  // Two-body motion still warns about the distant epoch.
  EXPECT_NE(errores.find("más de 200 días"), std::string::npos) << errores;
  const std::string escrito = LeerArchivo(dir / "ast.dat");
  EXPECT_EQ(escrito, LeerArchivo(std::string(ORBELUX_TEST_DATA_DIR "/catalogue/dos_cuerpos_") +
                                 c.fecha + ".dat"));
  // And it is not the perturbed catalogue.
  ASSERT_EQ(Ejecutar({"--elementos", kEjemplo, "--fecha", c.fecha, "--salida", "p.dat"}), 0);
  EXPECT_NE(LeerArchivo(dir / "p.dat"), escrito);
}

INSTANTIATE_TEST_SUITE_P(Instantes, DosCuerpos,
                         testing::Values(CasoReferencia{"AnioYMedioAntes", "2021-01-01", ""},
                                         CasoReferencia{"AnioYMedioDespues", "2024-03-01", ""}),
                         [](const auto& info) { return std::string(info.param.nombre); });

// Main belt, near-Earth, Trojan and very eccentric orbits with epochs spread over eight
// months, so that the threads' shares cost very differently.
std::vector<ef::ElementosOrbitales> Mezcla(int cuantos) {
  std::mt19937_64 azar(1862);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<ef::ElementosOrbitales> elementos;
  for (int k = 1; k <= cuantos; ++k) {
    ef::ElementosOrbitales el;
    el.numero = k;
    el.tiene_H = true;
    el.H = 8 + 10 * u(azar);
    el.epoca = 2459800.5 + std::round(240 * u(azar) - 120);
    switch (k % 4) {
      case 0:
        el.semieje = 0.9 + 1.2 * u(azar);
        el.excentricidad = 0.2 + 0.65 * u(azar);
        break;
      case 1:
        el.semieje = 5.2 + 0.1 * u(azar);
        el.excentricidad = 0.15 * u(azar);
        break;
      case 2:
        el.semieje = 3.0 + 2 * u(azar);
        el.excentricidad = 0.9 + 0.05 * u(azar);
        break;
      default:
        el.semieje = 2.2 + 1.1 * u(azar);
        el.excentricidad = 0.25 * u(azar);
    }
    el.inclinacion = 40 * u(azar);
    el.nodo = 360 * u(azar);
    el.perihelio = 360 * u(azar);
    el.anomalia_media = 360 * u(azar);
    elementos.push_back(el);
  }
  return elementos;
}

struct CasoHilos {
  const char* nombre;
  unsigned hilos;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoHilos& caso, std::ostream* os) { *os << caso.nombre; }

class Hilos : public testing::TestWithParam<CasoHilos> {};

TEST_P(Hilos, DanElMismoCatalogoQueUnoSolo) {
  const std::vector<ef::ElementosOrbitales> elementos = Mezcla(400);
  const ef::Instante instante = ef::InstanteDesdeCalendario(2023, 8, 9, 0, 0, 0);
  // Alone, the calling thread reports after every batch it finishes.
  OpcionesCatalogo uno;
  uno.hilos = 1;
  std::vector<std::size_t> avances;
  uno.progreso = [&](Etapa etapa, std::size_t hechos, std::size_t total) {
    if (etapa != Etapa::Posiciones) return;
    EXPECT_EQ(total, elementos.size());
    avances.push_back(hechos);
  };
  const std::string solo = TextoCatalogo(elementos, instante, uno);
  EXPECT_GT(avances.size(), 10u);
  EXPECT_TRUE(std::is_sorted(avances.begin(), avances.end()));
  EXPECT_EQ(avances.back(), elementos.size());

  // With others it may find every batch taken, but it always reports the end.
  OpcionesCatalogo varios;
  varios.hilos = GetParam().hilos;
  std::size_t ultimo = 0;
  varios.progreso = [&](Etapa etapa, std::size_t hechos, std::size_t) {
    if (etapa != Etapa::Posiciones) return;
    EXPECT_GE(hechos, ultimo);
    ultimo = hechos;
  };
  EXPECT_EQ(TextoCatalogo(elementos, instante, varios), solo);
  EXPECT_EQ(ultimo, elementos.size());
}

INSTANTIATE_TEST_SUITE_P(Cuantos, Hilos,
                         testing::Values(CasoHilos{"Dos", 2}, CasoHilos{"Tres", 3},
                                         CasoHilos{"Ocho", 8}),
                         [](const auto& info) { return std::string(info.param.nombre); });

// The bar names each stage: first the planets' table (perturbed motion only), then the
// positions, each reported to its end.
TEST(Progreso, LaTablaDePlanetasYLuegoLasPosiciones) {
    const std::vector<ef::ElementosOrbitales> elementos = Mezcla(40);
  const ef::Instante instante = ef::InstanteDesdeCalendario(2023, 8, 9, 0, 0, 0);
  struct Caso {
    const char* nombre;
    Movimiento movimiento;
    std::vector<Etapa> etapas;
  };
  const Caso casos[] = {
      {"perturbado", Movimiento::Perturbado, {Etapa::Planetas, Etapa::Posiciones}},
      {"dos cuerpos", Movimiento::DosCuerpos, {Etapa::Posiciones}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    OpcionesCatalogo opciones;
    opciones.hilos = 2;
    opciones.movimiento = c.movimiento;
    std::vector<Etapa> etapas;
    std::vector<std::pair<std::size_t, std::size_t>> finales;
    opciones.progreso = [&](Etapa etapa, std::size_t hechos, std::size_t total) {
      if (etapas.empty() || etapas.back() != etapa) {
        etapas.push_back(etapa);
        finales.emplace_back();
      }
      EXPECT_LE(hechos, total);
      finales.back() = {hechos, total};
    };
    TextoCatalogo(elementos, instante, opciones);
    EXPECT_EQ(etapas, c.etapas);
    ASSERT_EQ(finales.size(), c.etapas.size());
    for (const auto& [hechos, total] : finales) EXPECT_EQ(hechos, total);
    EXPECT_EQ(finales.back().second, elementos.size());
    // Eight months of epochs and the instant, a node every half day and a few more.
    if (c.movimiento == Movimiento::Perturbado) {
      EXPECT_GT(finales.front().second, 700u);
    }
  }
}

// Each thread takes batches of a few asteroids: the Julian day belongs to the first line of
// the catalogue only, not to the first line of each batch.
TEST(Hilos, ElDiaJulianoSoloEnLaPrimeraLinea) {
  const std::vector<ef::ElementosOrbitales> elementos = Mezcla(100);
  const ef::Instante instante = ef::InstanteDesdeCalendario(2023, 8, 9, 0, 0, 0);
  for (const Movimiento movimiento : {Movimiento::Perturbado, Movimiento::DosCuerpos}) {
    OpcionesCatalogo opciones;
    opciones.hilos = 4;
    opciones.movimiento = movimiento;
    const std::string texto = TextoCatalogo(elementos, instante, opciones);
    ASSERT_EQ(texto.size(), elementos.size() * kAnchoLinea);
    EXPECT_EQ(texto.substr(23, 12), "2460165.5000");
    for (std::size_t i = 1; i < elementos.size(); ++i) {
      ASSERT_EQ(texto.substr(i * kAnchoLinea + 23, 12), std::string(12, ' ')) << "line " << i + 1;
    }
  }
}

TEST(Hilos, ElFalloNombradoEsElDelAsteroideMasBajo) {
  std::vector<ef::ElementosOrbitales> elementos = Mezcla(200);
  // Two orbits a few hundred metres across, which no step size can follow, far apart in
  // the list.
  for (const std::size_t i : {150u, 37u}) elementos[i].semieje = 1e-9;
  const ef::Instante instante = ef::InstanteDesdeCalendario(2023, 8, 9, 0, 0, 0);
  for (const unsigned hilos : {1u, 2u, 4u}) {
    SCOPED_TRACE(hilos);
    OpcionesCatalogo opciones;
    opciones.hilos = hilos;
    try {
      TextoCatalogo(elementos, instante, opciones);
      ADD_FAILURE() << "no error";
    } catch (const ErrorPosicion& e) {
      EXPECT_NE(std::string(e.what()).find("asteroide 38"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace orbelux::catalogo
