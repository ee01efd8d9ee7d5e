// SPDX-License-Identifier: GPL-3.0-or-later
// A whole generated catalogue read back through the list generation's own reader: every
// line gives the position that was written and the magnitude as the reader rounds it.
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_line.h"
#include "catalogue/catalogue_maker.h"
#include "ephemeris/astrometric.h"
#include "ephemeris/magnitude.h"
#include "listgen/catalogue_scan.h"

namespace orbelux::catalogo {
namespace {

namespace ef = orbelux::efemerides;
constexpr double kPi = std::numbers::pi;

std::vector<ef::ElementosOrbitales> Generados(int cuantos) {
  std::mt19937_64 azar(433);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<ef::ElementosOrbitales> elementos;
  for (int k = 1; k <= cuantos; ++k) {
    ef::ElementosOrbitales el;
    el.numero = k;
    el.tiene_H = k % 50 != 0;  // some without H: 99.9
    el.H = 3 + 17 * u(azar);
    el.G = 0.15;
    el.epoca = 2459800.5;
    // Main belt and near-Earth orbits, any inclination, so the sky is covered, poles and
    // 0h included.
    const bool cercano = k % 5 == 0;
    el.semieje = cercano ? 0.8 + 1.5 * u(azar) : 2.1 + 1.4 * u(azar);
    el.excentricidad = cercano ? 0.2 + 0.6 * u(azar) : 0.3 * u(azar);
    el.inclinacion = 180 * u(azar);
    el.nodo = 360 * u(azar);
    el.perihelio = 360 * u(azar);
    el.anomalia_media = 360 * u(azar);
    elementos.push_back(el);
  }
  return elementos;
}

TEST(IdaYVuelta, ElLectorDeLaListaLeeLoQueSeEscribio) {
  const std::vector<ef::ElementosOrbitales> elementos = Generados(kMaximoAsteroides);
  const ef::Instante instante = ef::InstanteDesdeCalendario(2022, 9, 20, 0, 0, 0);
  // Two-body motion, so that each line can be checked against its own computation below;
  // the perturbed positions go through the same lines.
  OpcionesCatalogo opciones;
  opciones.movimiento = Movimiento::DosCuerpos;
  const std::string texto = TextoCatalogo(elementos, instante, opciones);
  ASSERT_EQ(texto.size(), elementos.size() * kAnchoLinea);

  const ef::Vector3 tierra = ef::PosicionTierra(instante);
  int acarreos_ar = 0;
  int sur_de_cero = 0;
  for (std::size_t i = 0; i < elementos.size(); ++i) {
    const std::string_view linea(texto.data() + i * kAnchoLinea, kAnchoCampos);
    ASSERT_EQ(texto.substr(i * kAnchoLinea + kAnchoCampos, 2), "\r\n");
    const auto numero = static_cast<std::int16_t>(i + 1);
    const RegistroAsteroide leido = ConvertirLinea(numero, linea);

    const ef::ElementosOrbitales& el = elementos[i];
    const ef::LugarAstrometrico lugar =
        ef::Astrometrico(ef::OrbitaKepleriana(el), tierra, instante);
    const double horas = lugar.ascension_recta * 12 / kPi;
    const double grados = lugar.declinacion * 180 / kPi;
    SCOPED_TRACE(std::string(linea) + " computed " + std::to_string(horas) + "h " +
                 std::to_string(grados));

    // Half a tenth of a second of time, half an arcsecond, and nothing shows 60.
    double d_ar = leido.AR - horas;
    d_ar -= 24 * std::round(d_ar / 24);
    ASSERT_LE(std::abs(d_ar) * 3600, 0.05 + 1e-9);
    ASSERT_LE(std::abs(leido.DEC - grados) * 3600, 0.5 + 1e-9);
    ASSERT_LT(leido.AR, 24.0);
    ASSERT_NE(linea.substr(39, 2), "60");
    ASSERT_NE(linea.substr(42, 2), "60");
    ASSERT_NE(linea.substr(51, 2), "60");
    ASSERT_NE(linea.substr(54, 2), "60");
    if (linea.substr(42, 4) == "00.0") ++acarreos_ar;
    if (linea.substr(47, 3) == "-00") ++sur_de_cero;

    if (el.tiene_H) {
      const double v = ef::MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase);
      // The reader rounds the written tenths to the nearest integer, ties to even.
      const double escrita = std::round(v * 10) / 10;
      ASSERT_EQ(leido.Mag, static_cast<std::int16_t>(std::nearbyint(escrita)));
    } else {
      ASSERT_EQ(linea.substr(57, 5), " 99.9");
      ASSERT_EQ(leido.Mag, 100);
    }
  }
  // The sample did reach the cases that matter.
  EXPECT_GT(acarreos_ar, 10);
  EXPECT_GT(sur_de_cero, 10);
}

}  // namespace
}  // namespace orbelux::catalogo
