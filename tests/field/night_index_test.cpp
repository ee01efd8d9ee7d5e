// SPDX-License-Identifier: GPL-3.0-or-later
// The night's index on its own: the night of an instant, circles that overlap
// always sharing a cell, and traces whose radius holds the exact place from any site at any
// instant of the night, cheap and exact ones alike.
#include "field/night_index.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/carried_elements.h"
#include "ephemeris/element_source.h"
#include "ephemeris/elements_format.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/sites.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;
constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;

TEST(IndiceNoche, LaNocheDeUnInstante) {
  const struct {
    const char* nombre;
    double dia;  // JD UTC
    std::int64_t noche;
  } casos[] = {{"a las doce", 2461382.0, 2461382},
               {"medianoche", 2461382.5, 2461382},
               {"antes de las doce", 2461382.999, 2461382},
               {"la noche anterior", 2461381.9999, 2461381}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(NocheDe(ef::InstanteDesdeDiaJulianoUTC(c.dia)), c.noche);
  }
}

double Angulo(double ar1, double dec1, double ar2, double dec2) {
  const double s1 = std::sin((dec2 - dec1) / 2);
  const double s2 = std::sin((ar2 - ar1) / 2);
  return 2 * std::asin(std::sqrt(s1 * s1 + std::cos(dec1) * std::cos(dec2) * s2 * s2));
}

// A circle that overlaps another always shares a cell with it, wherever they are: near
// the poles, across RA 0h, at band edges, large and small.
TEST(IndiceNoche, DosCirculosQueSeSolapanCompartenUnaCelda) {
  std::mt19937 azar(20);
  std::uniform_real_distribution<double> u(0, 1);
  int solapados = 0;
  for (int i = 0; i < 20000; ++i) {
    const double ar1 = u(azar) * 2 * kPi;
    // Half the circles near a pole, the rest anywhere.
    const double dec1 = i % 2 == 0 ? (88 + 2 * u(azar)) * kGrado * (i % 4 == 0 ? 1 : -1)
                                   : std::asin(2 * u(azar) - 1);
    const double r1 = std::pow(10, -5 + 4 * u(azar)) * (i % 7 == 0 ? 20 : 1);
    const double r2 = std::pow(10, -5 + 4 * u(azar));
    // The second at a distance just within their radii's sum, in any direction.
    const double d = (r1 + r2) * (0.9 + 0.0999 * u(azar));
    const double rumbo = u(azar) * 2 * kPi;
    const double dec2 =
        std::asin(std::sin(dec1) * std::cos(d) + std::cos(dec1) * std::sin(d) * std::cos(rumbo));
    const double ar2 = ar1 + std::atan2(std::sin(rumbo) * std::sin(d) * std::cos(dec1),
                                        std::cos(d) - std::sin(dec1) * std::sin(dec2));
    if (Angulo(ar1, dec1, ar2, dec2) > r1 + r2) continue;
    ++solapados;
    std::vector<std::uint32_t> a;
    std::vector<std::uint32_t> b;
    CeldasDelCirculo(ar1, dec1, r1, a);
    CeldasDelCirculo(ar2, dec2, r2, b);
    bool comun = false;
    for (const std::uint32_t c : a) comun = comun || std::find(b.begin(), b.end(), c) != b.end();
    ASSERT_TRUE(comun) << "circles at " << ar1 << "," << dec1 << " r " << r1 << " and " << ar2
                       << "," << dec2 << " r " << r2;
    ASSERT_NE(std::find(a.begin(), a.end(), CeldaDe(ar1, dec1)), a.end());
    for (const std::uint32_t c : a) ASSERT_LT(c, NumeroCeldas());
  }
  EXPECT_GT(solapados, 19000);
  // About a square degree each: 41,253 of them in the sky.
  EXPECT_GT(NumeroCeldas(), 41253u);
  EXPECT_LT(NumeroCeldas(), 42000u);
}

// Every record of a file, read as the search reads it.
std::vector<ef::ElementosOrbitales> Leer(const std::string& ruta) {
  const std::string texto = prueba::LeerArchivo(ruta);
  const ef::FormatoElementos& formato = ef::DetectarFormato(texto);
  std::vector<ef::ElementosOrbitales> todos;
  ef::CacheEpoca cache;
  std::uint64_t numero_linea = 0;
  for (std::size_t pos = 0; pos < texto.size();) {
    const std::size_t salto = texto.find('\n', pos);
    const std::string_view linea(texto.data() + pos, salto - pos);
    pos = salto + 1;
    ++numero_linea;
    std::int32_t numero = 0;
    if (formato.Clasificar(linea, numero) != ef::ClaseLinea::Registro) continue;
    ef::ElementosOrbitales el;
    if (!formato.Convertir(linea, numero, numero_linea, "prueba", cache, el)) todos.push_back(el);
  }
  return todos;
}

// The exact place, from two sites at instants anywhere in the night, lies within the
// trace's radius of its place at the middle, for the cheap traces of asteroids (near the elements'
// epoch and far from it, carried) and the exact ones of comets.
TEST(IndiceNoche, ElRadioContieneElLugarExactoDesdeCualquierSitio) {
  const std::vector<ef::ElementosOrbitales> asteroides =
      Leer(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  const std::vector<ef::ElementosOrbitales> cometas =
      Leer(ORBELUX_EXAMPLES_DIR "/CometEls_muestra.txt");
  ASSERT_GT(asteroides.size(), 200u);
  ASSERT_GT(cometas.size(), 10u);
  const struct {
    const char* nombre;
    std::int64_t noche;
    bool acarrear;
  } noches[] = {{"cerca de la epoca", 2459810, false}, {"cuatro anios despues", 2461382, true}};
  for (const auto& n : noches) {
    SCOPED_TRACE(n.nombre);
    const NodoNoche nodo(n.noche);
    std::vector<ef::ElementosOrbitales> elementos = asteroides;
    if (n.acarrear) {
      const ef::AcarreoElementos acarreo(
          ef::EpocaDeAcarreo(ef::InstanteDesdeDiaJulianoUTC(static_cast<double>(n.noche))));
      for (auto& el : elementos) el = acarreo.Acarrear(el).value_or(el);
    }
    std::vector<std::optional<Traza>> trazas;
    for (const auto& el : elementos) trazas.push_back(nodo.Trazar(el));
    const std::vector<std::optional<Traza>> exactas = TrazasExactas(cometas, n.noche, 2);
    for (const auto& t : exactas) trazas.push_back(t);
    elementos.insert(elementos.end(), cometas.begin(), cometas.end());
    std::size_t con_traza = 0;
    for (const auto& t : trazas) con_traza += t ? 1 : 0;
    EXPECT_GT(con_traza, elementos.size() * 9 / 10);
    // Most traces move, with a radius well under the night's.
    std::size_t movidas = 0;
    for (const double hora : {0.01, 11.9, 23.99}) {
      for (const char* codigo : {"", "568"}) {
        SCOPED_TRACE(std::to_string(hora) + " h desde " + codigo);
        const ef::Instante instante =
            ef::InstanteDesdeDiaJulianoUTC(static_cast<double>(n.noche) + hora / 24);
        ef::Sitio sitio;
        if (*codigo != 0) sitio = *ef::BuscarObservatorio(codigo);
        ef::ContextoEfemerides ctx(instante, sitio, ef::Movimiento::Perturbado);
        ef::IntervaloEpocas intervalo(ctx.T());
        for (const auto& el : elementos) {
          if (!el.sin_perturbar) intervalo.Incluir(el.epoca);
        }
        ctx.AmpliarPlanetas(intervalo, 2);
        for (std::size_t i = 0; i < elementos.size(); ++i) {
          if (!trazas[i]) continue;
          const ef::LugarAstrometrico l = ctx.LugarYMovimiento(elementos[i])[1];
          const Traza& t = *trazas[i];
          EXPECT_LE(Angulo(t.ar, t.dec, l.ascension_recta, l.declinacion), t.radio_noche)
              << "object " << i;
          // The circle asked for at the object's place itself overlaps its moving trace.
          EXPECT_TRUE(Solapa(t, l.ascension_recta, l.declinacion, 1e-7, DiasDesdeMedio(instante)))
              << "object " << i;
          if (t.radio < t.radio_noche) ++movidas;
        }
      }
    }
    EXPECT_GT(movidas, 6 * con_traza * 3 / 4);
  }
}

}  // namespace
}  // namespace orbelux::campo
