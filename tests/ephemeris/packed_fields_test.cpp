// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/packed_fields.h"

#include <cstdlib>
#include <optional>
#include <random>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace orbelux::efemerides {
namespace {

struct CasoNumero {
  const char* nombre;
  const char* campo;
  std::optional<std::int32_t> numero;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoNumero& caso, std::ostream* os) { *os << caso.nombre; }

class NumerosEmpaquetados : public testing::TestWithParam<CasoNumero> {};

TEST_P(NumerosEmpaquetados, DanSuNumeroONada) {
  EXPECT_EQ(NumeroEmpaquetado(GetParam().campo), GetParam().numero);
}

INSTANTIATE_TEST_SUITE_P(
    Designaciones, NumerosEmpaquetados,
    testing::Values(CasoNumero{"Ceres", "00001  ", 1},
                    CasoNumero{"Eros", "00433  ", 433},
                    CasoNumero{"LineaCorta", "00433", 433},
                    CasoNumero{"Ultimo5Cifras", "99999  ", 99999},
                    CasoNumero{"LetraA", "A0000  ", 100000},
                    CasoNumero{"LetraK", "K1234  ", 201234},
                    CasoNumero{"LetraZ", "Z9999  ", 359999},
                    CasoNumero{"MinusculaA", "a0000  ", 360000},
                    CasoNumero{"MinusculaZ", "z9999  ", 619999},
                    CasoNumero{"TildeCero", "~0000  ", 620000},
                    CasoNumero{"TildeUltimaCifra", "~000z  ", 620061},
                    CasoNumero{"TildeSegundaCifra", "~0010  ", 620062},
                    CasoNumero{"TildeMayuscula", "~00A0  ", 620620},
                    CasoNumero{"TildeMaximo", "~zzzz  ", 620000 + 62 * 62 * 62 * 62 - 1},
                    CasoNumero{"Provisional", "K14A00A", std::nullopt},
                    CasoNumero{"Cero", "00000  ", std::nullopt},
                    CasoNumero{"CuatroCifras", "0001   ", std::nullopt},
                    CasoNumero{"LetraConLetra", "AA000  ", std::nullopt},
                    CasoNumero{"TildeSimbolo", "~00!0  ", std::nullopt},
                    CasoNumero{"Columna6Ocupada", "00001X ", std::nullopt},
                    CasoNumero{"Vacio", "", std::nullopt},
                    CasoNumero{"Blancos", "       ", std::nullopt}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoProvisional {
  const char* nombre;
  const char* campo;
  bool provisional;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoProvisional& caso, std::ostream* os) { *os << caso.nombre; }

class Provisionales : public testing::TestWithParam<CasoProvisional> {};

TEST_P(Provisionales, SeReconocen) {
  EXPECT_EQ(EsDesignacionProvisional(GetParam().campo), GetParam().provisional);
}

INSTANTIATE_TEST_SUITE_P(
    Designaciones, Provisionales,
    testing::Values(CasoProvisional{"Siglo21", "K14A00A", true},
                    CasoProvisional{"Siglo20", "J95X00A", true},
                    CasoProvisional{"CicloConLetra", "K22Aa1B", true},
                    CasoProvisional{"PalomarLeiden", "PLS2040", true},
                    CasoProvisional{"Trojan1", "T1S3138", true},
                    CasoProvisional{"CicloLargo", "_5A0zB2", true},
                    CasoProvisional{"Numerada", "00001  ", false},
                    CasoProvisional{"QuincenaI", "K14I00A", false},
                    CasoProvisional{"SigloDesconocido", "M14A00A", false},
                    CasoProvisional{"Cabecera", "MINOR P", false},
                    CasoProvisional{"Palabra", "Version", false},
                    CasoProvisional{"Corta", "K14A00", false}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoEpoca {
  const char* nombre;
  const char* campo;
  std::optional<double> dia_juliano;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoEpoca& caso, std::ostream* os) { *os << caso.nombre; }

class Epocas : public testing::TestWithParam<CasoEpoca> {};

TEST_P(Epocas, DanElDiaJulianoDeLas0h) {
  EXPECT_EQ(EpocaEmpaquetada(GetParam().campo), GetParam().dia_juliano);
}

INSTANTIATE_TEST_SUITE_P(
    FechasEmpaquetadas, Epocas,
    testing::Values(CasoEpoca{"Agosto2022", "K2289", 2459800.5},
                    CasoEpoca{"Dia31", "K205V", 2459000.5},
                    CasoEpoca{"Enero1996", "J9611", 2450083.5},
                    CasoEpoca{"Diciembre2022", "K22C1", 2459914.5},
                    CasoEpoca{"Siglo19", "I9911", 2414655.5},
                    CasoEpoca{"Bisiesto", "K242T", 2460369.5},
                    CasoEpoca{"NoBisiesto", "K232T", std::nullopt},
                    CasoEpoca{"Febrero30", "K222U", std::nullopt},
                    CasoEpoca{"Mes13", "K22D1", std::nullopt},
                    CasoEpoca{"Dia0", "K2210", std::nullopt},
                    CasoEpoca{"Mes0", "K2201", std::nullopt},
                    CasoEpoca{"SigloL", "L2211", std::nullopt},
                    CasoEpoca{"AnioConLetra", "K2A11", std::nullopt},
                    CasoEpoca{"Corta", "K228", std::nullopt},
                    CasoEpoca{"Blancos", "     ", std::nullopt}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoDecimal {
  const char* nombre;
  const char* campo;
  std::optional<double> valor;
};

// Test names, not bytes, in the listing.
void PrintTo(const CasoDecimal& caso, std::ostream* os) { *os << caso.nombre; }

class Decimales : public testing::TestWithParam<CasoDecimal> {};

TEST_P(Decimales, SeLeenEnSuCampo) {
  EXPECT_EQ(NumeroDecimal(GetParam().campo), GetParam().valor);
}

INSTANTIATE_TEST_SUITE_P(
    Campos, Decimales,
    testing::Values(CasoDecimal{"AlineadoDerecha", "  0.0786358", 0.0786358},
                    CasoDecimal{"Entero", "  12", 12.0},
                    CasoDecimal{"Negativo", " -12.5", -12.5},
                    CasoDecimal{"ConMas", "+3.25", 3.25},
                    CasoDecimal{"SinEntero", ".5", 0.5},
                    CasoDecimal{"SinDecimales", "5.", 5.0},
                    CasoDecimal{"BlancosDetras", "2.7666190  ", 2.766619},
                    CasoDecimal{"Tabulador", "\t7", 7.0},
                    CasoDecimal{"Vacio", "", std::nullopt},
                    CasoDecimal{"SoloBlancos", "     ", std::nullopt},
                    CasoDecimal{"DosPuntos", "1.2.3", std::nullopt},
                    CasoDecimal{"Exponente", "1e5", std::nullopt},
                    CasoDecimal{"BlancoDentro", "12 3", std::nullopt},
                    CasoDecimal{"NaN", "nan", std::nullopt},
                    CasoDecimal{"Infinito", "inf", std::nullopt},
                    CasoDecimal{"SoloSigno", "-", std::nullopt},
                    CasoDecimal{"SoloPunto", ".", std::nullopt},
                    CasoDecimal{"DosSignos", "--1", std::nullopt},
                    CasoDecimal{"LetraDetras", "3.3x", std::nullopt}),
    [](const auto& info) { return std::string(info.param.nombre); });

// The in-place conversion must give exactly what strtod gives, digit for digit, for the
// field widths of the format (up to 11 characters) and for longer texts.
TEST(Decimales, IgualesBitABitAStrtod) {
  std::mt19937_64 azar(20220809);
  for (int i = 0; i < 200000; ++i) {
    const int cifras = 1 + static_cast<int>(azar() % 20);
    const int punto = static_cast<int>(azar() % static_cast<unsigned>(cifras + 1));
    std::string texto = (azar() % 3 == 0) ? "-" : "";
    for (int c = 0; c < cifras; ++c) {
      if (c == punto) texto += '.';
      texto += static_cast<char>('0' + azar() % 10);
    }
    const std::optional<double> valor = NumeroDecimal(texto);
    ASSERT_TRUE(valor.has_value()) << texto;
    ASSERT_EQ(*valor, std::strtod(texto.c_str(), nullptr)) << texto;
  }
}

}  // namespace
}  // namespace orbelux::efemerides
