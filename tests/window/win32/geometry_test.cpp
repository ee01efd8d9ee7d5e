// SPDX-License-Identifier: GPL-3.0-or-later
// Where the Win32 window puts the layout table at 96 and 144 dots per inch, and how it gives
// way when the captions do not fit the message font.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "window/win32/caption_fit.h"
#include "window/win32/geometry.h"

namespace orbelux::win32 {
namespace {

namespace capa = disposicion;

// The table's twips of a control, in the client area, by name.
capa::Rectangulo TwipsEnCliente(std::string_view nombre) {
  for (const capa::ControlVentana& c :
       {capa::kMarco, capa::kImagen, capa::kBotonLista, capa::kBotonCerrar}) {
    if (c.nombre == nombre) return c.twips;
  }
  for (const capa::CajaFiltro& c : capa::kCajasFiltro) {
    if (NombreCaja(c.caja) == nombre) return capa::EnCliente(c.twips);
  }
  for (const capa::Rotulo& r : capa::kRotulos) {
    if (r.nombre == nombre) return capa::EnCliente(r.twips);
  }
  throw std::out_of_range(std::string(nombre));
}

TEST(Colocacion, A96SonLosPixelesDeLaVentanaDeLinux) {
  const std::vector<Colocado> controles = Colocacion(96);
  ASSERT_EQ(controles.size(), 40u);
  std::set<std::string_view> nombres;
  for (const Colocado& c : controles) {
    SCOPED_TRACE(std::string(c.nombre));
    nombres.insert(c.nombre);
    const capa::Rectangulo t = TwipsEnCliente(c.nombre);
    EXPECT_EQ(c.pixeles, (capa::Rectangulo{t.left / 15, t.top / 15, t.width / 15, t.height / 15}));
  }
  EXPECT_EQ(nombres.size(), 40u) << "each control once";
  EXPECT_EQ(Cliente(96), (capa::Rectangulo{0, 0, 619, 226}));
  // A box at 1080, 480 in the frame stands at 2520, 600 in the client area.
  EXPECT_EQ(controles.front().nombre, "txtARh_min");
  EXPECT_EQ(controles.front().pixeles, (capa::Rectangulo{168, 40, 25, 19}));
}

// At 144 each value is Win32's own MulDiv(twips, 144, 1440) of the client-area twips.
TEST(Colocacion, A144CadaValorEsElMulDivDeSusTwips) {
  for (const int ppp : {144, 120, 192}) {
    SCOPED_TRACE(ppp);
    for (const Colocado& c : Colocacion(ppp)) {
      SCOPED_TRACE(std::string(c.nombre));
      const capa::Rectangulo t = TwipsEnCliente(c.nombre);
      EXPECT_EQ(c.pixeles,
                (capa::Rectangulo{MulDiv(t.left, ppp, 1440), MulDiv(t.top, ppp, 1440),
                                  MulDiv(t.width, ppp, 1440), MulDiv(t.height, ppp, 1440)}));
    }
    EXPECT_EQ(Cliente(ppp).width, MulDiv(9285, ppp, 1440));
    EXPECT_EQ(Cliente(ppp).height, MulDiv(3390, ppp, 1440));
  }
  EXPECT_EQ(Cliente(144), (capa::Rectangulo{0, 0, 929, 339}));
  EXPECT_EQ(Colocacion(144).front().pixeles, (capa::Rectangulo{252, 60, 38, 29}));
}

TEST(Colocacion, LasMitadesComoMulDiv) {
  for (int twips = -3000; twips <= 3000; twips += 7) {
    for (const int ppp : {96, 120, 144, 168, 192, 288}) {
      ASSERT_EQ(capa::Pixeles(twips, ppp), MulDiv(twips, ppp, 1440)) << twips << " at " << ppp;
    }
  }
}

// Created in tab order (boxes, then buttons), then the labels, the picture and the frame
// last: each created control is drawn under the ones before it.
TEST(Colocacion, OrdenDeCreacion) {
  const std::vector<Colocado> controles = Colocacion(96);
  for (std::size_t i = 0; i < kNumCajas; ++i) {
    EXPECT_EQ(controles[i].nombre, NombreCaja(kCajas[i]));
    EXPECT_EQ(controles[i].tipo, TipoControl::Caja);
  }
  EXPECT_EQ(controles[16].nombre, "cmdLista");
  EXPECT_EQ(controles[17].nombre, "cmdCerrar");
  for (std::size_t i = 18; i < 38; ++i) EXPECT_EQ(controles[i].tipo, TipoControl::Rotulo);
  EXPECT_EQ(controles[38].tipo, TipoControl::Imagen);
  EXPECT_EQ(controles[39].tipo, TipoControl::Marco);
}

// ---- The font gives way as the Qt window's does -------------------------------------------

struct Eleccion {
  const char* nombre;
  double base;
  bool hay_estrecha;
  // Fits from this size down (narrow face) or, for the base face, exactly at these.
  std::function<bool(const FuenteCandidata&)> cabe;
  FuenteCandidata esperada;
  int pruebas;  // candidates measured
};
void PrintTo(const Eleccion& e, std::ostream* salida) { *salida << e.nombre; }

class ElegirLaFuente : public ::testing::TestWithParam<Eleccion> {};

TEST_P(ElegirLaFuente, LaPrimeraQueCabe) {
  int pruebas = 0;
  const FuenteCandidata elegida =
      FuenteQueCabe(GetParam().base, GetParam().hay_estrecha, [&](const FuenteCandidata& c) {
        ++pruebas;
        return GetParam().cabe(c);
      });
  EXPECT_EQ(elegida, GetParam().esperada);
  EXPECT_EQ(pruebas, GetParam().pruebas);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, ElegirLaFuente,
    ::testing::Values(Eleccion{"CabeLaDelSistema",
                               9,
                               true,
                               [](const FuenteCandidata&) { return true; },
                               {false, 9},
                               1},
                      Eleccion{"CabeLaEstrecha",
                               9,
                               true,
                               [](const FuenteCandidata& c) { return c.estrecha; },
                               {true, 9},
                               2},
                      Eleccion{"EstrechaYMasPequena",
                               9,
                               true,
                               [](const FuenteCandidata& c) { return c.estrecha && c.puntos <= 8; },
                               {true, 8},
                               4},
                      Eleccion{
                          "SinEstrechaSoloMenguaElTamano",
                          9,
                          false,
                          [](const FuenteCandidata& c) { return !c.estrecha && c.puntos <= 8.5; },
                          {false, 8.5},
                          2},
                      Eleccion{"NadaCabeSeQuedaEnSiete",
                               9,
                               true,
                               [](const FuenteCandidata&) { return false; },
                               {true, 7},
                               6},
                      Eleccion{"PorDebajoDeSieteNoMengua",
                               6,
                               true,
                               [](const FuenteCandidata&) { return false; },
                               {true, 6},
                               2}),
    [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::win32
