// SPDX-License-Identifier: GPL-3.0-or-later
// The culling leaves out no object: searches of many circles and instants give exactly
// what computing every record of the file exactly gives.
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/element_source.h"
#include "ephemeris/time_scales.h"
#include "field/field_search.h"
#include "mpc_synthetic.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;
constexpr double kGrado = 3.14159265358979323846 / 180;

const std::string& Archivo() {
  static const std::string texto = [] {
    sintetico::OpcionesSintetico opciones;
    opciones.registros = 1000;
    opciones.semilla = 12;
    opciones.acercamientos = 3;
    std::ostringstream salida;
    sintetico::EscribirMpcSintetico(salida, opciones);
    return salida.str();
  }();
  return texto;
}

ResultadoCampo Buscar(PeticionCampo peticion) {
  ef::FuenteMemoria fuente(Archivo());
  peticion.nombre_elementos = "sintetico";
  return BuscarEnCampo(fuente, peticion);
}

struct Caso {
  const char* nombre;
  double dias;  // from the main epoch
  bool perturbado;
};

class Completitud : public ::testing::TestWithParam<Caso> {};

// Every field of every object, exactly: both runs compute the same candidates the same way.
void Comparar(const ResultadoCampo& culled, const std::vector<ObjetoCampo>& esperados) {
  ASSERT_EQ(culled.objetos.size(), esperados.size());
  for (std::size_t i = 0; i < esperados.size(); ++i) {
    const ObjetoCampo& a = culled.objetos[i];
    const ObjetoCampo& b = esperados[i];
    SCOPED_TRACE(b.designacion);
    EXPECT_EQ(a.designacion, b.designacion);
    EXPECT_EQ(a.ar, b.ar);
    EXPECT_EQ(a.dec, b.dec);
    EXPECT_EQ(a.v, b.v);
    EXPECT_EQ(a.distancia, b.distancia);
    EXPECT_EQ(a.este, b.este);
    EXPECT_EQ(a.norte, b.norte);
    EXPECT_EQ(a.mov_ar, b.mov_ar);
    EXPECT_EQ(a.mov_dec, b.mov_dec);
    EXPECT_EQ(a.delta, b.delta);
    EXPECT_EQ(a.r, b.r);
    EXPECT_EQ(a.elongacion, b.elongacion);
    EXPECT_EQ(a.fase, b.fase);
  }
}

TEST_P(Completitud, CadaCirculoDaLoMismoQueCalcularloTodo) {
  const Caso& caso = GetParam();
  PeticionCampo base;
  base.instante = ef::InstanteDesdeDiaJulianoUTC(sintetico::kEpocaPrincipal + caso.dias);
  base.perturbado = caso.perturbado;
  // Every record at once, once per instant: a circle of the whole sky.
  PeticionCampo todo = base;
  todo.exhaustivo = true;
  todo.radio = 3.15;
  const ResultadoCampo exhaustivo = Buscar(todo);
  ASSERT_EQ(exhaustivo.omitidos, 0u);
  ASSERT_GT(exhaustivo.objetos.size(), 950u);

  // The close approachers are the first records: at 30 days they lie within 0.05 AU.
  if (caso.dias == 30) {
    double mas_cerca = 1e9;
    for (const ObjetoCampo& o : exhaustivo.objetos) mas_cerca = std::min(mas_cerca, o.delta);
    EXPECT_LT(mas_cerca, 0.05);
  }

  std::mt19937 azar(static_cast<unsigned>(caso.dias * 10 + 7));
  std::uniform_int_distribution<std::size_t> cual(0, exhaustivo.objetos.size() - 1);
  std::uniform_real_distribution<double> u(0, 1);
  std::size_t comparados = 0;
  for (int circulo = 0; circulo < 8; ++circulo) {
    SCOPED_TRACE("círculo " + std::to_string(circulo));
    PeticionCampo p = base;
    const ObjetoCampo& ancla = exhaustivo.objetos[circulo == 0 ? 0 : cual(azar)];
    // Near an object, or anywhere; the radius from a few minutes of arc to ten degrees,
    // and once exactly the distance of one object, which must be in.
    p.ar_centro = (ancla.ar + (u(azar) - 0.5) * (circulo % 2 ? 1 : 0.05)) * kGrado;
    p.dec_centro =
        std::clamp(ancla.dec + (u(azar) - 0.5) * (circulo % 2 ? 1 : 0.05), -89.0, 89.0) * kGrado;
    if (circulo % 4 == 3) {
      p.ar_centro = u(azar) * 360 * kGrado;
      p.dec_centro = std::asin(2 * u(azar) - 1);
    }
    p.radio = (circulo % 3 == 0 ? 600 : 5 + 200 * u(azar)) / 60 * kGrado;
    if (circulo % 5 == 4) p.magnitud_maxima = 18;
    const ResultadoCampo culled = Buscar(p);
    EXPECT_LT(culled.candidatos, exhaustivo.objetos.size());

    // What the exhaustive run gives for this circle: every record computed exactly.
    PeticionCampo q = p;
    q.exhaustivo = true;
    const ResultadoCampo esperado = Buscar(q);
    Comparar(culled, esperado.objetos);
    comparados += esperado.objetos.size();
  }
  std::printf("[ %s ] %zu objetos comparados en 8 círculos\n", caso.nombre, comparados);
  EXPECT_GT(comparados, 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Instantes, Completitud,
    ::testing::Values(Caso{"AcercamientoA30Dias", 30, true}, Caso{"EnLaEpoca", 0.25, true},
                      Caso{"MedioAnioAntes", -180, true}, Caso{"UnAnioDespues", 400, true},
                      Caso{"DosCuerposA30Dias", 30, false},
                      Caso{"DosCuerposUnAnioDespues", 365, false}),
    [](const ::testing::TestParamInfo<Caso>& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::campo
