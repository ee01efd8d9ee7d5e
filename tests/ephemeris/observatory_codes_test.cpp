// SPDX-License-Identifier: GPL-3.0-or-later
// The generator's reading of the MPC's ObsCodes.html, line by line, before its table is
// compiled into the library.
#include "observatory_codes.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace orbelux::herramientas {
namespace {

struct CasoLinea {
  const char* nombre;
  const char* linea;
  const char* codigo;
  bool con_coordenadas;
  const char* longitud;
  const char* rho_cos_phi;
  const char* rho_sin_phi;
  const char* nombre_sitio;
};

void PrintTo(const CasoLinea& caso, std::ostream* os) { *os << caso.nombre; }

class LineasDeLaLista : public testing::TestWithParam<CasoLinea> {};

TEST_P(LineasDeLaLista, SeLeenPorSusColumnas) {
  const CasoLinea& c = GetParam();
  const std::optional<LineaObservatorio> fila = LeerLineaObservatorio(c.linea);
  ASSERT_TRUE(fila.has_value());
  EXPECT_EQ(fila->codigo, c.codigo);
  EXPECT_EQ(fila->con_coordenadas, c.con_coordenadas);
  EXPECT_EQ(fila->longitud, c.longitud);
  EXPECT_EQ(fila->rho_cos_phi, c.rho_cos_phi);
  EXPECT_EQ(fila->rho_sin_phi, c.rho_sin_phi);
  EXPECT_EQ(fila->nombre, c.nombre_sitio);
}

// Real lines of the January 2026 list, which is all ASCII; the accented name is written as an
// older list wrote Spanish names, in UTF-8.
INSTANTIATE_TEST_SUITE_P(
    ObsCodes, LineasDeLaLista,
    testing::Values(
        CasoLinea{"Normal", "950 342.1176 0.87764 +0.47847 La Palma", "950", true, "342.1176",
                  "0.87764", "+0.47847", "La Palma"},
        CasoLinea{"ColumnasJuntas", "Z84 357.451840.797536+0.601835Calar Alto-Schmidt", "Z84", true,
                  "357.45184", "0.797536", "+0.601835", "Calar Alto-Schmidt"},
        CasoLinea{"Sur", "W84 289.193580.865572-0.499793Cerro Tololo-DECam", "W84", true,
                  "289.19358", "0.865572", "-0.499793", "Cerro Tololo-DECam"},
        CasoLinea{"PocasCifras", "002   0.62   0.622   +0.781   Rayleigh", "002", true, "0.62",
                  "0.622", "+0.781", "Rayleigh"},
        CasoLinea{"Geocentro", "500   0.000000.000000+0.000000Geocentric", "500", true, "0.00000",
                  "0.000000", "+0.000000", "Geocentric"},
        CasoLinea{"TelescopioEspacial", "250                           Hubble Space Telescope",
                  "250", false, "", "", "", "Hubble Space Telescope"},
        CasoLinea{"NombreNoASCII",
                  "J86 356.6153 0.79930 +0.59968 Observatorio de Sierra Nevada, Granada "
                  "(Espa\xc3\xb1"
                  "a)",
                  "J86", true, "356.6153", "0.79930", "+0.59968",
                  "Observatorio de Sierra Nevada, Granada (Espa\xc3\xb1"
                  "a)"},
        CasoLinea{"Entidad", "H32 263.6334 0.86174 +0.50567 Texas A&amp;M Physics Observatory",
                  "H32", true, "263.6334", "0.86174", "+0.50567", "Texas A&M Physics Observatory"},
        CasoLinea{"FinDeLineaWindows", "000   0.0000 0.62411 +0.77873 Greenwich\r", "000", true,
                  "0.0000", "0.62411", "+0.77873", "Greenwich"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(LineasDeLaLista, LasQueNoSonCodigosSeSaltan) {
  for (const char* linea : {"<pre>", "</pre>", "Code  Long.   cos      sin    Name", "", "   "}) {
    SCOPED_TRACE(linea);
    EXPECT_FALSE(LeerLineaObservatorio(linea).has_value());
  }
}

TEST(LineasDeLaLista, UnaLineaRotaParaLaGeneracion) {
  for (const char* linea :
       {"95 342.1176 0.87764 +0.47847 La Palma", "950 342.11x6 0.87764 +0.47847 La Palma",
        "950 342.1176         +0.47847 La Palma", "950 342.1176 0.87764 +0.47847", "9"}) {
    SCOPED_TRACE(linea);
    EXPECT_THROW(LeerLineaObservatorio(linea), ErrorListaObservatorios);
  }
}

TEST(LineasDeLaLista, ElNombreComoLiteralDeCpp) {
  EXPECT_EQ(LiteralCpp("La Palma"), "\"La Palma\"");
  EXPECT_EQ(LiteralCpp("A \"B\" \\"), "\"A \\\"B\\\" \\\\\"");
  // An octal escape takes three digits at most, so the digit after it stays a digit.
  EXPECT_EQ(LiteralCpp("\xc3\xb1"
                       "1"),
            "\"\\303\\2611\"");
}

}  // namespace
}  // namespace orbelux::herramientas
