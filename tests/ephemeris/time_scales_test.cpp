// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/time_scales.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orbelux::efemerides {
namespace {

struct CasoInstante {
  const char* nombre;
  int anio, mes, dia, hora, minuto;
  double tt_menos_utc;  // seconds: TAI - UTC + 32.184
  bool dudoso;
  double tdb_menos_tt;  // seconds, eraDtdb at the geocentre
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoInstante& caso, std::ostream* os) { *os << caso.nombre; }

class Instantes : public testing::TestWithParam<CasoInstante> {};

TEST_P(Instantes, TTEsUTCMasLosSegundosIntercalares) {
  const CasoInstante& c = GetParam();
  const Instante i = InstanteDesdeCalendario(c.anio, c.mes, c.dia, c.hora, c.minuto, 0);
  const double tt_menos_utc =
      ((i.tt.entera - i.utc.entera) + (i.tt.fraccion - i.utc.fraccion)) * 86400;
  EXPECT_NEAR(tt_menos_utc, c.tt_menos_utc, 1e-6);
  // TDB - TT stays within 1.7 ms; its sign matters as much as its size.
  const double tdb_menos_tt =
      ((i.tdb.entera - i.tt.entera) + (i.tdb.fraccion - i.tt.fraccion)) * 86400;
  EXPECT_LT(std::abs(tdb_menos_tt), 0.0017);
  EXPECT_NEAR(tdb_menos_tt, c.tdb_menos_tt, 1e-9);
  EXPECT_EQ(i.anio_dudoso, c.dudoso);
}

INSTANTIATE_TEST_SUITE_P(
    Fechas, Instantes,
    testing::Values(CasoInstante{"Epoca2022", 2022, 8, 9, 0, 0, 69.184, false, -9.009060644e-04},
                    CasoInstante{"Antes2017", 2016, 12, 30, 12, 0, 68.184, false, -9.342513557e-05},
                    CasoInstante{"Despues2017", 2017, 1, 1, 12, 0, 69.184, false, -3.486007250e-05},
                    CasoInstante{"Anio2000", 2000, 1, 1, 12, 0, 64.184, false, -9.928570538e-05},
                    // Past the table: a warning, with the table's last value.
                    CasoInstante{"Futuro", 2031, 6, 1, 0, 0, 69.184, true, 9.169635430e-04}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(Instantes, DiaJulianoYCalendarioDanElMismoInstante) {
  const Instante a = InstanteDesdeCalendario(2023, 2, 1, 6, 0, 0);
  const Instante b = InstanteDesdeDiaJulianoUTC(2459976.75);
  EXPECT_DOUBLE_EQ(a.utc.Total(), 2459976.75);
  EXPECT_NEAR((a.tdb.entera - b.tdb.entera) + (a.tdb.fraccion - b.tdb.fraccion), 0, 1e-11);
  const FechaCalendario f = CalendarioUTC(b);
  EXPECT_EQ(f.anio, 2023);
  EXPECT_EQ(f.mes, 2);
  EXPECT_EQ(f.dia, 1);
  EXPECT_EQ(f.hora, 6);
  EXPECT_EQ(f.minuto, 0);
  EXPECT_EQ(f.segundo, 0);
}

// Many dates at once (hourly across the leap second of 2016, where TT stays smooth, and
// then days apart) give each date's own instant, TDB within ten nanoseconds.
TEST(Instantes, MuchasFechasComoCadaUnaSola) {
  for (const double paso : {1.0 / 24, 1.0 / 1440, 3.0}) {
    SCOPED_TRACE(paso);
    std::vector<double> dias;
    for (int i = 0; i < 200; ++i) dias.push_back(2457752.5 + paso * (i - 100));
    const std::vector<Instante> juntos = InstantesDesdeDiasJulianosUTC(dias);
    ASSERT_EQ(juntos.size(), dias.size());
    for (std::size_t i = 0; i < dias.size(); ++i) {
      const Instante solo = InstanteDesdeDiaJulianoUTC(dias[i]);
      EXPECT_EQ(juntos[i].utc.Total(), solo.utc.Total());
      EXPECT_EQ(juntos[i].tt.Total(), solo.tt.Total());
      EXPECT_NEAR((juntos[i].tdb.entera - solo.tdb.entera) +
                      (juntos[i].tdb.fraccion - solo.tdb.fraccion),
                  0, 1e-8 / 86400);
    }
  }
}

TEST(Instantes, FechasQueNoExistenSonUnError) {
  EXPECT_THROW(InstanteDesdeCalendario(2022, 2, 30, 0, 0, 0), ErrorInstante);
  EXPECT_THROW(InstanteDesdeCalendario(2022, 13, 1, 0, 0, 0), ErrorInstante);
  EXPECT_THROW(InstanteDesdeCalendario(2022, 1, 1, 24, 0, 0), ErrorInstante);
}

}  // namespace
}  // namespace orbelux::efemerides
