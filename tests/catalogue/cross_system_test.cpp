// SPDX-License-Identifier: GPL-3.0-or-later
// The same catalogue on every system: the README's instant (2026-12-07T22:30+01:00, from
// J86) as the Linux build writes it, against what this build writes. Line for line the
// same, except where a value lies within 1e-9 of a rounding boundary of its last digit (the
// C libraries' last bits differ between systems); such lines are named and counted, and for
// the 227 bundled asteroids at this instant there are none.
#include <cmath>
#include <iostream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_maker.h"
#include "catalogue_comparison.h"
#include "ephemeris/astrometric.h"
#include "ephemeris/element_source.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/sites.h"
#include "support/temp_dir.h"

namespace orbelux::catalogo {
namespace {

namespace ef = orbelux::efemerides;

// The catalogue's fields before their rounding: right ascension in seconds of time (to a
// tenth), declination in arcseconds (to one) and the magnitude (to a tenth).
struct SinRedondear {
  double ra_s = 0;
  double dec_arcsec = 0;
  std::optional<double> magnitud;
};

// True when `valor` lies within 1e-9 of a point where its rounding to `paso` changes.
bool EnFrontera(double valor, double paso) {
  const double unidades = std::abs(valor) / paso;
  return std::abs(unidades - std::floor(unidades) - 0.5) * paso < 1e-9;
}

// A line that differs only in fields whose value sits on a rounding boundary.
bool DiferenciaDeRedondeo(const std::string& aqui, const std::string& alli, const SinRedondear& v) {
  const bool ra = aqui.substr(36, 10) != alli.substr(36, 10);
  const bool dec = aqui.substr(47, 9) != alli.substr(47, 9);
  const bool mag = aqui.substr(57, 5) != alli.substr(57, 5);
  if (aqui.substr(0, 36) != alli.substr(0, 36) || (!ra && !dec && !mag)) return false;
  return (!ra || EnFrontera(v.ra_s, 0.1)) && (!dec || EnFrontera(v.dec_arcsec, 1)) &&
         (!mag || (v.magnitud && EnFrontera(*v.magnitud, 0.1)));
}

// Each asteroid's place as the catalogue maker computes it, kept unrounded.
std::vector<SinRedondear> Lugares(const std::vector<ef::ElementosOrbitales>& elementos,
                                  const ef::Instante& instante, const ef::Sitio& sitio) {
  const double t = (instante.tdb.entera - ef::kJ2000) + instante.tdb.fraccion;
  double desde = t;
  double hasta = t;
  for (const auto& el : elementos) {
    desde = std::min(desde, el.epoca - ef::kJ2000);
    hasta = std::max(hasta, el.epoca - ef::kJ2000);
  }
  const ef::TablaPlanetas tabla(desde - 1, hasta + 1, 2);
  const ef::MovimientoPerturbado movimiento(&tabla);
  const ef::Vector3 observador = ef::PosicionObservador(instante, sitio);
  const ef::Vector3 velocidad_sol = ef::VelocidadBaricentricaSol(instante);
  std::vector<SinRedondear> lugares;
  for (const auto& el : elementos) {
    const ef::LugarAstrometrico lugar = ef::AstrometricoDesdeEstado(
        movimiento.Propagar(ef::EstadoDeElementos(el), el.epoca - ef::kJ2000, t), observador,
        velocidad_sol);
    SinRedondear v;
    v.ra_s = lugar.ascension_recta * 43200 / std::numbers::pi;
    v.dec_arcsec = lugar.declinacion * 648000 / std::numbers::pi;
    if (el.tiene_H)
      v.magnitud = ef::MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase);
    lugares.push_back(v);
  }
  return lugares;
}

TEST(MismoCatalogo, LaFronteraDeRedondeoEsLaMitadDelUltimoDigito) {
  const struct {
    const char* nombre;
    double valor, paso;
    bool en_frontera;
  } casos[] = {
      {"on the half tenth", 12.35, 0.1, true},
      {"a hair below it", 12.35 - 5e-10, 0.1, true},
      {"a hair above it", 12.35 + 5e-10, 0.1, true},
      {"2e-9 away", 12.35 + 2e-9, 0.1, false},
      {"on the digit itself", 12.3, 0.1, false},
      {"whole arcseconds", 34.5, 1, true},
      {"negative declination", -34.5, 1, true},
      {"just off a whole arcsecond boundary", 34.5 + 1e-8, 1, false},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(EnFrontera(caso.valor, caso.paso), caso.en_frontera);
  }
  const std::string linea = "(1) Ceres              2461382.3958 07 42 16.9 +26 35 34   7.5";
  SinRedondear v{27736.95, 95734.2, 7.53};
  std::string otra = linea;
  otra.replace(45, 1, "8");  // 16.8 s: the right ascension's last digit
  EXPECT_TRUE(DiferenciaDeRedondeo(otra, linea, v));
  v.ra_s = 27736.93;
  EXPECT_FALSE(DiferenciaDeRedondeo(otra, linea, v)) << "not on a boundary: a real difference";
  v.ra_s = 27736.95;
  otra = linea;
  otra.replace(60, 1, "6");  // magnitude 7.6, whose value is not on a boundary
  EXPECT_FALSE(DiferenciaDeRedondeo(otra, linea, v));
  otra = linea;
  otra.replace(1, 1, "2");  // another asteroid altogether
  EXPECT_FALSE(DiferenciaDeRedondeo(otra, linea, v));
}

TEST(MismoCatalogo, ElDeLinuxLineaALineaSalvoEnLasFronterasDeRedondeo) {
  ef::ArchivoElementos archivo(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  ef::OpcionesLectura opciones;
  opciones.nombre = "elementos_1-227.dat";
  const std::vector<ef::ElementosOrbitales> elementos = ef::LeerElementosMPC(archivo, opciones);
  // 2026-12-07T22:30+01:00.
  const ef::Instante instante = ef::InstanteDesdeCalendario(2026, 12, 7, 21, 30, 0);
  const std::optional<ef::Sitio> j86 = ef::BuscarObservatorio("J86");
  ASSERT_TRUE(j86);
  OpcionesCatalogo desde_j86;
  desde_j86.sitio = j86;
  const std::vector<std::string> aqui = Lineas(TextoCatalogo(elementos, instante, desde_j86));
  const std::vector<std::string> linux =
      Lineas(prueba::LeerArchivo(ORBELUX_TEST_DATA_DIR "/catalogue/j86_2026-12-07T2230.dat"));
  ASSERT_EQ(aqui.size(), 227u);
  ASSERT_EQ(linux.size(), aqui.size());

  const std::vector<SinRedondear> lugares = Lugares(elementos, instante, *j86);
  int en_frontera = 0;
  for (std::size_t i = 0; i < aqui.size(); ++i) {
    if (aqui[i] == linux[i]) continue;
    SCOPED_TRACE("this system: " + aqui[i] + "\nLinux:       " + linux[i]);
    EXPECT_TRUE(DiferenciaDeRedondeo(aqui[i], linux[i], lugares[i]))
        << "differs by more than the rounding of a value on a boundary";
    ++en_frontera;
    std::cout << "on a rounding boundary: " << aqui[i] << '\n';
  }
  RecordProperty("lineas_en_frontera", en_frontera);
  EXPECT_EQ(en_frontera, 0) << "lines that differ from Linux only by a rounding on a boundary";
}

}  // namespace
}  // namespace orbelux::catalogo
