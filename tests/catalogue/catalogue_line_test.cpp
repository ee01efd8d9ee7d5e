// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue_line.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace orbelux::catalogo {
namespace {

constexpr double kPi = std::numbers::pi;

DatosLinea Datos(std::int32_t numero, std::string_view nombre, double ar, double dec,
                 std::optional<double> magnitud, std::string_view dia_juliano = "") {
  DatosLinea datos;
  datos.numero = numero;
  datos.nombre = nombre;
  datos.dia_juliano = dia_juliano;
  datos.ascension_recta = ar;
  datos.declinacion = dec;
  datos.magnitud = magnitud;
  return datos;
}

double Horas(double h, double m, double s) { return (h + m / 60 + s / 3600) * kPi / 12; }
double Grados(double signo, double g, double m, double s) {
  return signo * (g + m / 60 + s / 3600) * kPi / 180;
}

struct CasoLinea {
  const char* nombre;
  double ar;   // radians
  double dec;  // radians
  std::optional<double> magnitud;
  const char* columnas_37_62;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoLinea& caso, std::ostream* os) { *os << caso.nombre; }

class Redondeos : public testing::TestWithParam<CasoLinea> {};

TEST_P(Redondeos, LosCamposLlevanSusAcarreos) {
  const CasoLinea& c = GetParam();
  const LineaCatalogo linea =
      FormatearLinea(Datos(7, "(7) Iris", c.ar, c.dec, c.magnitud));
  EXPECT_EQ(std::string(linea.data() + 36, 26), c.columnas_37_62);
  EXPECT_EQ(std::string(linea.data() + 62, 2), "\r\n");
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Campos, Redondeos,
    testing::Values(
        CasoLinea{"Normal", Horas(5, 7, 3.44), Grados(1, 5, 3, 17.2), 16.34,
                  "05 07 03.4 +05 03 17  16.3"},
        CasoLinea{"SegundosDeTiempoAlMinuto", Horas(5, 7, 59.96), Grados(1, 5, 3, 17), 9.0,
                  "05 08 00.0 +05 03 17   9.0"},
        CasoLinea{"MinutosALaHora", Horas(5, 59, 59.97), Grados(1, 5, 3, 17), 9.0,
                  "06 00 00.0 +05 03 17   9.0"},
        CasoLinea{"FinDelDia", Horas(23, 59, 59.96), Grados(1, 5, 3, 17), 9.0,
                  "00 00 00.0 +05 03 17   9.0"},
        CasoLinea{"CasiFinDelDia", Horas(23, 59, 59.94), Grados(1, 5, 3, 17), 9.0,
                  "23 59 59.9 +05 03 17   9.0"},
        CasoLinea{"Cero", 0.0, 0.0, 9.0, "00 00 00.0 +00 00 00   9.0"},
        CasoLinea{"SegundosDeArcoAlMinuto", Horas(1, 0, 0), Grados(1, 5, 3, 59.5), 9.0,
                  "01 00 00.0 +05 04 00   9.0"},
        CasoLinea{"MinutosDeArcoAlGrado", Horas(1, 0, 0), Grados(1, 5, 59, 59.6), 9.0,
                  "01 00 00.0 +06 00 00   9.0"},
        CasoLinea{"SurAlGrado", Horas(1, 0, 0), Grados(-1, 29, 59, 59.7), 9.0,
                  "01 00 00.0 -30 00 00   9.0"},
        CasoLinea{"MenosCero", Horas(1, 0, 0), Grados(-1, 0, 12, 9), 9.0,
                  "01 00 00.0 -00 12 09   9.0"},
        CasoLinea{"MenosCeroAlGrado", Horas(1, 0, 0), Grados(-1, 0, 59, 59.7), 9.0,
                  "01 00 00.0 -01 00 00   9.0"},
        CasoLinea{"RedondeaACeroSinSigno", Horas(1, 0, 0), Grados(-1, 0, 0, 0.4), 9.0,
                  "01 00 00.0 +00 00 00   9.0"},
        CasoLinea{"Polo", Horas(1, 0, 0), Grados(1, 90, 0, 0), 9.0,
                  "01 00 00.0 +90 00 00   9.0"},
        CasoLinea{"PoloSur", Horas(1, 0, 0), Grados(-1, 90, 0, 0), 9.0,
                  "01 00 00.0 -90 00 00   9.0"},
        CasoLinea{"MagnitudDesconocida", Horas(1, 0, 0), 0.0, std::nullopt,
                  "01 00 00.0 +00 00 00  99.9"},
        CasoLinea{"MagnitudNoFinita", Horas(1, 0, 0), 0.0, kNaN, "01 00 00.0 +00 00 00  99.9"},
        CasoLinea{"MagnitudNegativa", Horas(1, 0, 0), 0.0, -1.23, "01 00 00.0 +00 00 00  -1.2"},
        CasoLinea{"MagnitudMenosCeroComa", Horas(1, 0, 0), 0.0, -0.36,
                  "01 00 00.0 +00 00 00  -0.4"},
        CasoLinea{"MagnitudCeroSinSigno", Horas(1, 0, 0), 0.0, -0.04,
                  "01 00 00.0 +00 00 00   0.0"},
        CasoLinea{"MagnitudAlEntero", Horas(1, 0, 0), 0.0, 14.96, "01 00 00.0 +00 00 00  15.0"},
        CasoLinea{"MagnitudTresCifras", Horas(1, 0, 0), 0.0, 123.44,
                  "01 00 00.0 +00 00 00 123.4"},
        CasoLinea{"MagnitudFueraDelCampo", Horas(1, 0, 0), 0.0, 12345.0,
                  "01 00 00.0 +00 00 00 999.9"},
        CasoLinea{"MagnitudMuyNegativa", Horas(1, 0, 0), 0.0, -1234.0,
                  "01 00 00.0 +00 00 00 -99.9"}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoNombre {
  const char* nombre;
  std::string_view designacion;
  std::int32_t numero;
  const char* columnas_1_23;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoNombre& caso, std::ostream* os) { *os << caso.nombre; }

class Identificaciones : public testing::TestWithParam<CasoNombre> {};

TEST_P(Identificaciones, VanAlineadasEnVeintitresColumnas) {
  const CasoNombre& c = GetParam();
  const LineaCatalogo linea =
      FormatearLinea(Datos(c.numero, c.designacion, 0, 0, 9.0));
  EXPECT_EQ(std::string(linea.data(), 23), c.columnas_1_23);
  // Without the Julian day, columns 24-36 are blank.
  EXPECT_EQ(std::string(linea.data() + 23, 13), std::string(13, ' '));
}

INSTANTIATE_TEST_SUITE_P(
    Nombres, Identificaciones,
    testing::Values(CasoNombre{"Corto", "(1) Ceres", 1, "(1) Ceres              "},
                    CasoNombre{"Justo", "(12345) Abcdefghijklmno", 12345,
                               "(12345) Abcdefghijklmno"},
                    CasoNombre{"Largo", "(32767) Nombre larguisimo de verdad", 32767,
                               "(32767) Nombre larguisi"},
                    CasoNombre{"SinNombre", "", 433, "(433)                  "},
                    CasoNombre{"NoASCII", "(9) M\xc3\xa9tis", 9, "(9) M??tis             "},
                    CasoNombre{"Control", std::string_view("(9)\tA\0B", 7), 9,
                               "(9)?A?B                "}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(PrimeraLinea, LlevaElDiaJulianoEnLasColumnas24A35) {
  const std::string jd = TextoDiaJuliano(2459842.5);
  EXPECT_EQ(jd, "2459842.5000");
  const LineaCatalogo linea = FormatearLinea(
      Datos(1, "(1) Ceres", Horas(10, 0, 47.07), Grados(1, 19, 5, 29.85), 8.752, jd));
  EXPECT_EQ(std::string(linea.begin(), linea.end()),
            "(1) Ceres              2459842.5000 10 00 47.1 +19 05 30   8.8\r\n");
}

TEST(PrimeraLinea, ElDiaJulianoLlevaCuatroDecimales) {
  EXPECT_EQ(TextoDiaJuliano(2459976.75), "2459976.7500");
  EXPECT_EQ(TextoDiaJuliano(2459842.500694444), "2459842.5007");
}

}  // namespace
}  // namespace orbelux::catalogo
