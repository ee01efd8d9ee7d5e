// SPDX-License-Identifier: GPL-3.0-or-later
// The window's table on its own, with no toolkit: the captions and texts a user reads, and
// the rules its geometry keeps (rows, widths by kind, unit symbols beside their boxes, what
// reaches under what, tab indices), so that one wrong number in it fails here before either
// window draws it. Twips to pixels at 96 and 144 dots per inch.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "window/layout/layout.h"

namespace orbelux::disposicion {
namespace {

const CajaFiltro& DeLaCaja(Caja caja) {
  return *std::find_if(kCajasFiltro.begin(), kCajasFiltro.end(),
                       [caja](const CajaFiltro& c) { return c.caja == caja; });
}

const Rotulo& RotuloPorNombre(std::string_view nombre) {
  for (const Rotulo& r : kRotulos) {
    if (r.nombre == nombre) return r;
  }
  throw std::out_of_range(std::string(nombre));
}

constexpr int Derecha(const Rectangulo& r) { return r.left + r.width; }
constexpr int Abajo(const Rectangulo& r) { return r.top + r.height; }

// ---- What the user reads ------------------------------------------------------------------

TEST(TextosDeLaTabla, TitulosYTextosIniciales) {
  EXPECT_EQ(kTituloVentana, "Genera Lista de Asteroides");
  EXPECT_EQ(kMarco.titulo, "Filtros");
  EXPECT_EQ(kBotonLista.titulo, "Generar Lista");
  EXPECT_EQ(kBotonCerrar.titulo, "Cerrar");
  EXPECT_EQ(kImagen.titulo, "");

  const std::map<std::string_view, std::string_view> rotulos = {
      {"lblARmin", "A.R. min:"},
      {"lblARmax", "A.R. max.:"},
      {"lblDECmin", "DEC. min.:"},
      {"lblDECmax", "DEC. max.:"},
      {"lblNummin", "Numero min.:"},
      {"lblMunmax", "Numero max.:"},
      {"lblMagmin", "Mag. min.:"},
      {"lblMagmax", "Mag. max.:"},
      {"lblSimb_0", "h."},
      {"lblSimb_1", "h."},
      {"lblSimb_2", "m."},
      {"lblSimb_3", "m."},
      {"lblSimb_4", "s."},
      {"lblSimb_5", "s."},
      {"lblSimb_6", "\xC2\xBA"},
      {"lblSimb_7", "\xC2\xBA"},
      {"lblSimb_8", "'"},
      {"lblSimb_9", "'"},
      {"lblSimb_10", "\""},
      {"lblSimb_11", "\""},
  };
  EXPECT_EQ(kTitulos.size() + kSimbolos.size(), rotulos.size());
  for (const auto& [nombre, titulo] : rotulos) {
    SCOPED_TRACE(std::string(nombre));
    EXPECT_EQ(RotuloPorNombre(nombre).titulo, titulo);
  }

  const std::vector<std::string_view> iniciales = {"23",  "00",   "00", "17",  "00", "00",
                                                   "-30", "00",   "00", "+80", "00", "00",
                                                   "400", "1400", "15", "18"};
  for (std::size_t i = 0; i < kNumCajas; ++i) {
    SCOPED_TRACE(std::string(NombreCaja(kCajasFiltro[i].caja)));
    EXPECT_EQ(kCajasFiltro[i].texto_inicial, iniciales[i]);
  }
}

TEST(TextosDeLaTabla, NingunTituloTieneTeclaDeAcceso) {
  for (const Rotulo& r : kRotulos) EXPECT_EQ(r.titulo.find('&'), std::string_view::npos);
  for (const ControlVentana& c : {kMarco, kBotonLista, kBotonCerrar}) {
    EXPECT_EQ(c.titulo.find('&'), std::string_view::npos) << c.nombre;
  }
}

// ---- The geometry's rules -----------------------------------------------------------------

TEST(GeometriaDeLaTabla, VentanaMarcoImagenYBotones) {
  EXPECT_EQ(Pixeles(Rectangulo{0, 0, kAnchoCliente, kAltoCliente}, 96),
            (Rectangulo{0, 0, 619, 226}));
  EXPECT_EQ(kMarco.twips, (Rectangulo{1440, 120, 7695, 3015}));
  EXPECT_EQ(kImagen.twips, (Rectangulo{120, 240, kAnchoEmblema * 15, kAltoEmblema * 15}))
      << "the emblem at its own size";
  // The buttons under the picture, one size, one above the other.
  EXPECT_EQ(kBotonLista.twips, (Rectangulo{120, 1920, 1215, 495}));
  EXPECT_EQ(kBotonCerrar.twips.left, kBotonLista.twips.left);
  EXPECT_EQ(kBotonCerrar.twips.top, 2640);
  EXPECT_EQ(kBotonCerrar.twips.width, kBotonLista.twips.width);
  EXPECT_EQ(kBotonCerrar.twips.height, kBotonLista.twips.height);
  for (const ControlVentana& c : {kMarco, kImagen, kBotonLista, kBotonCerrar}) {
    SCOPED_TRACE(std::string(c.nombre));
    EXPECT_GT(c.twips.left, 0);
    EXPECT_LE(Derecha(c.twips), kAnchoCliente);
    EXPECT_LE(Abajo(c.twips), kAltoCliente);
  }
  EXPECT_LE(Derecha(kBotonLista.twips), kMarco.twips.left) << "left of the frame";
}

TEST(GeometriaDeLaTabla, CajasEnSusFilasConElAnchoDeSuClase) {
  // Row tops: lower bounds, upper bounds, then numbers and magnitudes.
  const std::map<Caja, std::pair<int, int>> fila_y_ancho = {
      {Caja::txtARh_min, {480, 375}},     {Caja::txtARm_min, {480, 375}},
      {Caja::txtARs_min, {480, 735}},     {Caja::txtARh_max, {1080, 375}},
      {Caja::txtARm_max, {1080, 375}},    {Caja::txtARs_max, {1080, 735}},
      {Caja::txtDECg_min, {480, 375}},    {Caja::txtDECm_min, {480, 375}},
      {Caja::txtDECs_min, {480, 735}},    {Caja::txtDECg_max, {1080, 375}},
      {Caja::txtDECm_max, {1080, 375}},   {Caja::txtDECs_max, {1080, 735}},
      {Caja::txtNumero_min, {1800, 975}}, {Caja::txtNumero_max, {2280, 975}},
      {Caja::txtMag_min, {1800, 735}},    {Caja::txtMag_max, {2280, 735}},
  };
  for (const CajaFiltro& c : kCajasFiltro) {
    SCOPED_TRACE(std::string(NombreCaja(c.caja)));
    EXPECT_EQ(c.twips.top, fila_y_ancho.at(c.caja).first);
    EXPECT_EQ(c.twips.width, fila_y_ancho.at(c.caja).second);
    EXPECT_EQ(c.twips.height, 285);
    EXPECT_LE(Derecha(c.twips), kMarco.twips.width);
  }
  // Each upper bound stands under its lower bound.
  const std::pair<Caja, Caja> pares[] = {
      {Caja::txtARh_min, Caja::txtARh_max},       {Caja::txtARm_min, Caja::txtARm_max},
      {Caja::txtARs_min, Caja::txtARs_max},       {Caja::txtDECg_min, Caja::txtDECg_max},
      {Caja::txtDECm_min, Caja::txtDECm_max},     {Caja::txtDECs_min, Caja::txtDECs_max},
      {Caja::txtNumero_min, Caja::txtNumero_max}, {Caja::txtMag_min, Caja::txtMag_max},
  };
  for (const auto& [min, max] : pares) {
    SCOPED_TRACE(std::string(NombreCaja(max)));
    EXPECT_EQ(DeLaCaja(max).twips.left, DeLaCaja(min).twips.left);
  }
  // The seven boxes of one angle row never touch each other.
  for (const CajaFiltro& a : kCajasFiltro) {
    for (const CajaFiltro& b : kCajasFiltro) {
      if (a.caja == b.caja || a.twips.top != b.twips.top || a.twips.left > b.twips.left) continue;
      EXPECT_LT(Derecha(a.twips), b.twips.left)
          << NombreCaja(a.caja) << " and " << NombreCaja(b.caja);
    }
  }
}

// Each unit symbol begins 105 to the right of the box it qualifies, in its row.
TEST(GeometriaDeLaTabla, CadaSimboloJuntoASuCaja) {
  const Caja junto_a[] = {Caja::txtARh_min,  Caja::txtARh_max,  Caja::txtARm_max,
                          Caja::txtARm_min,  Caja::txtARs_min,  Caja::txtARs_max,
                          Caja::txtDECg_min, Caja::txtDECg_max, Caja::txtDECm_min,
                          Caja::txtDECm_max, Caja::txtDECs_min, Caja::txtDECs_max};
  ASSERT_EQ(std::size(junto_a), kSimbolos.size());
  for (std::size_t i = 0; i < kSimbolos.size(); ++i) {
    SCOPED_TRACE(std::string(kSimbolos[i].nombre));
    EXPECT_EQ(kSimbolos[i].nombre, "lblSimb_" + std::to_string(i));
    const Rectangulo& caja = DeLaCaja(junto_a[i]).twips;
    EXPECT_EQ(kSimbolos[i].twips.left, Derecha(caja) + 105);
    EXPECT_EQ(kSimbolos[i].twips.top, caja.top);
    EXPECT_EQ(kSimbolos[i].twips.width, 255);
    EXPECT_EQ(kSimbolos[i].twips.height, 285);
  }
}

// What reaches under the box to its right: the caption labels by up to 255, symbols 0, 1, 6,
// 7, 8 and 9 by 15, nothing else.
TEST(GeometriaDeLaTabla, LoQueQuedaBajoUnaCaja) {
  const std::map<std::string_view, std::pair<Caja, int>> solapes = {
      {"lblARmin", {Caja::txtARh_min, 255}},    {"lblARmax", {Caja::txtARh_max, 255}},
      {"lblDECmin", {Caja::txtDECg_min, 135}},  {"lblDECmax", {Caja::txtDECg_max, 135}},
      {"lblNummin", {Caja::txtNumero_min, 15}}, {"lblMunmax", {Caja::txtNumero_max, 15}},
      {"lblMagmin", {Caja::txtMag_min, 255}},   {"lblMagmax", {Caja::txtMag_max, 255}},
      {"lblSimb_0", {Caja::txtARm_min, 15}},    {"lblSimb_1", {Caja::txtARm_max, 15}},
      {"lblSimb_6", {Caja::txtDECm_min, 15}},   {"lblSimb_7", {Caja::txtDECm_max, 15}},
      {"lblSimb_8", {Caja::txtDECs_min, 15}},   {"lblSimb_9", {Caja::txtDECs_max, 15}},
  };
  for (const Rotulo& r : kRotulos) {
    SCOPED_TRACE(std::string(r.nombre));
    EXPECT_GE(r.twips.left, 0);
    EXPECT_LE(Derecha(r.twips), kMarco.twips.width);
    for (const CajaFiltro& c : kCajasFiltro) {
      const bool misma_fila = c.twips.top == r.twips.top;
      const int bajo_la_caja = Derecha(r.twips) - c.twips.left;
      if (!misma_fila || c.twips.left <= r.twips.left || bajo_la_caja <= 0) continue;
      const auto esperado = solapes.find(r.nombre);
      ASSERT_NE(esperado, solapes.end()) << "reaches under " << NombreCaja(c.caja);
      EXPECT_EQ(c.caja, esperado->second.first);
      EXPECT_EQ(bajo_la_caja, esperado->second.second);
    }
  }
  for (const Rotulo& r : kTitulos) {
    SCOPED_TRACE(std::string(r.nombre));
    EXPECT_EQ(r.twips.width, 1095);
    EXPECT_EQ(r.twips.height, 285);
    EXPECT_TRUE(solapes.contains(r.nombre)) << "every caption label stands before its box";
  }
}

TEST(GeometriaDeLaTabla, IndicesDeTabulacion) {
  std::multiset<int> indices;
  for (const ControlVentana& c : {kMarco, kBotonLista, kBotonCerrar}) indices.insert(c.tabulacion);
  for (const Rotulo& r : kRotulos) {
    EXPECT_GE(r.tabulacion, kSinFoco) << r.nombre;
    indices.insert(r.tabulacion);
  }
  for (std::size_t i = 0; i < kNumCajas; ++i) indices.insert(static_cast<int>(i));
  std::multiset<int> de_0_a_38;
  for (int i = 0; i <= 38; ++i) de_0_a_38.insert(i);
  EXPECT_EQ(indices, de_0_a_38) << "each of 0 to 38 once";
  EXPECT_EQ(kImagen.tabulacion, -1);

  const auto orden = OrdenDeTabulacion();
  for (std::size_t i = 0; i < kNumCajas; ++i) {
    EXPECT_EQ(orden[i].tipo, Enfocable::Caja);
    EXPECT_EQ(orden[i].caja, kCajas[i]) << "the run's order";
  }
  EXPECT_EQ(orden[kNumCajas].tipo, Enfocable::BotonLista);
  EXPECT_EQ(orden[kNumCajas + 1].tipo, Enfocable::BotonCerrar);
}

// ---- Twips to pixels, as MulDiv(twips, ppp, 1440) -----------------------------------------

struct Conversion {
  const char* nombre;
  int twips;
  int ppp;
  int pixeles;
};
void PrintTo(const Conversion& c, std::ostream* salida) { *salida << c.nombre; }

class TwipsAPixeles : public ::testing::TestWithParam<Conversion> {};

TEST_P(TwipsAPixeles, RedondeaAlMasCercanoYLasMitadesLejosDelCero) {
  EXPECT_EQ(Pixeles(GetParam().twips, GetParam().ppp), GetParam().pixeles);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, TwipsAPixeles,
    ::testing::Values(Conversion{"A96Exacto", 9285, 96, 619}, Conversion{"A96Cero", 0, 96, 0},
                      Conversion{"A144Exacto", 1440, 144, 144},
                      Conversion{"A144MitadHaciaArriba", 375, 144, 38},
                      Conversion{"A144MitadNegativa", -375, 144, -38},
                      Conversion{"A144AbajoDeLaMitad", 7, 144, 1},
                      Conversion{"A144PorDebajo", 4, 144, 0}, Conversion{"A120", 285, 120, 24},
                      Conversion{"A120SinMitad", 255, 120, 21}, Conversion{"A192", 9285, 192, 1238},
                      Conversion{"SinDesbordarseA480", 2000000000, 480, 666666667}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(TwipsAPixeles, A96SonLosPixelesDeLinuxYA144UnaVezYMedia) {
  auto todos = [](auto&& comprobar) {
    for (const ControlVentana& c : {kMarco, kImagen, kBotonLista, kBotonCerrar}) comprobar(c.twips);
    for (const CajaFiltro& c : kCajasFiltro) comprobar(c.twips);
    for (const Rotulo& r : kRotulos) comprobar(r.twips);
  };
  todos([](const Rectangulo& t) {
    EXPECT_EQ(Pixeles(t, 96), (Rectangulo{t.left / 15, t.top / 15, t.width / 15, t.height / 15}));
    const Rectangulo a144 = Pixeles(t, 144);
    EXPECT_EQ(a144.width, (t.width / 15 * 3 + 1) / 2);
    EXPECT_EQ(a144.left, (t.left / 15 * 3 + 1) / 2);
  });
  EXPECT_EQ(EnCliente(DeLaCaja(Caja::txtARh_min).twips), (Rectangulo{2520, 600, 375, 285}));
}

}  // namespace
}  // namespace orbelux::disposicion
