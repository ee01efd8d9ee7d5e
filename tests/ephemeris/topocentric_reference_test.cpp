// SPDX-License-Identifier: GPL-3.0-or-later
// Places seen from observatories on the Earth: the 227 against an independent implementation
// of the same model, and (433) Eros against JPL Horizons.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
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
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/sites.h"
#include "reference_table.h"
#include "support/places.h"

namespace orbelux::efemerides {
namespace {

constexpr double kGrados = 180 / std::numbers::pi;

using prueba::CasoSitio;
using prueba::Diferencia;
using prueba::TablaPara;

std::vector<ElementosOrbitales> Leer(const std::string& ruta, const char* nombre) {
  ArchivoElementos archivo(ruta);
  OpcionesLectura opciones;
  opciones.nombre = nombre;
  return LeerElementosMPC(archivo, opciones);
}

double TDesdeJ2000(const Instante& instante) {
  return instante.tdb.entera - kJ2000 + instante.tdb.fraccion;
}

LugarAstrometrico Perturbado(const ElementosOrbitales& el, const Instante& instante,
                             const MovimientoPerturbado& movimiento, const Vector3& observador) {
  const EstadoCartesiano en_t =
      movimiento.Propagar(EstadoDeElementos(el), el.epoca - kJ2000, TDesdeJ2000(instante));
  return AstrometricoDesdeEstado(en_t, observador, VelocidadBaricentricaSol(instante));
}

double Separacion(const LugarAstrometrico& a, const LugarAstrometrico& b) {
  const auto [d_ra, d_dec] = Diferencia(a, b.ascension_recta * kGrados, b.declinacion * kGrados);
  return std::hypot(d_ra, d_dec);
}

class ReferenciaTopocentrica : public testing::TestWithParam<CasoSitio> {};

TEST_P(ReferenciaTopocentrica, LosDoscientosVeintisieteCoinciden) {
  const CasoSitio& c = GetParam();
  const std::vector<ElementosOrbitales> elementos =
      Leer(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat", "elementos_1-227.dat");
  ASSERT_EQ(elementos.size(), 227u);
  const Instante instante = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 0);
  const TablaPlanetas tabla = TablaPara(elementos[0].epoca, instante);
  const MovimientoPerturbado movimiento(&tabla);
  const Vector3 observador = PosicionObservador(instante, *BuscarObservatorio(c.codigo));
  const Vector3 tierra = PosicionTierra(instante);

  double max_ra = 0;
  double max_dec = 0;
  std::vector<double> desplazamientos;
  int filas = 0;
  for (const prueba::PosicionTopocentrica& fila : prueba::LeerReferenciaTopocentrica(
           ORBELUX_TEST_DATA_DIR "/ephemeris/reference_positions_topocentric.tsv")) {
    const prueba::PosicionReferencia& ref = fila.posicion;
    if (fila.sitio != c.codigo || ref.utc != c.utc) continue;
    ++filas;
    const ElementosOrbitales& el = elementos.at(static_cast<std::size_t>(ref.numero - 1));
    SCOPED_TRACE(std::string(el.Nombre()));
    const LugarAstrometrico lugar = Perturbado(el, instante, movimiento, observador);
    const auto [d_ra, d_dec] = Diferencia(lugar, ref.ra_deg, ref.dec_deg);
    EXPECT_LT(std::abs(d_ra), 0.005);
    EXPECT_LT(std::abs(d_dec), 0.005);
    EXPECT_NEAR(lugar.delta, ref.delta_au, 2e-9);
    EXPECT_NEAR(lugar.r, ref.r_au, 2e-9);
    EXPECT_NEAR(lugar.Fase() * kGrados, ref.phase_deg, 1e-4);
    EXPECT_NEAR(MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase), ref.v_mag,
                1e-3);
    max_ra = std::max(max_ra, std::abs(d_ra));
    max_dec = std::max(max_dec, std::abs(d_dec));
    desplazamientos.push_back(Separacion(lugar, Perturbado(el, instante, movimiento, tierra)));
  }
  ASSERT_EQ(filas, 227);
  std::sort(desplazamientos.begin(), desplazamientos.end());
  // The site is really there: the geocentric places lie 0.1" to 7.5" away.
  EXPECT_GT(desplazamientos.front(), 0.05);
  EXPECT_GT(desplazamientos.back(), 5);
  std::cout << c.codigo << " " << c.utc << ": max |dRA cos dec| " << max_ra << "\", max |dDec| "
            << max_dec << "\"; moved from the geocentre: median " << desplazamientos[113]
            << "\", max " << desplazamientos.back() << "\"\n";
}

INSTANTIATE_TEST_SUITE_P(
    Sitios, ReferenciaTopocentrica,
    testing::Values(CasoSitio{"LaPalma", "950", "2024-03-01T22:00", 2024, 3, 1, 22, 0},
                    CasoSitio{"SierraNevada", "J86", "2024-03-01T22:00", 2024, 3, 1, 22, 0},
                    CasoSitio{"CalarAlto", "Z84", "2022-09-20T03:30", 2022, 9, 20, 3, 30}),
    [](const auto& info) { return std::string(info.param.nombre); });

Instante InstanteHorizons(const std::string& utc) {
  int anio = 0, mes = 0, dia = 0, hora = 0, minuto = 0;
  double segundo = 0;
  EXPECT_EQ(
      std::sscanf(utc.c_str(), "%d-%d-%dT%d:%d:%lf", &anio, &mes, &dia, &hora, &minuto, &segundo),
      6);
  return InstanteDesdeCalendario(anio, mes, dia, hora, minuto, segundo);
}

// Fifteen nights of October and November 2004 when Eros came within 0.54 AU, from Horizons'
// own elements of the time: two-body and perturbed motion both reach Horizons within 0.5",
// the geocentric place does not.
TEST(ErosDesdeObservatorios, CoincideConHorizons) {
  // The reader wants asteroids from (1) on: the record is read under number 1.
  std::ifstream archivo(ORBELUX_TEST_DATA_DIR "/ephemeris/eros_2004_elements.dat");
  std::string registro;
  ASSERT_TRUE(std::getline(archivo, registro));
  ASSERT_EQ(registro.substr(0, 5), "00433");
  registro.replace(0, 5, "00001");
  FuenteMemoria fuente(registro);
  OpcionesLectura opciones;
  opciones.nombre = "eros_2004_elements.dat";
  const std::vector<ElementosOrbitales> eros = LeerElementosMPC(fuente, opciones);
  ASSERT_EQ(eros.size(), 1u);
  const ElementosOrbitales& el = eros[0];
  ASSERT_DOUBLE_EQ(el.semieje, 1.4582693);
  const OrbitaKepleriana orbita(el);
  const TablaPlanetas tabla = TablaPlanetas(el.epoca - kJ2000 - 40, el.epoca - kJ2000 + 30, 2);
  const MovimientoPerturbado movimiento(&tabla);
  double max_dos_cuerpos = 0;
  double max_perturbado = 0;
  double max_geocentrico = 0;
  int filas = 0;
  for (const prueba::PosicionHorizons& ref :
       prueba::LeerHorizonsEros(ORBELUX_TEST_DATA_DIR "/ephemeris/horizons_eros_topocentric.tsv")) {
    SCOPED_TRACE(ref.sitio + " " + ref.utc);
    ++filas;
    const Instante instante = InstanteHorizons(ref.utc);
    const Vector3 observador = PosicionObservador(instante, *BuscarObservatorio(ref.sitio));
    const LugarAstrometrico dos_cuerpos = Astrometrico(orbita, observador, instante);
    const LugarAstrometrico perturbado = Perturbado(el, instante, movimiento, observador);
    const LugarAstrometrico geocentrico = Astrometrico(orbita, PosicionTierra(instante), instante);
    const auto separacion = [&](const LugarAstrometrico& lugar) {
      const auto [d_ra, d_dec] = Diferencia(lugar, ref.ra_deg, ref.dec_deg);
      return std::hypot(d_ra, d_dec);
    };
    EXPECT_LT(separacion(dos_cuerpos), 0.5);
    EXPECT_LT(separacion(perturbado), 0.5);
    EXPECT_NEAR(perturbado.delta, ref.delta_au, 3e-7);  // an Earth radius is 4e-5 AU
    max_dos_cuerpos = std::max(max_dos_cuerpos, separacion(dos_cuerpos));
    max_perturbado = std::max(max_perturbado, separacion(perturbado));
    max_geocentrico = std::max(max_geocentrico, separacion(geocentrico));
  }
  EXPECT_EQ(filas, 15);
  EXPECT_GT(max_geocentrico, 3);
  std::cout << "Eros from X05 and W84: worst two-body " << max_dos_cuerpos << "\", perturbed "
            << max_perturbado << "\", geocentric " << max_geocentrico << "\"\n";
}

}  // namespace
}  // namespace orbelux::efemerides
