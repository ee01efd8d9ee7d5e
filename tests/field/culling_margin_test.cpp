// SPDX-License-Identifier: GPL-3.0-or-later
// The margin of the culling bounds what it claims to: the perturbed motion of real orbits
// never strays from the two-body one by more than the bound, and the bound gives up
// (infinity) where the object may meet a body.
#include "field/culling_margin.h"

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "ephemeris/element_source.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;

std::vector<ef::ElementosOrbitales> LosDoscientosVeintisiete() {
  const std::string texto = prueba::LeerArchivo(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  ef::FuenteMemoria fuente(texto);
  ef::OpcionesLectura opciones;
  opciones.nombre = "elementos_1-227.dat";
  return ef::LeerElementosMPC(fuente, opciones);
}

struct Caso {
  const char* nombre;
  double dias;
};

class Desviacion : public ::testing::TestWithParam<Caso> {};

// Every one of the 227 whose bound is finite, integrated: the real deviation is below it.
TEST_P(Desviacion, LaIntegracionNoSaleDeLaCota) {
  const auto elementos = LosDoscientosVeintisiete();
  const double epoca = elementos[0].epoca - ef::kJ2000;
  const double t = epoca + GetParam().dias;
  const ef::TablaPlanetas tabla(std::min(epoca, t) - 1, std::max(epoca, t) + 1);
  const ef::MovimientoPerturbado movimiento(&tabla);
  const TramosCuerpos tramos(t);
  int finitas = 0;
  for (const auto& el : elementos) {
    SCOPED_TRACE(std::string(el.Nombre()));
    const ef::OrbitaKepleriana orbita(el);
    DatosMargen datos;
    datos.dias_desde_epoca = GetParam().dias;
    datos.orbita = &orbita;
    datos.tramos = &tramos;
    const double cota = DesviacionPerturbada(el, datos);
    if (!std::isfinite(cota)) continue;
    ++finitas;
    const ef::Vector3 perturbada =
        movimiento.Propagar(ef::EstadoDeElementos(el), el.epoca - ef::kJ2000, t).r;
    const ef::Vector3 kepler = orbita.Posicion(ef::kJ2000, t);
    EXPECT_LE(ef::Modulo(perturbada - kepler), cota);
  }
  // Most of the main belt keeps a finite bound.
  EXPECT_GT(finitas, 150);
}

INSTANTIATE_TEST_SUITE_P(Margen, Desviacion,
                         ::testing::Values(Caso{"UnDia", 1}, Caso{"TreintaDias", 30},
                                           Caso{"CienDiasAntes", -100}, Caso{"UnAnio", 365}),
                         [](const ::testing::TestParamInfo<Caso>& info) {
                           return std::string(info.param.nombre);
                         });

ef::ElementosOrbitales Orbita(double a, double e) {
  ef::ElementosOrbitales el;
  el.semieje = a;
  el.excentricidad = e;
  el.inclinacion = 5;
  el.epoca = 2461365.5;
  return el;
}

struct CasoInfinito {
  const char* nombre;
  double a;
  double e;
  bool finito;
};

class SinTramos : public ::testing::TestWithParam<CasoInfinito> {};

// Without the bodies' places, only the radial ranges keep an object apart from them.
TEST_P(SinTramos, SoloLosRangosRadiales) {
  DatosMargen datos;
  datos.dias_desde_epoca = 30;
  datos.distancia = 1.5;
  const double margen = MargenAngular(Orbita(GetParam().a, GetParam().e), datos);
  EXPECT_EQ(std::isfinite(margen), GetParam().finito) << margen;
}

INSTANTIATE_TEST_SUITE_P(Margen, SinTramos,
                         ::testing::Values(CasoInfinito{"CinturonPrincipal", 2.7, 0.1, true},
                                           CasoInfinito{"CruzaMarte", 2.2, 0.3, false},
                                           CasoInfinito{"Troyano", 5.2, 0.05, false},
                                           CasoInfinito{"Hilda", 3.95, 0.1, true},
                                           CasoInfinito{"CercanoALaTierra", 1.2, 0.3, false}),
                         [](const ::testing::TestParamInfo<CasoInfinito>& info) {
                           return std::string(info.param.nombre);
                         });

// Two-body motion leaves the light time only: the object's speed over c, as an angle.
TEST(Margen, DosCuerposSoloElTiempoDeLuz) {
  DatosMargen datos;
  datos.dias_desde_epoca = 3000;
  datos.distancia = 2;
  datos.perturbado = false;
  const ef::ElementosOrbitales el = Orbita(2.5, 0.2);
  const double margen = MargenAngular(el, datos);
  const double v = ef::kGauss * std::sqrt(1.2 / 2.0);  // at perihelion, q = 2
  EXPECT_GT(margen, v / ef::kLuzUADia);
  EXPECT_LT(margen, 1.5 * (v + 1e-4) / ef::kLuzUADia);
  // Further away the same displacement turns the direction by as much: it grows with
  // the light time.
  datos.distancia = 0.01;
  EXPECT_NEAR(MargenAngular(el, datos), margen, 0.2 * margen);
}

}  // namespace
}  // namespace orbelux::campo
