// SPDX-License-Identifier: GPL-3.0-or-later
// Elements carried to the grid epoch: which records are carried and to what epoch, the
// state back to elements and forth, and an orbit carried and then followed to the instant
// against the same orbit followed straight there.
#include "ephemeris/carried_elements.h"

#include <cmath>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/two_body.h"

namespace orbelux::efemerides {
namespace {

Instante EnTT(double dia_juliano_tt) {
  Instante i;
  i.tt = {dia_juliano_tt, 0};
  i.tdb = i.tt;
  i.utc = i.tt;
  return i;
}

ElementosOrbitales Elipse(double a, double e, double i, double nodo, double w, double M) {
  ElementosOrbitales el;
  el.numero = 7;
  el.tiene_H = true;
  el.H = 12.5;
  el.epoca = 2459800.5;
  el.semieje = a;
  el.excentricidad = e;
  el.inclinacion = i;
  el.nodo = nodo;
  el.perihelio = w;
  el.anomalia_media = M;
  return el;
}

TEST(Acarreo, LaEpocaEsLaDeLaRejillaMasCercana) {
  const struct {
    const char* nombre;
    double tt;
    double epoca;
  } casos[] = {
      {"EnLaRejilla", 2461380.0, 2461380.0},
      {"JustoAntesDeLaMitad", 2461389.9, 2461380.0},
      {"JustoDespuesDeLaMitad", 2461390.1, 2461400.0},
      {"UnPocoAntes", 2461379.5, 2461380.0},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(EpocaDeAcarreo(EnTT(c.tt)), c.epoca);
  }
}

TEST(Acarreo, SoloSeAcarreanLasElipsesLejosDeSuEpoca) {
  ElementosOrbitales cometa = Elipse(3, 0.5, 10, 20, 30, 40);
  cometa.forma = FormaOrbita::Perihelio;
  ElementosOrbitales sin_epoca = Elipse(3, 0.5, 10, 20, 30, 40);
  sin_epoca.sin_perturbar = true;
  const ElementosOrbitales elipse = Elipse(3, 0.5, 10, 20, 30, 40);
  const struct {
    const char* nombre;
    const ElementosOrbitales* el;
    double dias;  // from the elements' epoch
    bool acarreada;
  } casos[] = {
      {"SesentaDiasDespues", &elipse, 60, false},
      {"SesentaDiasAntes", &elipse, -60, false},
      {"PasadosLosSesenta", &elipse, 60.01, true},
      {"AniosAntes", &elipse, -1500, true},
      {"Cometa", &cometa, 1500, false},
      {"SinEpocaDeOsculacion", &sin_epoca, 1500, false},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(SeAcarrea(*c.el, EnTT(c.el->epoca + c.dias)), c.acarreada);
  }
}

// Elements to a state and back: the same state, and the same elements where they are
// defined, for every kind of ellipse.
TEST(Acarreo, DelEstadoALosElementosYVuelta) {
  const struct {
    const char* nombre;
    ElementosOrbitales el;
  } casos[] = {
      {"Cinturon", Elipse(2.77, 0.0786, 10.59, 80.3, 73.4, 334.3)},
      {"CercanoALaTierra", Elipse(1.08, 0.83, 22.8, 88.0, 31.4, 5.0)},
      {"Retrograda", Elipse(8.4, 0.3, 151.2, 300.0, 200.0, 180.0)},
      {"EnLaEcliptica", Elipse(2.2, 0.15, 0, 0, 120.0, 20.0)},
      {"CasiCircular", Elipse(3.1, 1e-9, 5.0, 40.0, 10.0, 250.0)},
      {"CasiParabolica", Elipse(40.0, 0.995, 60.0, 10.0, 350.0, 0.01)},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    const EstadoCartesiano estado = EstadoDeElementos(c.el);
    const std::optional<ElementosOrbitales> vuelta = ElementosDeEstado(estado, c.el.epoca, c.el);
    ASSERT_TRUE(vuelta);
    const EstadoCartesiano otra = EstadoDeElementos(*vuelta);
    EXPECT_LT(Modulo(otra.r - estado.r), 1e-13 * Modulo(estado.r));
    EXPECT_LT(Modulo(otra.v - estado.v), 1e-12 * Modulo(estado.v));
    // Near the perihelion of a long ellipse 2/r - v^2/GM loses some digits.
    EXPECT_NEAR(vuelta->semieje, c.el.semieje, 1e-10 * c.el.semieje);
    EXPECT_NEAR(vuelta->excentricidad, c.el.excentricidad, 1e-13);
    EXPECT_NEAR(vuelta->inclinacion, c.el.inclinacion, 1e-10);
    EXPECT_EQ(vuelta->epoca, c.el.epoca);
    EXPECT_EQ(vuelta->H, c.el.H);
    EXPECT_EQ(vuelta->numero, c.el.numero);
    EXPECT_EQ(vuelta->forma, FormaOrbita::Semieje);
    for (const double angulo : {vuelta->nodo, vuelta->perihelio, vuelta->anomalia_media}) {
      EXPECT_GE(angulo, 0);
      EXPECT_LT(angulo, 360);
    }
    if (c.el.inclinacion > 0 && c.el.excentricidad > 1e-6) {
      EXPECT_NEAR(vuelta->nodo, c.el.nodo, 1e-9);
      EXPECT_NEAR(vuelta->perihelio, c.el.perihelio, 1e-9);
      EXPECT_NEAR(vuelta->anomalia_media, c.el.anomalia_media, 1e-9);
    }
  }
}

TEST(Acarreo, UnEstadoFueraDeTodaElipseNoDaElementos) {
  const ElementosOrbitales base = Elipse(2, 0.1, 5, 5, 5, 5);
  const struct {
    const char* nombre;
    EstadoCartesiano estado;
  } casos[] = {
      {"Hiperbolica", {{1, 0, 0}, {0, 0.03, 0}}},
      {"Parabolica", {{1, 0, 0}, {0, std::sqrt(2.0) * kGauss, 0}}},
      {"Radial", {{1, 0, 0}, {0.001, 0, 0}}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_FALSE(ElementosDeEstado(c.estado, 2459800.5, base));
  }
}

// Carried to the grid epoch and followed from there, an orbit ends where it ends when
// followed straight from its own epoch, to well under a kilometre after four years.
TEST(Acarreo, AcarreadaLlegaAlMismoSitio) {
  const ElementosOrbitales ceres = Elipse(2.7666, 0.07862, 10.587, 80.255, 73.424, 334.327);
  const ElementosOrbitales eros = Elipse(1.4581, 0.2227, 10.828, 304.3, 178.9, 271.0);
  const double instante = 2461381.7;  // TT, 4.3 years after the epoch
  const AcarreoElementos acarreo(EpocaDeAcarreo(EnTT(instante)));
  ASSERT_EQ(acarreo.Epoca(), 2461380.0);
  const TablaPlanetas tabla(ceres.epoca - kJ2000 - 1, instante - kJ2000 + 1, 2);
  const MovimientoPerturbado movimiento(&tabla);
  for (const ElementosOrbitales* el : {&ceres, &eros}) {
    SCOPED_TRACE(el->semieje);
    const std::optional<ElementosOrbitales> llevada = acarreo.Acarrear(*el);
    ASSERT_TRUE(llevada);
    EXPECT_EQ(llevada->epoca, 2461380.0);
    // Four years of the planets' pull: the carried elements are not the original ones.
    EXPECT_GT(std::abs(llevada->semieje - el->semieje), 1e-6);
    const EstadoCartesiano directa =
        movimiento.Propagar(EstadoDeElementos(*el), el->epoca - kJ2000, instante - kJ2000);
    const EstadoCartesiano desde_rejilla = movimiento.Propagar(
        EstadoDeElementos(*llevada), llevada->epoca - kJ2000, instante - kJ2000);
    EXPECT_LT(Modulo(directa.r - desde_rejilla.r), 1e-9);  // AU: 150 m
  }
}

}  // namespace
}  // namespace orbelux::efemerides
