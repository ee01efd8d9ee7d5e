// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/filter_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace orbelux {
namespace {

struct CasoValor {
  const char* nombre;
  std::string texto;
  double valor;
};

TEST(ValNumerico, ReadsTheNumberAtTheStart) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<CasoValor> casos = {
      {"plus sign", "+80", 80},
      {"minus sign", "-30", -30},
      {"leading blanks", "  7", 7},
      {"tab", "\t12", 12},
      {"unit after", "7h", 7},
      {"not a number", "abc", 0},
      {"empty", "", 0},
      {"blank inside", "1 5", 15},
      {"blank after the sign", "- 5", -5},
      {"no whole part", ".5", 0.5},
      {"second point stops", "1.2.3", 1.2},
      {"trailing point", "5.", 5},
      {"comma is not a separator", "1,5", 1},
      {"no exponent", "1e3", 1},
      {"two signs", "+-5", 0},
      {"sign alone", "-", 0},
      {"point alone", ".", 0},
      {"decimal exactly rounded", "0.1", 0.1},
      {"seconds", "12.5", 12.5},
      {"sign after digits stops", "1-2", 1},
      {"leading zeros of a fraction", "0.001", 0.001},
      {"trailing zeros", "001.500", 1.5},
      {"fifteen digits", "12345678.9012345", 12345678.9012345},
      {"sixteen digits", "1234567.890123456", 1234567.890123456},
      {"many decimals", "0.1234567890123456789012345", 0.1234567890123456789012345},
      {"rounding of a long text", "9007199254740993", 9007199254740992.0},
      {"huge", "1" + std::string(400, '0'), inf},
      {"huge negative", "-9" + std::string(400, '9'), -inf},
      {"tiny", "0." + std::string(400, '0') + "1", 0},
      {"a megabyte of digits", std::string(1 << 20, '7'), inf},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(ValNumerico(caso.texto), caso.valor);
  }
}

TEST(ValNumerico, KeepsTheSignOfNegativeZero) {
  for (const char* texto : {"-00", "-0.3", "- 0", "-0"}) {
    SCOPED_TRACE(texto);
    EXPECT_TRUE(std::signbit(ValNumerico(texto)));
  }
  for (const char* texto : {"00", "+00", "-", "-x", ""}) {
    SCOPED_TRACE(texto);
    EXPECT_FALSE(std::signbit(ValNumerico(texto)));
  }
}

struct CasoEntero {
  const char* nombre;
  double valor;
  std::optional<long> esperado;  // nullopt: overflow
};

TEST(EnteroCorto, RoundsHalfToEvenAndOverflowsOutside16Bits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<CasoEntero> casos = {
      {"14.5", 14.5, 14},        {"15.5", 15.5, 16},          {"-2.5", -2.5, -2},
      {"0.5", 0.5, 0},           {"1.5", 1.5, 2},             {"-0.5", -0.5, 0},
      {"30.5", 30.5, 30},        {"31.5", 31.5, 32},          {"16.4999", 16.4999, 16},
      {"-0.3", -0.3, 0},         {"32767.4", 32767.4, 32767}, {"32767.5", 32767.5, std::nullopt},
      {"-32768", -32768, -32768}, {"-32768.5", -32768.5, -32768},
      {"-32768.6", -32768.6, std::nullopt},
      {"1e10", 1e10, std::nullopt}, {"inf", inf, std::nullopt}, {"nan", nan, std::nullopt},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    if (caso.esperado) {
      EXPECT_EQ(EnteroCorto(caso.valor), *caso.esperado);
    } else {
      EXPECT_THROW(EnteroCorto(caso.valor), Desbordamiento);
    }
  }
}

TEST(EnteroLargo, RoundsHalfToEvenAndOverflowsOutside32Bits) {
  const std::vector<CasoEntero> casos = {
      {"2.5", 2.5, 2},
      {"2147483646.5", 2147483646.5, 2147483646},
      {"2147483647.5", 2147483647.5, std::nullopt},
      {"-2147483648.5", -2147483648.5, -2147483648L},
      {"1e12", 1e12, std::nullopt},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    if (caso.esperado) {
      EXPECT_EQ(EnteroLargo(caso.valor), *caso.esperado);
    } else {
      EXPECT_THROW(EnteroLargo(caso.valor), Desbordamiento);
    }
  }
}

TEST(Desbordamiento, IsDescribedAsSuch) { EXPECT_STREQ(Desbordamiento().what(), "Desbordamiento"); }

TEST(ExtraerTexto, CountsFromOneAndStopsAtTheEnd) {
  struct Caso {
    std::size_t inicio;
    std::optional<std::size_t> longitud;
    std::string_view esperado;
  };
  for (const Caso& caso : {Caso{2, 3, "bcd"}, Caso{5, 10, "ef"}, Caso{6, 1, "f"}, Caso{7, 1, ""},
                           Caso{100, 12, ""}, Caso{1, std::nullopt, "abcdef"},
                           Caso{3, std::nullopt, "cdef"}, Caso{0, 2, ""}}) {
    SCOPED_TRACE(std::to_string(caso.inicio));
    EXPECT_EQ(ExtraerTexto("abcdef", caso.inicio, caso.longitud), caso.esperado);
  }
}

CamposFiltro CamposPorDefecto() {
  CamposFiltro campos;
  const char* textos[] = {"23", "00", "00",  "17",  "00", "00", "-30", "00",
                          "00", "+80", "00", "00", "400", "1400", "15", "18"};
  for (std::size_t i = 0; i < kNumCajas; ++i) campos.textos[i] = textos[i];
  return campos;
}

TEST(NormalizarCampos, FillsOnlyEmptyBoxes) {
  CamposFiltro campos = CamposPorDefecto();
  campos[Caja::txtARm_max] = "";
  campos[Caja::txtMag_max] = "";
  campos[Caja::txtDECs_min] = " ";
  EXPECT_EQ(NormalizarCampos(campos), (std::vector<Caja>{Caja::txtARm_max, Caja::txtMag_max}));
  EXPECT_EQ(campos[Caja::txtARm_max], "00");
  EXPECT_EQ(campos[Caja::txtMag_max], "00");
  EXPECT_EQ(campos[Caja::txtDECs_min], " ");
}

TEST(CalcularLimites, DefaultWindowWrapsThroughZeroHours) {
  const LimitesFiltro l = CalcularLimites(CamposPorDefecto());
  EXPECT_EQ(l.AR_min, 23);
  EXPECT_TRUE(l.AR_cruza);
  EXPECT_EQ(l.AR_max, 41);
  EXPECT_EQ(l.DEC_min, -30);
  EXPECT_EQ(l.DEC_max, 80);
  EXPECT_EQ(l.Num_min, 400);
  EXPECT_EQ(l.Num_max, 1400);
  EXPECT_EQ(l.Mag_min, 15);
  EXPECT_EQ(l.Mag_max, 18);
}

struct CasoLimites {
  const char* nombre;
  std::vector<std::pair<Caja, std::string>> cambios;
  double AR_min, AR_max;
  bool AR_cruza;
  double DEC_min;
};

TEST(CalcularLimites, Table) {
  const std::vector<CasoLimites> casos = {
      {"seconds in the bound", {{Caja::txtARs_min, "36"}}, 23.01, 41, true, -30},
      {"0h to 24h does not wrap", {{Caja::txtARh_min, "0"}, {Caja::txtARh_max, "24"}}, 0, 24,
       false, -30},
      {"equal bounds do not wrap", {{Caja::txtARh_max, "23"}}, 23, 23, false, -30},
      {"minutes round to even", {{Caja::txtARm_min, "30.5"}, {Caja::txtARm_max, "31.5"}},
       23.5, 17 + 32.0 / 60 + 24, true, -30},
      {"sign of the degrees covers the minutes", {{Caja::txtDECm_min, "15"}}, 23, 41, true,
       -30.25},
      {"negative zero degrees", {{Caja::txtDECg_min, "-00"}, {Caja::txtDECm_min, "30"}}, 23, 41,
       true, -0.5},
      {"negative fraction of a degree", {{Caja::txtDECg_min, "-0.3"}, {Caja::txtDECm_min, "30"}},
       23, 41, true, -0.5},
      {"positive zero degrees", {{Caja::txtDECg_min, "+00"}, {Caja::txtDECm_min, "30"}}, 23, 41,
       true, 0.5},
      {"lowest 16-bit degrees", {{Caja::txtDECg_min, "-32768"}}, 23, 41, true, -32768},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CamposFiltro campos = CamposPorDefecto();
    for (const auto& [caja, texto] : caso.cambios) campos[caja] = texto;
    const LimitesFiltro l = CalcularLimites(campos);
    EXPECT_DOUBLE_EQ(l.AR_min, caso.AR_min);
    EXPECT_DOUBLE_EQ(l.AR_max, caso.AR_max);
    EXPECT_EQ(l.AR_cruza, caso.AR_cruza);
    EXPECT_DOUBLE_EQ(l.DEC_min, caso.DEC_min);
  }
}

TEST(CalcularLimites, NumberBoundsAreNotRounded) {
  CamposFiltro campos = CamposPorDefecto();
  campos[Caja::txtNumero_min] = "400.5";
  EXPECT_EQ(CalcularLimites(campos).Num_min, 400.5);
}

TEST(CalcularLimites, NamesTheFirstBoxOutOfRangeInTabOrder) {
  struct Caso {
    const char* nombre;
    std::vector<std::pair<Caja, std::string>> cambios;
    Caja esperada;
  };
  const std::vector<Caso> casos = {
      {"magnitude", {{Caja::txtMag_max, "40000"}}, Caja::txtMag_max},
      {"first of two", {{Caja::txtMag_min, "1e9"}, {Caja::txtARm_min, "99999"}}, Caja::txtARm_min},
      {"degrees", {{Caja::txtDECg_max, "-32769"}}, Caja::txtDECg_max},
      {"huge digits", {{Caja::txtARh_max, std::string(500, '9')}}, Caja::txtARh_max},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CamposFiltro campos = CamposPorDefecto();
    for (const auto& [caja, texto] : caso.cambios) campos[caja] = texto;
    try {
      CalcularLimites(campos);
      ADD_FAILURE() << "no overflow";
    } catch (const DesbordamientoFiltro& fallo) {
      EXPECT_EQ(NombreCaja(fallo.caja()), NombreCaja(caso.esperada));
    }
  }
}

TEST(CalcularLimites, RealBoxesTakeValuesBeyond16Bits) {
  CamposFiltro campos = CamposPorDefecto();
  campos[Caja::txtARs_min] = "99999999";
  campos[Caja::txtNumero_max] = "1000000000000";
  const LimitesFiltro l = CalcularLimites(campos);
  EXPECT_EQ(l.Num_max, 1e12);
  EXPECT_GT(l.AR_min, 24);
}

}  // namespace
}  // namespace orbelux
