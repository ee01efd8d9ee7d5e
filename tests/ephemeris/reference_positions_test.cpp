// SPDX-License-Identifier: GPL-3.0-or-later
// Positions and magnitudes of asteroids 1-227 against positions computed independently
// from the same elements.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/astrometric.h"
#include "ephemeris/element_source.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "reference_table.h"

namespace orbelux::efemerides {
namespace {

constexpr double kGrados = 180 / std::numbers::pi;

struct CasoReferencia {
  const char* nombre;
  const char* utc;
  int anio, mes, dia, hora;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoReferencia& caso, std::ostream* os) { *os << caso.nombre; }

class PosicionesDeReferencia : public testing::TestWithParam<CasoReferencia> {};

TEST_P(PosicionesDeReferencia, CoincidenConLaReferenciaIndependiente) {
  const CasoReferencia& c = GetParam();
  ArchivoElementos archivo(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  OpcionesLectura opciones;
  opciones.nombre = "elementos_1-227.dat";
  const std::vector<ElementosOrbitales> elementos = LeerElementosMPC(archivo, opciones);
  ASSERT_EQ(elementos.size(), 227u);

  const Instante instante = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, 0, 0);
  const Vector3 tierra = PosicionTierra(instante);
  double max_ra = 0;
  double max_dec = 0;
  double max_delta = 0;
  double max_mag = 0;
  int filas = 0;
  for (const prueba::PosicionReferencia& ref :
       prueba::LeerReferencia(ORBELUX_TEST_DATA_DIR "/ephemeris/reference_positions.tsv")) {
    if (ref.utc != c.utc) continue;
    ++filas;
    const ElementosOrbitales& el = elementos.at(static_cast<std::size_t>(ref.numero - 1));
    SCOPED_TRACE(std::string(el.Nombre()));
    const LugarAstrometrico lugar = Astrometrico(OrbitaKepleriana(el), tierra, instante);
    const double magnitud = MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase);

    // Differences in arcseconds on the sky, and in the reference's last digits.
    double d_ra = lugar.ascension_recta * kGrados - ref.ra_deg;
    d_ra -= 360 * std::round(d_ra / 360);
    d_ra *= 3600 * std::cos(ref.dec_deg / kGrados);
    const double d_dec = (lugar.declinacion * kGrados - ref.dec_deg) * 3600;
    EXPECT_LT(std::abs(d_ra), 1e-4);
    EXPECT_LT(std::abs(d_dec), 1e-4);
    EXPECT_NEAR(lugar.delta, ref.delta_au, 2e-9);
    EXPECT_NEAR(lugar.r, ref.r_au, 2e-9);
    EXPECT_NEAR(lugar.Fase() * kGrados, ref.phase_deg, 1e-4);
    EXPECT_NEAR(magnitud, ref.v_mag, 6e-4);
    max_ra = std::max(max_ra, std::abs(d_ra));
    max_dec = std::max(max_dec, std::abs(d_dec));
    max_delta = std::max(max_delta, std::abs(lugar.delta - ref.delta_au));
    max_mag = std::max(max_mag, std::abs(magnitud - ref.v_mag));
  }
  EXPECT_EQ(filas, 227);
  std::cout << c.utc << ": max |dRA cos dec| " << max_ra << "\", max |dDec| " << max_dec
            << "\", max |dDelta| " << max_delta << " AU, max |dV| " << max_mag << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Instantes, PosicionesDeReferencia,
    testing::Values(CasoReferencia{"Epoca", "2022-08-09T00:00", 2022, 8, 9, 0},
                    CasoReferencia{"SeisSemanas", "2022-09-20T00:00", 2022, 9, 20, 0},
                    CasoReferencia{"SeisMeses", "2023-02-01T06:00", 2023, 2, 1, 6}),
    [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::efemerides
