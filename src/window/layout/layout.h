// SPDX-License-Identifier: GPL-3.0-or-later
// The window frmOrbelux as data, with no toolkit: its title, client size, every control's
// caption, place and size in twips, the boxes' start texts and the tab order. The Qt window
// on Linux and the Win32 window on Windows both build themselves from this one table, so the
// two cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "listgen/filter_settings.h"

namespace orbelux::disposicion {

// Twips: 1440 to the inch, 15 to the pixel at 96 dots per inch.
inline constexpr int kTwipsPorPulgada = 1440;
inline constexpr int kTwipsPorPixel = 15;
inline constexpr int kPuntosPorPulgadaBase = 96;

// A place and size in twips. Inside the frame "Filtros" it is measured from the frame's
// top-left outer corner; everything else from the top-left corner of the client area.
struct Rectangulo {
  int left;
  int top;
  int width;
  int height;

  friend constexpr bool operator==(const Rectangulo&, const Rectangulo&) = default;
};

// Twips to pixels at `ppp` dots per inch, rounded to the nearest pixel with halves away from
// zero: the rule of Win32's MulDiv(twips, ppp, 1440), written out so that it can be tested
// (and used) where there is no MulDiv.
constexpr int Pixeles(int twips, int ppp) {
  const std::int64_t producto = static_cast<std::int64_t>(twips) * ppp;
  const std::int64_t mitad = kTwipsPorPulgada / 2;
  const std::int64_t redondeado = producto >= 0 ? (producto + mitad) / kTwipsPorPulgada
                                                : -((-producto + mitad) / kTwipsPorPulgada);
  return static_cast<int>(redondeado);
}

// Each of the four values converted on its own, as MulDiv would convert each.
constexpr Rectangulo Pixeles(const Rectangulo& twips, int ppp) {
  return {Pixeles(twips.left, ppp), Pixeles(twips.top, ppp), Pixeles(twips.width, ppp),
          Pixeles(twips.height, ppp)};
}

inline constexpr std::string_view kTituloVentana = "Genera Lista de Asteroides";
inline constexpr int kAnchoCliente = 9285;
inline constexpr int kAltoCliente = 3390;

// Tab indices of the controls that never take the focus run from here on.
inline constexpr int kSinFoco = 18;

// The controls on the window itself. Texts are UTF-8.
struct ControlVentana {
  std::string_view nombre;
  std::string_view titulo;
  Rectangulo twips;
  int tabulacion;  // -1: the picture has none
};

inline constexpr ControlVentana kMarco{"frmFiltros", "Filtros", {1440, 120, 7695, 3015}, 18};
inline constexpr ControlVentana kImagen{"Image1", "", {120, 240, 1200, 1440}, -1};
inline constexpr ControlVentana kBotonLista{
    "cmdLista", "Generar Lista", {120, 1920, 1215, 495}, 16};
inline constexpr ControlVentana kBotonCerrar{"cmdCerrar", "Cerrar", {120, 2640, 1215, 495}, 17};

// The emblem's own size in pixels; Image1 scales it to its box.
inline constexpr int kAnchoEmblema = 80;
inline constexpr int kAltoEmblema = 96;

inline constexpr int kAltoCaja = 285;
inline constexpr int kAltoRotulo = 285;
inline constexpr int kAnchoTitulo = 1095;
inline constexpr int kAnchoSimbolo = 255;

// The sixteen filter boxes, inside the frame, in tab order (index i has tab index i), which
// is also the order of the boxes in a run.
struct CajaFiltro {
  Caja caja;
  Rectangulo twips;
  std::string_view texto_inicial;
};

inline constexpr std::array<CajaFiltro, kNumCajas> kCajasFiltro{{
    {Caja::txtARh_min, {1080, 480, 375, kAltoCaja}, "23"},
    {Caja::txtARm_min, {1800, 480, 375, kAltoCaja}, "00"},
    {Caja::txtARs_min, {2640, 480, 735, kAltoCaja}, "00"},
    {Caja::txtARh_max, {1080, 1080, 375, kAltoCaja}, "17"},
    {Caja::txtARm_max, {1800, 1080, 375, kAltoCaja}, "00"},
    {Caja::txtARs_max, {2640, 1080, 735, kAltoCaja}, "00"},
    {Caja::txtDECg_min, {5040, 480, 375, kAltoCaja}, "-30"},
    {Caja::txtDECm_min, {5760, 480, 375, kAltoCaja}, "00"},
    {Caja::txtDECs_min, {6480, 480, 735, kAltoCaja}, "00"},
    {Caja::txtDECg_max, {5040, 1080, 375, kAltoCaja}, "+80"},
    {Caja::txtDECm_max, {5760, 1080, 375, kAltoCaja}, "00"},
    {Caja::txtDECs_max, {6480, 1080, 735, kAltoCaja}, "00"},
    {Caja::txtNumero_min, {2400, 1800, 975, kAltoCaja}, "400"},
    {Caja::txtNumero_max, {2400, 2280, 975, kAltoCaja}, "1400"},
    {Caja::txtMag_min, {5640, 1800, 735, kAltoCaja}, "15"},
    {Caja::txtMag_max, {5640, 2280, 735, kAltoCaja}, "18"},
}};

// The labels, inside the frame; they never take the focus.
struct Rotulo {
  std::string_view nombre;
  std::string_view titulo;
  Rectangulo twips;
  int tabulacion;
};

inline constexpr std::array<Rotulo, 8> kTitulos{{
    {"lblARmin", "A.R. min:", {240, 480, kAnchoTitulo, kAltoRotulo}, 32},
    {"lblARmax", "A.R. max.:", {240, 1080, kAnchoTitulo, kAltoRotulo}, 31},
    {"lblDECmin", "DEC. min.:", {4080, 480, kAnchoTitulo, kAltoRotulo}, 33},
    {"lblDECmax", "DEC. max.:", {4080, 1080, kAnchoTitulo, kAltoRotulo}, 28},
    {"lblNummin", "Numero min.:", {1320, 1800, kAnchoTitulo, kAltoRotulo}, 27},
    {"lblMunmax", "Numero max.:", {1320, 2280, kAnchoTitulo, kAltoRotulo}, 26},
    {"lblMagmin", "Mag. min.:", {4800, 1800, kAnchoTitulo, kAltoRotulo}, 30},
    {"lblMagmax", "Mag. max.:", {4800, 2280, kAnchoTitulo, kAltoRotulo}, 29},
}};

// lblSimb, by index. Unlike their neighbours, 2 stands in the row of the upper bounds and 3 in
// that of the lower bounds.
inline constexpr std::array<Rotulo, 12> kSimbolos{{
    {"lblSimb_0", "h.", {1560, 480, kAnchoSimbolo, kAltoRotulo}, 23},
    {"lblSimb_1", "h.", {1560, 1080, kAnchoSimbolo, kAltoRotulo}, 25},
    {"lblSimb_2", "m.", {2280, 1080, kAnchoSimbolo, kAltoRotulo}, 24},
    {"lblSimb_3", "m.", {2280, 480, kAnchoSimbolo, kAltoRotulo}, 34},
    {"lblSimb_4", "s.", {3480, 480, kAnchoSimbolo, kAltoRotulo}, 35},
    {"lblSimb_5", "s.", {3480, 1080, kAnchoSimbolo, kAltoRotulo}, 22},
    {"lblSimb_6", "\u00BA", {5520, 480, kAnchoSimbolo, kAltoRotulo}, 36},
    {"lblSimb_7", "\u00BA", {5520, 1080, kAnchoSimbolo, kAltoRotulo}, 21},
    {"lblSimb_8", "'", {6240, 480, kAnchoSimbolo, kAltoRotulo}, 37},
    {"lblSimb_9", "'", {6240, 1080, kAnchoSimbolo, kAltoRotulo}, 20},
    {"lblSimb_10", "\"", {7320, 480, kAnchoSimbolo, kAltoRotulo}, 38},
    {"lblSimb_11", "\"", {7320, 1080, kAnchoSimbolo, kAltoRotulo}, 19},
}};

// Every label: the caption labels, then the unit symbols.
inline constexpr std::size_t kNumRotulos = kTitulos.size() + kSimbolos.size();
namespace detalle {
constexpr std::array<Rotulo, kNumRotulos> Rotulos() {
  std::array<Rotulo, kNumRotulos> todos{};
  std::size_t i = 0;
  for (const Rotulo& r : kTitulos) todos[i++] = r;
  for (const Rotulo& r : kSimbolos) todos[i++] = r;
  return todos;
}
}  // namespace detalle
inline constexpr std::array<Rotulo, kNumRotulos> kRotulos = detalle::Rotulos();

// A control inside the frame, moved to the client area's coordinates.
constexpr Rectangulo EnCliente(const Rectangulo& en_marco) {
  return {kMarco.twips.left + en_marco.left, kMarco.twips.top + en_marco.top, en_marco.width,
          en_marco.height};
}

// What Tab visits, in order: the sixteen boxes, then the two buttons; after the last it
// returns to the first.
enum class Enfocable : std::uint8_t { Caja, BotonLista, BotonCerrar };
struct PasoTabulacion {
  Enfocable tipo;
  Caja caja;  // for Enfocable::Caja
};
inline constexpr std::size_t kNumEnfocables = kNumCajas + 2;

constexpr std::array<PasoTabulacion, kNumEnfocables> OrdenDeTabulacion() {
  std::array<PasoTabulacion, kNumEnfocables> orden{};
  for (std::size_t i = 0; i < kNumCajas; ++i) orden[i] = {Enfocable::Caja, kCajasFiltro[i].caja};
  orden[static_cast<std::size_t>(kBotonLista.tabulacion)] = {Enfocable::BotonLista, Caja{}};
  orden[static_cast<std::size_t>(kBotonCerrar.tabulacion)] = {Enfocable::BotonCerrar, Caja{}};
  return orden;
}

namespace detalle {
constexpr bool EnPixelesEnteros(const Rectangulo& r) {
  return r.left % kTwipsPorPixel == 0 && r.top % kTwipsPorPixel == 0 &&
         r.width % kTwipsPorPixel == 0 && r.height % kTwipsPorPixel == 0;
}
constexpr bool TodoEnPixelesEnteros() {
  bool bien = kAnchoCliente % kTwipsPorPixel == 0 && kAltoCliente % kTwipsPorPixel == 0;
  for (const ControlVentana& c : {kMarco, kImagen, kBotonLista, kBotonCerrar}) {
    bien = bien && EnPixelesEnteros(c.twips);
  }
  for (const CajaFiltro& c : kCajasFiltro) bien = bien && EnPixelesEnteros(c.twips);
  for (const Rotulo& r : kRotulos) bien = bien && EnPixelesEnteros(r.twips);
  return bien;
}
constexpr bool CajasEnOrdenDeTabulacion() {
  for (std::size_t i = 0; i < kNumCajas; ++i) {
    if (kCajasFiltro[i].caja != kCajas[i]) return false;
  }
  return kBotonLista.tabulacion == static_cast<int>(kNumCajas) &&
         kBotonCerrar.tabulacion == static_cast<int>(kNumCajas) + 1;
}
}  // namespace detalle

// At 96 dots per inch every value is a whole pixel: the Linux window's pixels are exact.
static_assert(detalle::TodoEnPixelesEnteros(), "a value that is not a whole pixel");
// The boxes' table order is their tab order and the run's order; the buttons follow.
static_assert(detalle::CajasEnOrdenDeTabulacion());

}  // namespace orbelux::disposicion
