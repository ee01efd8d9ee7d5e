// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window driven through its messages, as a user's keys and clicks would drive it:
// the controls where the layout table puts them, the texts, Tab and Enter, a press of
// "Generar Lista" with its pointer, message boxes and report, and the ways out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/catalogue_lines.h"
#include "support/report_cases.h"
#include "support/temp_dir.h"
#include "support/watched_fs.h"
#include "window/layout/layout.h"
#include "window/win32/geometry.h"
#include "window/win32/main_window_win32.h"

namespace orbelux::win32 {

// The screen's resolution this run was started for (main: --ppp=N; 96 unless told).
int PppEsperado();

namespace {

namespace capa = disposicion;

// What twips become on this screen: at 96 dots per inch the Linux window's pixels, twips / 15;
// at any other, Win32's own MulDiv of each value.
capa::Rectangulo EnPantalla(const capa::Rectangulo& t, int ppp) {
  if (ppp == 96) return {t.left / 15, t.top / 15, t.width / 15, t.height / 15};
  return {MulDiv(t.left, ppp, 1440), MulDiv(t.top, ppp, 1440), MulDiv(t.width, ppp, 1440),
          MulDiv(t.height, ppp, 1440)};
}
using prueba::DirectorioTemporal;
using prueba::SistemaVigilado;

std::wstring Texto(HWND control) {
  std::wstring texto(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  texto.resize(static_cast<std::size_t>(
      GetWindowTextW(control, texto.data(), static_cast<int>(texto.size()))));
  return texto;
}

std::wstring Clase(HWND control) {
  wchar_t clase[64] = {};
  GetClassNameW(control, clase, 64);
  return clase;
}

// A child's rectangle in its parent's client area.
capa::Rectangulo Rectangulo(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool TodoSeleccionado(HWND caja) {
  DWORD desde = 0, hasta = 0;
  SendMessageW(caja, EM_GETSEL, reinterpret_cast<WPARAM>(&desde), reinterpret_cast<LPARAM>(&hasta));
  return desde == 0 && hasta == static_cast<DWORD>(GetWindowTextLengthW(caja));
}

struct AvisoRecibido {
  std::wstring titulo;
  std::wstring texto;
  Puntero puntero;
};

// A window on a fresh, current working folder, its messages recorded instead of shown.
class PruebaVentana : public ::testing::Test {
 public:
  PruebaVentana() {
    ventana_.PonerMostradorAvisos([this](HWND, const std::wstring& texto, const std::wstring& t) {
      avisos_.push_back({t, texto, ventana_.PunteroActual()});
    });
  }

  // Shown and given the focus, as a user finds it (with no window manager, Wine gives a
  // window the keyboard only when told).
  void Mostrar() {
    ventana_.Mostrar();
    SetForegroundWindow(ventana_.hwnd());
    Bombear();
  }
  void Bombear() {
    MSG mensaje;
    while (PeekMessageW(&mensaje, nullptr, 0, 0, PM_REMOVE)) {
      if (mensaje.message == WM_QUIT) {
        salio_ = true;
        continue;
      }
      ventana_.Despachar(mensaje);
    }
  }
  // A key pressed and released in the control that has the focus.
  void Tecla(WPARAM tecla) {
    MSG abajo{GetFocus(), WM_KEYDOWN, tecla, 1, 0, {}};
    ventana_.Despachar(abajo);
    MSG arriba{GetFocus(), WM_KEYUP, tecla, static_cast<LPARAM>(0xC0000001), 0, {}};
    ventana_.Despachar(arriba);
    Bombear();
  }
  // What a user types into a box, as the system hands it over.
  void Escribir(Caja caja, const std::wstring& texto) {
    SendMessageW(ventana_.caja(caja), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texto.c_str()));
  }
  void Pulsar(const char* boton) {
    SendMessageW(ventana_.Control(boton), BM_CLICK, 0, 0);
    Bombear();
  }
  void EscribirCatalogo(std::string_view contenido) const {
    prueba::EscribirArchivo(directorio_ / "ast.dat", contenido);
  }

 protected:
  DirectorioTemporal directorio_{true};
  SistemaVigilado sistema_;
  frmOrbelux ventana_{GetModuleHandleW(nullptr), sistema_};
  std::vector<AvisoRecibido> avisos_;
  bool salio_ = false;
};

// 1,400 lines that the start filters reject (too bright), the Julian day on the first.
std::string CatalogoDeRelleno() {
  std::string catalogo;
  for (int numero = 1; numero <= 1400; ++numero) {
    catalogo += prueba::LineaCatalogo("(" + std::to_string(numero) + ") Relleno",
                                      {"12", "00", "00.0", "+10", "00", "00", "  9.0"},
                                      numero == 1 ? "2461388.5000" : "") +
                "\r\n";
  }
  return catalogo;
}

// ---- The window and its controls against the table ----------------------------------------

TEST_F(PruebaVentana, FijaConSoloLaCajaDeCerrarYElTitulo) {
  EXPECT_EQ(Texto(ventana_.hwnd()), L"Genera Lista de Asteroides");
  const LONG_PTR estilo = GetWindowLongPtrW(ventana_.hwnd(), GWL_STYLE);
  EXPECT_TRUE(estilo & WS_CAPTION);
  EXPECT_TRUE(estilo & WS_SYSMENU) << "the close box";
  EXPECT_FALSE(estilo & WS_THICKFRAME) << "the user cannot resize it";
  EXPECT_FALSE(estilo & WS_MAXIMIZEBOX);
  EXPECT_FALSE(estilo & WS_MINIMIZEBOX);
  ASSERT_EQ(ventana_.Ppp(), PppEsperado()) << "the monitor's resolution";
  RECT cliente{};
  GetClientRect(ventana_.hwnd(), &cliente);
  EXPECT_EQ(cliente.right, EnPantalla({0, 0, 9285, 3390}, PppEsperado()).width);
  EXPECT_EQ(cliente.bottom, EnPantalla({0, 0, 9285, 3390}, PppEsperado()).height);
  if (PppEsperado() == 96) {
    EXPECT_EQ(cliente.right, 619);
    EXPECT_EQ(cliente.bottom, 226);
  } else if (PppEsperado() == 144) {
    EXPECT_EQ(cliente.right, 929);
    EXPECT_EQ(cliente.bottom, 339);
  }
}

TEST_F(PruebaVentana, ElIconoYElEmblemaSonNuestros) {
  for (const auto& [indice, lado] :
       {std::pair{GCLP_HICON, SM_CXICON}, {GCLP_HICONSM, SM_CXSMICON}}) {
    const auto icono = reinterpret_cast<HICON>(GetClassLongPtrW(ventana_.hwnd(), indice));
    ASSERT_NE(icono, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icono, &info));
    BITMAP mapa{};
    GetObjectW(info.hbmColor, sizeof mapa, &mapa);
    EXPECT_EQ(mapa.bmWidth, GetSystemMetrics(lado));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  HWND imagen = ventana_.Control("Image1");
  const auto emblema =
      reinterpret_cast<HBITMAP>(SendMessageW(imagen, STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(emblema, nullptr);
  BITMAP mapa{};
  GetObjectW(emblema, sizeof mapa, &mapa);
  EXPECT_EQ(mapa.bmWidth, 80);
  EXPECT_EQ(mapa.bmHeight, 96);
  EXPECT_TRUE(GetWindowLongPtrW(imagen, GWL_STYLE) & SS_REALSIZECONTROL) << "scaled to its box";
  EXPECT_EQ(Rectangulo(imagen), EnPantalla({120, 240, 1200, 1440}, PppEsperado()));
}

// Every control where the table puts it: at 96 dots per inch its pixels are the table's
// twips / 15, at 144 one and a half times as many as MulDiv rounds them.
TEST_F(PruebaVentana, CadaControlDondeLoPoneLaTabla) {
  std::vector<std::pair<std::string, capa::Rectangulo>> filas;
  for (const capa::ControlVentana& c :
       {capa::kMarco, capa::kImagen, capa::kBotonLista, capa::kBotonCerrar}) {
    filas.emplace_back(c.nombre, c.twips);
  }
  for (const capa::CajaFiltro& c : capa::kCajasFiltro) {
    filas.emplace_back(NombreCaja(c.caja), capa::EnCliente(c.twips));
  }
  for (const capa::Rotulo& r : capa::kRotulos)
    filas.emplace_back(r.nombre, capa::EnCliente(r.twips));

  std::set<HWND> vistos;
  for (const auto& [nombre, t] : filas) {
    SCOPED_TRACE(nombre);
    HWND control = ventana_.Control(nombre);
    ASSERT_NE(control, nullptr);
    vistos.insert(control);
    EXPECT_EQ(GetParent(control), ventana_.hwnd());
    EXPECT_EQ(Rectangulo(control), EnPantalla(t, PppEsperado()));
  }
  int hijos = 0;
  for (HWND h = GetWindow(ventana_.hwnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) ++hijos;
  EXPECT_EQ(hijos, 40) << "nothing but the table";
  EXPECT_EQ(vistos.size(), 40u);
}

TEST_F(PruebaVentana, TitulosYClases) {
  for (const capa::Rotulo& r : capa::kRotulos) {
    SCOPED_TRACE(std::string(r.nombre));
    HWND rotulo = ventana_.Control(r.nombre);
    EXPECT_EQ(Clase(rotulo), L"Static");
    EXPECT_EQ(Texto(rotulo), Utf16(r.titulo));
    const LONG_PTR estilo = GetWindowLongPtrW(rotulo, GWL_STYLE);
    EXPECT_EQ(estilo & SS_TYPEMASK, SS_LEFT);
    EXPECT_TRUE(estilo & SS_NOPREFIX) << "no access keys";
    EXPECT_FALSE(estilo & WS_TABSTOP);
  }
  EXPECT_EQ(Texto(ventana_.Control("lblSimb_6")), L"\u00BA");
  for (const capa::ControlVentana& c : {capa::kMarco, capa::kBotonLista, capa::kBotonCerrar}) {
    SCOPED_TRACE(std::string(c.nombre));
    HWND control = ventana_.Control(c.nombre);
    EXPECT_EQ(Clase(control), L"Button");
    EXPECT_EQ(Texto(control), Utf16(c.titulo));
  }
  EXPECT_EQ(GetWindowLongPtrW(ventana_.Control("frmFiltros"), GWL_STYLE) & BS_TYPEMASK,
            BS_GROUPBOX);
  EXPECT_EQ(GetWindowLongPtrW(ventana_.Control("cmdLista"), GWL_STYLE) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON)
      << "Enter presses it";
  EXPECT_EQ(GetWindowLongPtrW(ventana_.Control("cmdCerrar"), GWL_STYLE) & BS_TYPEMASK,
            BS_PUSHBUTTON);
  for (const Caja caja : kCajas) EXPECT_EQ(Clase(ventana_.caja(caja)), L"Edit");
}

// A box is drawn over the label that reaches under it: it comes first in the z-order.
TEST_F(PruebaVentana, LaCajaTapaElRotulo) {
  const std::pair<const char*, Caja> solapes[] = {
      {"lblARmin", Caja::txtARh_min},     {"lblDECmax", Caja::txtDECg_max},
      {"lblNummin", Caja::txtNumero_min}, {"lblMagmax", Caja::txtMag_max},
      {"lblSimb_0", Caja::txtARm_min},    {"lblSimb_9", Caja::txtDECs_max},
  };
  for (const auto& [rotulo, caja] : solapes) {
    SCOPED_TRACE(rotulo);
    const capa::Rectangulo a = Rectangulo(ventana_.Control(rotulo));
    const capa::Rectangulo b = Rectangulo(ventana_.caja(caja));
    const POINT punto{(std::max(a.left, b.left) + std::min(a.left + a.width, b.left + b.width)) / 2,
                      a.top + a.height / 2};
    EXPECT_EQ(ChildWindowFromPointEx(ventana_.hwnd(), punto, CWP_ALL), ventana_.caja(caja));
  }
}

// The system's message font, or one that gives way to fit; every caption fits the room it has.
TEST_F(PruebaVentana, LaFuenteDeMensajesDelSistemaEnTodos) {
  NONCLIENTMETRICSW metricas{};
  metricas.cbSize = sizeof metricas;
  ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metricas, &metricas, 0,
                                         static_cast<UINT>(ventana_.Ppp())));
  LOGFONTW fuente{};
  ASSERT_EQ(GetObjectW(ventana_.Fuente(), sizeof fuente, &fuente), static_cast<int>(sizeof fuente));
  const bool misma_cara = std::wcscmp(fuente.lfFaceName, metricas.lfMessageFont.lfFaceName) == 0;
  EXPECT_TRUE(misma_cara || std::wcscmp(fuente.lfFaceName, L"Arial Narrow") == 0)
      << "the message font's face or the narrow one";
  if (misma_cara) {
    EXPECT_LE(std::abs(fuente.lfHeight), std::abs(metricas.lfMessageFont.lfHeight));
    EXPECT_GE(std::abs(fuente.lfHeight), MulDiv(7, ventana_.Ppp(), 72)) << "never below 7 pt";
  }
  for (HWND h = GetWindow(ventana_.hwnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == ventana_.Control("Image1")) continue;  // a picture has no font
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), ventana_.Fuente());
  }
  // Each caption label fits up to the first box to its right.
  HDC dc = GetDC(ventana_.hwnd());
  HGDIOBJ antes = SelectObject(dc, ventana_.Fuente());
  for (const Colocado& c : Colocacion(ventana_.Ppp())) {
    if (c.tipo != TipoControl::Rotulo) continue;
    SCOPED_TRACE(std::string(c.nombre));
    const std::wstring texto = Texto(ventana_.Control(c.nombre));
    SIZE medida{};
    GetTextExtentPoint32W(dc, texto.c_str(), static_cast<int>(texto.size()), &medida);
    int derecha = c.pixeles.left + c.pixeles.width;
    for (const Colocado& caja : Colocacion(ventana_.Ppp())) {
      if (caja.tipo == TipoControl::Caja && caja.pixeles.top == c.pixeles.top &&
          caja.pixeles.left > c.pixeles.left) {
        derecha = std::min(derecha, caja.pixeles.left);
      }
    }
    EXPECT_LE(medida.cx, derecha - c.pixeles.left);
  }
  SelectObject(dc, antes);
  ReleaseDC(ventana_.hwnd(), dc);
}

// Moved to a monitor of another resolution (144 dots per inch from 96, 96 from any other),
// the window lays the same table out again there, where the system suggests.
TEST_F(PruebaVentana, EnOtroMonitorSeDisponeDeNuevo) {
  const int otra = ventana_.Ppp() == 96 ? 144 : 96;
  RECT sugerido{10, 20, 10 + 960, 20 + 400};
  SendMessageW(ventana_.hwnd(), WM_DPICHANGED, MAKEWPARAM(otra, otra),
               reinterpret_cast<LPARAM>(&sugerido));
  EXPECT_EQ(ventana_.Ppp(), otra);
  for (const Colocado& c : Colocacion(otra)) {
    SCOPED_TRACE(std::string(c.nombre));
    EXPECT_EQ(Rectangulo(ventana_.Control(c.nombre)), c.pixeles);
  }
  RECT cliente{};
  GetClientRect(ventana_.hwnd(), &cliente);
  EXPECT_EQ(cliente.right, MulDiv(9285, otra, 1440));
  EXPECT_EQ(cliente.bottom, MulDiv(3390, otra, 1440));
  RECT ventana{};
  GetWindowRect(ventana_.hwnd(), &ventana);
  EXPECT_EQ(ventana.left, 10) << "where the system suggested";
  EXPECT_EQ(ventana.top, 20);
  LOGFONTW fuente{};
  GetObjectW(ventana_.Fuente(), sizeof fuente, &fuente);
  NONCLIENTMETRICSW metricas{};
  metricas.cbSize = sizeof metricas;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metricas, &metricas, 0,
                             static_cast<UINT>(otra));
  EXPECT_EQ(fuente.lfHeight, metricas.lfMessageFont.lfHeight) << "the font at that resolution";
}

// ---- Start texts, focus, Tab and Enter ----------------------------------------------------

TEST_F(PruebaVentana, TextosInicialesYElFocoEnLaPrimeraCaja) {
  const wchar_t* iniciales[] = {L"23", L"00",  L"00", L"17", L"00",  L"00",   L"-30", L"00",
                                L"00", L"+80", L"00", L"00", L"400", L"1400", L"15",  L"18"};
  for (std::size_t i = 0; i < kNumCajas; ++i) {
    EXPECT_EQ(Texto(ventana_.caja(kCajas[i])), iniciales[i]) << NombreCaja(kCajas[i]);
  }
  Mostrar();
  EXPECT_EQ(GetFocus(), ventana_.caja(Caja::txtARh_min));
}

TEST_F(PruebaVentana, TabRecorreLasCajasLosBotonesYVuelveSeleccionandoElTexto) {
  Mostrar();
  std::vector<HWND> esperado;
  for (const Caja caja : kCajas) esperado.push_back(ventana_.caja(caja));
  esperado.insert(esperado.end(), {ventana_.Control("cmdLista"), ventana_.Control("cmdCerrar"),
                                   ventana_.caja(Caja::txtARh_min)});
  std::vector<HWND> visto;
  for (std::size_t i = 0; i < esperado.size(); ++i) {
    Tecla(VK_TAB);
    visto.push_back(GetFocus());
    if (Clase(GetFocus()) == L"Edit") {
      EXPECT_TRUE(TodoSeleccionado(GetFocus())) << "the box's text is selected as Tab enters";
    }
  }
  esperado.erase(esperado.begin());
  visto.pop_back();
  EXPECT_EQ(visto, esperado);
}

// Back from another window, the focus is where the user left it.
TEST_F(PruebaVentana, AlVolverALaVentanaElFocoSigueDondeEstaba) {
  Mostrar();
  SetFocus(ventana_.caja(Caja::txtMag_max));
  HWND otra = CreateWindowExW(0, L"STATIC", L"otra", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(otra, nullptr);
  SetActiveWindow(otra);
  Bombear();
  EXPECT_NE(GetFocus(), ventana_.caja(Caja::txtMag_max));
  SetActiveWindow(ventana_.hwnd());
  Bombear();
  EXPECT_EQ(GetFocus(), ventana_.caja(Caja::txtMag_max));
  DestroyWindow(otra);
}

struct Intro {
  const char* nombre;
  Caja desde;
  WPARAM tecla;
  int pasadas;
};
void PrintTo(const Intro& i, std::ostream* salida) { *salida << i.nombre; }

class IntroPulsaGenerarLista : public PruebaVentana, public ::testing::WithParamInterface<Intro> {};

TEST_P(IntroPulsaGenerarLista, DesdeCualquierCaja) {
  EscribirCatalogo("");
  Mostrar();
  SetFocus(ventana_.caja(GetParam().desde));
  Tecla(GetParam().tecla);
  EXPECT_EQ(sistema_.lecturas, GetParam().pasadas) << "each press is one run";
  EXPECT_FALSE(ventana_.Terminado());
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, IntroPulsaGenerarLista,
    ::testing::Values(Intro{"ReturnEnTxtARh_min", Caja::txtARh_min, VK_RETURN, 1},
                      Intro{"ReturnEnTxtDECs_max", Caja::txtDECs_max, VK_RETURN, 1},
                      Intro{"ReturnEnTxtMag_max", Caja::txtMag_max, VK_RETURN, 1},
                      Intro{"EscapeNoHaceNada", Caja::txtARm_min, VK_ESCAPE, 0}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(IntroPulsaGenerarLista, EnLosBotonesPulsaElQueTieneElFoco) {
  EscribirCatalogo("");
  Mostrar();
  SetFocus(ventana_.Control("cmdLista"));
  Tecla(VK_RETURN);
  EXPECT_EQ(sistema_.lecturas, 1);
  SetFocus(ventana_.Control("cmdCerrar"));
  Tecla(VK_RETURN);
  EXPECT_EQ(sistema_.lecturas, 1);
  EXPECT_TRUE(ventana_.Terminado()) << "Enter on Cerrar ends the program";
}

// ---- Box texts cross to the run as UTF-8 -------------------------------------------------

TEST_F(PruebaVentana, TextosDeLasCajasIdaYVuelta) {
  const std::pair<std::wstring, std::string> textos[] = {
      {L"", ""},
      {L"\u00BA\u00F1\u20AC", "\xC2\xBA\xC3\xB1\xE2\x82\xAC"},
      {L"\u263E \U0001F52D", "\xE2\x98\xBE \xF0\x9F\x94\xAD"},
  };
  for (const auto& [utf16, utf8] : textos) {
    SCOPED_TRACE(utf8);
    for (const Caja caja : kCajas) {
      Escribir(caja, utf16);
      EXPECT_EQ(ventana_.TextoCaja(caja), utf8);
      ventana_.PonerTextoCaja(caja, utf8);
      EXPECT_EQ(Texto(ventana_.caja(caja)), utf16);
    }
  }
  // No length limit, past the 32,767 characters a box takes by default (one box: a long
  // text is slow to lay out).
  Escribir(Caja::txtNumero_max, std::wstring(32767, L'7'));
  SendMessageW(ventana_.caja(Caja::txtNumero_max), EM_SETSEL, 32767, 32767);
  SendMessageW(ventana_.caja(Caja::txtNumero_max), WM_CHAR, L'8', 1);
  EXPECT_EQ(ventana_.TextoCaja(Caja::txtNumero_max), std::string(32767, '7') + "8")
      << "typing goes on past 32,767";
}

// ---- A press of "Generar Lista" -----------------------------------------------------------

TEST_F(PruebaVentana, LasCajasVaciasQuedanConCeroCero) {
  EscribirCatalogo(CatalogoDeRelleno());
  Escribir(Caja::txtARm_max, L"");
  Escribir(Caja::txtMag_min, L"");
  Pulsar("cmdLista");
  for (const Caja caja : kCajas) {
    SCOPED_TRACE(std::string(NombreCaja(caja)));
    if (caja == Caja::txtARm_max || caja == Caja::txtMag_min) {
      EXPECT_EQ(Texto(ventana_.caja(caja)), L"00");
    }
  }
  EXPECT_EQ(Texto(ventana_.caja(Caja::txtARh_min)), L"23");
  EXPECT_EQ(Texto(ventana_.caja(Caja::txtMag_max)), L"18");
  EXPECT_TRUE(avisos_.empty());
}

TEST_F(PruebaVentana, RelojDeArenaMientrasTrabajaTambienSobreLasCajas) {
  EscribirCatalogo(CatalogoDeRelleno());
  Mostrar();
  HCURSOR reloj = LoadCursorW(nullptr, IDC_WAIT);
  std::vector<bool> vistos;
  sistema_.al_abrir = [&] {
    vistos.push_back(GetCursor() == reloj);
    vistos.push_back(ventana_.PunteroActual() == Puntero::RelojDeArena);
    // The pointer over a box while the run works.
    SetCursor(nullptr);
    SendMessageW(ventana_.caja(Caja::txtMag_max), WM_SETCURSOR,
                 reinterpret_cast<WPARAM>(ventana_.caja(Caja::txtMag_max)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    vistos.push_back(GetCursor() == reloj);
  };
  Pulsar("cmdLista");
  EXPECT_EQ(vistos, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(ventana_.PunteroActual(), Puntero::Predeterminado);
}

// Input that arrives while a run holds the thread: a click on "Generar Lista" queued meanwhile
// is dropped, a key typed into a box arrives; a press from inside the run does nothing.
TEST_F(PruebaVentana, OtraPulsacionDuranteLaPasadaSeDescartaYLoTecleadoLlega) {
  EscribirCatalogo(CatalogoDeRelleno());
  Mostrar();
  HWND boton = ventana_.Control("cmdLista");
  HWND caja = ventana_.caja(Caja::txtDECs_max);
  sistema_.al_abrir = [&] {
    if (sistema_.lecturas > 1) return;
    const LPARAM centro = MAKELPARAM(10, 10);
    PostMessageW(boton, WM_LBUTTONDOWN, MK_LBUTTON, centro);
    PostMessageW(boton, WM_LBUTTONUP, 0, centro);
    PostMessageW(caja, WM_CHAR, L'7', 1);
    ventana_.cmdLista_Click();
  };
  SendMessageW(caja, EM_SETSEL, 2, 2);
  Pulsar("cmdLista");
  EXPECT_EQ(sistema_.lecturas, 1) << "one run only";
  EXPECT_EQ(Texto(caja), L"007");
}

// Reads the message box that a run opens, from inside its modal loop, and presses OK.
class LectorDeAvisos {
 public:
  struct Visto {
    std::wstring titulo;
    std::wstring texto;
    bool exclamacion;
    bool de_la_ventana;  // owned by the window, so modal to it
    bool ventana_desactivada;
  };
  explicit LectorDeAvisos(HWND ventana) {
    actual_ = this;
    ventana_ = ventana;
    reloj_ = SetTimer(nullptr, 0, 20, &LectorDeAvisos::Revisar);
  }
  ~LectorDeAvisos() {
    KillTimer(nullptr, reloj_);
    actual_ = nullptr;
  }
  std::vector<Visto> vistos;

 private:
  static void CALLBACK Revisar(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND caja, LPARAM) -> BOOL {
          if (Clase(caja) != L"#32770" || !IsWindowVisible(caja)) return TRUE;
          Visto visto{Texto(caja), L"", false, GetWindow(caja, GW_OWNER) == actual_->ventana_,
                      !IsWindowEnabled(actual_->ventana_)};
          for (HWND h = GetWindow(caja, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
            if (Clase(h) != L"Static") continue;
            if ((GetWindowLongPtrW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
              visto.exclamacion = reinterpret_cast<HICON>(SendMessageW(h, STM_GETICON, 0, 0)) ==
                                  LoadIconW(nullptr, IDI_EXCLAMATION);
            } else if (!Texto(h).empty()) {
              visto.texto = Texto(h);
            }
          }
          actual_->vistos.push_back(visto);
          PostMessageW(caja, WM_COMMAND, IDOK, 0);
          return FALSE;
        },
        0);
  }
  static inline LectorDeAvisos* actual_ = nullptr;
  HWND ventana_ = nullptr;
  UINT_PTR reloj_ = 0;
};

struct Final {
  const char* nombre;
  std::function<void(PruebaVentana&)> preparar;
  const wchar_t* texto;  // the start of the message
  const char* caja_enfocada;
};
void PrintTo(const Final& f, std::ostream* salida) { *salida << f.nombre; }

class AvisoDeUnaPasada : public PruebaVentana, public ::testing::WithParamInterface<Final> {};

TEST_P(AvisoDeUnaPasada, ElMensajeDeLinuxEnUnMessageBoxConExclamacion) {
  GetParam().preparar(*this);
  Mostrar();
  ventana_.PonerMostradorAvisos(nullptr);  // the real message box
  LectorDeAvisos lector(ventana_.hwnd());
  Pulsar("cmdLista");

  ASSERT_EQ(lector.vistos.size(), 1u);
  const LectorDeAvisos::Visto& visto = lector.vistos.front();
  EXPECT_EQ(visto.titulo, L"\u00A1Atenci\u00F3n!");
  EXPECT_EQ(visto.texto.rfind(GetParam().texto, 0), 0u) << Utf8(visto.texto);
  EXPECT_TRUE(visto.exclamacion);
  EXPECT_TRUE(visto.de_la_ventana);
  EXPECT_TRUE(visto.ventana_desactivada) << "modal";
  EXPECT_EQ(ventana_.PunteroActual(), Puntero::Predeterminado);
  if (GetParam().caja_enfocada != nullptr) {
    // Back in the window (on a shared display another program may be active), the focus is
    // in the box with its text selected.
    SetForegroundWindow(ventana_.hwnd());
    Bombear();
    HWND caja = ventana_.Control(GetParam().caja_enfocada);
    EXPECT_EQ(GetFocus(), caja);
    EXPECT_TRUE(TodoSeleccionado(caja));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, AvisoDeUnaPasada,
    ::testing::Values(
        Final{"ListaDemasiadoLarga",
              [](PruebaVentana& p) {
                std::string catalogo = CatalogoDeRelleno();
                catalogo.replace(699 * 64, 62,
                                 prueba::LineaCatalogo("(700) Enorme", {"01", "00", "00.0", "+10",
                                                                        "00", "00", "99999"}));
                p.EscribirCatalogo(catalogo);
              },
              L"La lista de asteroides es demasiado larga. Por favor, prueba a restringir m\u00E1s "
              L"los l\u00EDmites",
              nullptr},
        Final{"SinCatalogo", [](PruebaVentana&) {},
              L"No se puede leer el cat\u00E1logo de asteroides:", nullptr},
        Final{"FiltroFueraDeRango",
              [](PruebaVentana& p) {
                p.EscribirCatalogo(CatalogoDeRelleno());
                p.Escribir(Caja::txtMag_min, L"40000");
              },
              L"Hay un valor fuera de rango en los filtros. Por favor, corr\u00EDgelo.",
              "txtMag_min"},
        Final{"GradosFueraDeRango",
              [](PruebaVentana& p) {
                p.EscribirCatalogo(CatalogoDeRelleno());
                p.Escribir(Caja::txtDECg_max, L"+99999");
              },
              L"Hay un valor fuera de rango en los filtros.", "txtDECg_max"}),
    [](const auto& info) { return std::string(info.param.nombre); });

// ---- The report is the Linux window's, byte for byte --------------------------------------

class CasoDeMuestra : public PruebaVentana,
                      public ::testing::WithParamInterface<prueba::CasoInforme> {};

TEST_P(CasoDeMuestra, ElInformeEsElDeLinux) {
  std::filesystem::copy_file(std::filesystem::path(ORBELUX_EJEMPLOS) / "ast.dat",
                             directorio_ / "ast.dat");
  prueba::EscribirArchivo(directorio_ / "Asteroides.txt", "un informe anterior");
  Mostrar();
  for (const Caja caja : kCajas) {
    Escribir(caja, Utf16(GetParam().cajas[static_cast<std::size_t>(caja)]));
  }
  Pulsar("cmdLista");
  ASSERT_TRUE(avisos_.empty()) << Utf8(avisos_.front().texto);
  EXPECT_EQ(prueba::LeerArchivo(directorio_ / "Asteroides.txt"),
            prueba::LeerArchivo(GetParam().informe));
  EXPECT_EQ(directorio_.Listado(), "Asteroides.txt ast.dat") << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Muestras, CasoDeMuestra,
                         ::testing::ValuesIn(prueba::LeerCasosInforme(ORBELUX_DATOS_VENTANA)),
                         [](const auto& info) { return info.param.nombre; });

// ---- The ways out -------------------------------------------------------------------------

TEST_F(PruebaVentana, CerrarTerminaSinPreguntarNiGuardar) {
  Mostrar();
  Escribir(Caja::txtARh_min, L"algo escrito");
  Pulsar("cmdCerrar");
  EXPECT_TRUE(ventana_.Terminado());
  EXPECT_TRUE(salio_) << "the loop is told to end";
  EXPECT_TRUE(avisos_.empty());
  EXPECT_EQ(sistema_.lecturas, 0) << "no run";
  EXPECT_EQ(directorio_.Listado(), "") << "nothing saved";
}

TEST_F(PruebaVentana, LaCajaDeCerrarTambienTermina) {
  Mostrar();
  SendMessageW(ventana_.hwnd(), WM_CLOSE, 0, 0);
  Bombear();
  EXPECT_TRUE(ventana_.Terminado());
  EXPECT_TRUE(salio_);
  EXPECT_EQ(ventana_.hwnd(), nullptr) << "the window is gone";
  EXPECT_EQ(directorio_.Listado(), "");
}

}  // namespace
}  // namespace orbelux::win32
