// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/win32/main_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <stdexcept>

#include "window/layout/layout.h"
#include "window/win32/caption_fit.h"
#include "window/win32/geometry.h"

namespace orbelux::win32 {

namespace capa = disposicion;

namespace {

constexpr wchar_t kClase[] = L"frmOrbelux";
// A fixed single-line border with a close box only: no sizing edge, no minimise or maximise.
constexpr DWORD kEstilo = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kEstiloExtendido = 0;

// Control identifiers. IDOK and IDCANCEL (1 and 2), which the dialog manager sends for Enter
// without a default button and for Escape, belong to no control, so Escape does nothing.
constexpr int kIdPrimeraCaja = 100;
constexpr int kIdLista = 200;
constexpr int kIdCerrar = 201;
constexpr int kIdPrimerRotulo = 300;
constexpr int kIdImagen = 400;
constexpr int kIdMarco = 401;

// The face tried when the message font is too wide for a caption.
constexpr wchar_t kCaraEstrecha[] = L"Arial Narrow";
// The emblem's transparent pixels carry this colour in the bitmap resource; the window paints
// them in its own background colour.
constexpr COLORREF kColorTransparente = RGB(255, 0, 255);

// Room lost around a button's caption (its frame and margin) and before the frame's caption,
// in twips, as in the Qt window: 10 and 16 pixels at 96 dots per inch.
constexpr int kMargenBoton = 150;
constexpr int kSangriaMarco = 240;

bool HayCara(HDC dc, const wchar_t* cara) {
  LOGFONTW buscada{};
  buscada.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(buscada.lfFaceName, cara, LF_FACESIZE - 1);
  bool hallada = false;
  EnumFontFamiliesExW(
      dc, &buscada,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM dato) -> int {
        *reinterpret_cast<bool*>(dato) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&hallada), 0);
  return hallada;
}

// The emblem from the resources, its transparent pixels in the window's background colour.
MapaDeBits CargarEmblema(HINSTANCE instancia) {
  MapaDeBits mapa(static_cast<HBITMAP>(LoadImageW(instancia, MAKEINTRESOURCEW(kIdEmblema),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  DIBSECTION dib{};
  if (!mapa || GetObjectW(mapa.get(), sizeof dib, &dib) != sizeof dib ||
      dib.dsBm.bmBitsPixel != 24 || dib.dsBm.bmBits == nullptr) {
    return mapa;
  }
  const COLORREF fondo = GetSysColor(COLOR_BTNFACE);
  auto* fila = static_cast<unsigned char*>(dib.dsBm.bmBits);
  for (LONG y = 0; y < dib.dsBm.bmHeight; ++y, fila += dib.dsBm.bmWidthBytes) {
    for (LONG x = 0; x < dib.dsBm.bmWidth; ++x) {
      unsigned char* p = fila + 3 * x;  // blue, green, red
      if (RGB(p[2], p[1], p[0]) == kColorTransparente) {
        p[0] = GetBValue(fondo);
        p[1] = GetGValue(fondo);
        p[2] = GetRValue(fondo);
      }
    }
  }
  return mapa;
}

void RegistrarClase(HINSTANCE instancia, WNDPROC procedimiento) {
  WNDCLASSEXW clase{};
  if (GetClassInfoExW(instancia, kClase, &clase)) return;
  clase.cbSize = sizeof clase;
  clase.lpfnWndProc = procedimiento;
  clase.hInstance = instancia;
  clase.hIcon = static_cast<HICON>(LoadImageW(instancia, MAKEINTRESOURCEW(kIdIcono), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON),
                                              GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  clase.hIconSm = static_cast<HICON>(LoadImageW(instancia, MAKEINTRESOURCEW(kIdIcono), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  clase.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  clase.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  clase.lpszClassName = kClase;
  RegisterClassExW(&clase);
}

}  // namespace

std::wstring Utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring texto(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), texto.data(), n);
  return texto;
}

std::string Utf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string texto(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), texto.data(), n,
                      nullptr, nullptr);
  return texto;
}

frmOrbelux::frmOrbelux(HINSTANCE instancia, SistemaArchivos& sistema)
    : instancia_(instancia), sistema_(sistema) {
  RegistrarClase(instancia_, &frmOrbelux::Procedimiento);
  const capa::Rectangulo cliente = Cliente(capa::kPuntosPorPulgadaBase);
  // CW_USEDEFAULT: the system places the window. Its size follows once the resolution of
  // the monitor it landed on is known.
  hwnd_ = CreateWindowExW(kEstiloExtendido, kClase, Utf16(capa::kTituloVentana).c_str(), kEstilo,
                          CW_USEDEFAULT, CW_USEDEFAULT, cliente.width, cliente.height, nullptr,
                          nullptr, instancia_, this);
  if (hwnd_ == nullptr) throw std::runtime_error("no se puede crear la ventana");
  emblema_ = CargarEmblema(instancia_);
  CrearControles();
  Disponer(static_cast<int>(GetDpiForWindow(hwnd_)), nullptr);
  Form_Load();
}

frmOrbelux::~frmOrbelux() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void frmOrbelux::CrearControles() {
  // In the order of Colocacion: each control created goes under the ones before it, and
  // the dialog manager's Tab follows that order among the controls that take the focus.
  int rotulo = 0;
  for (const Colocado& c : Colocacion(capa::kPuntosPorPulgadaBase)) {
    const wchar_t* clase = L"STATIC";
    DWORD estilo = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD extendido = 0;
    int id = 0;
    switch (c.tipo) {
      case TipoControl::Caja:
        clase = L"EDIT";
        id = kIdPrimeraCaja + static_cast<int>(c.caja);
        estilo |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
        extendido = WS_EX_CLIENTEDGE;
        break;
      case TipoControl::Boton:
        clase = L"BUTTON";
        estilo |= WS_TABSTOP | BS_NOTIFY |
                  (c.nombre == capa::kBotonLista.nombre ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        id = c.nombre == capa::kBotonLista.nombre ? kIdLista : kIdCerrar;
        break;
      case TipoControl::Rotulo:
        // Left-aligned, centred in its height, and no access keys: "&" is shown as it is.
        estilo |= SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
        id = kIdPrimerRotulo + rotulo++;
        break;
      case TipoControl::Imagen:
        estilo |= SS_BITMAP | SS_REALSIZECONTROL;
        id = kIdImagen;
        break;
      case TipoControl::Marco:
        clase = L"BUTTON";
        estilo |= BS_GROUPBOX;
        id = kIdMarco;
        break;
    }
    HWND control =
        CreateWindowExW(extendido, clase, Utf16(c.titulo).c_str(), estilo, c.pixeles.left,
                        c.pixeles.top, c.pixeles.width, c.pixeles.height, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instancia_, nullptr);
    if (control == nullptr) throw std::runtime_error("no se puede crear un control");
    controles_.emplace_back(c.nombre, control);
    if (c.tipo == TipoControl::Caja) {
      cajas_[id - kIdPrimeraCaja] = control;
      // No length limit: what a run makes of a long text is the run's concern.
      SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
    } else if (id == kIdLista) {
      cmdLista_ = control;
    } else if (id == kIdCerrar) {
      cmdCerrar_ = control;
    } else if (id == kIdImagen && emblema_) {
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(emblema_.get()));
    }
  }
}

void frmOrbelux::Disponer(int ppp, const RECT* sugerido) {
  ppp_ = ppp > 0 ? ppp : capa::kPuntosPorPulgadaBase;
  const std::vector<Colocado> colocacion = Colocacion(ppp_);
  for (std::size_t i = 0; i < colocacion.size(); ++i) {
    const capa::Rectangulo& r = colocacion[i].pixeles;
    SetWindowPos(controles_[i].second, nullptr, r.left, r.top, r.width, r.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const capa::Rectangulo cliente = Cliente(ppp_);
  RECT marco{0, 0, cliente.width, cliente.height};
  AdjustWindowRectExForDpi(&marco, kEstilo, FALSE, kEstiloExtendido, static_cast<UINT>(ppp_));
  SetWindowPos(hwnd_, nullptr, sugerido ? sugerido->left : 0, sugerido ? sugerido->top : 0,
               marco.right - marco.left, marco.bottom - marco.top,
               SWP_NOZORDER | SWP_NOACTIVATE | (sugerido ? 0 : SWP_NOMOVE));
  // Where the frame drawn is not the one computed for `ppp` (a system that draws it at
  // another resolution), the client area still gets its exact size.
  RECT real{}, ventana{};
  GetClientRect(hwnd_, &real);
  GetWindowRect(hwnd_, &ventana);
  const int ancho_de_mas = real.right - cliente.width;
  const int alto_de_mas = real.bottom - cliente.height;
  if (ancho_de_mas != 0 || alto_de_mas != 0) {
    SetWindowPos(hwnd_, nullptr, 0, 0, ventana.right - ventana.left - ancho_de_mas,
                 ventana.bottom - ventana.top - alto_de_mas,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  ElegirFuente();
}

// The geometry is fixed, so the font has to give way: the system's message font when every
// caption fits it, otherwise a narrower face or a smaller size for the whole window.
void frmOrbelux::ElegirFuente() {
  NONCLIENTMETRICSW metricas{};
  metricas.cbSize = sizeof metricas;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metricas, &metricas, 0,
                             static_cast<UINT>(ppp_));
  const LOGFONTW base = metricas.lfMessageFont;

  HDC dc = GetDC(hwnd_);
  auto altura_en_puntos = [&]() {
    if (base.lfHeight < 0) return -base.lfHeight * 72.0 / ppp_;
    // A cell height: take off the internal leading to get the character height.
    HFONT f = CreateFontIndirectW(&base);
    HGDIOBJ antes = SelectObject(dc, f);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, antes);
    DeleteObject(f);
    return (tm.tmHeight - tm.tmInternalLeading) * 72.0 / ppp_;
  };
  const double puntos_base = altura_en_puntos();
  auto crear = [&](const FuenteCandidata& c) {
    LOGFONTW lf = base;
    if (c.puntos != puntos_base)
      lf.lfHeight = -static_cast<LONG>(std::lround(c.puntos * ppp_ / 72.0));
    if (c.estrecha) std::wcsncpy(lf.lfFaceName, kCaraEstrecha, LF_FACESIZE - 1);
    return FuenteGdi(CreateFontIndirectW(&lf));
  };

  // Each caption and the room in which it must be seen whole.
  struct Hueco {
    std::wstring texto;
    SIZE espacio;
  };
  std::vector<Hueco> huecos;
  const std::vector<Colocado> colocacion = Colocacion(ppp_);
  const int margen = capa::Pixeles(kMargenBoton, ppp_);
  for (const Colocado& c : colocacion) {
    const capa::Rectangulo& r = c.pixeles;
    if (c.tipo == TipoControl::Rotulo) {
      // The part of a label that no box covers: up to the first box to its right in its row.
      int derecha = r.left + r.width;
      for (const Colocado& caja : colocacion) {
        if (caja.tipo == TipoControl::Caja && caja.pixeles.top == r.top &&
            caja.pixeles.left > r.left) {
          derecha = std::min(derecha, caja.pixeles.left);
        }
      }
      huecos.push_back({Utf16(c.titulo), {derecha - r.left, r.height}});
    } else if (c.tipo == TipoControl::Boton) {
      huecos.push_back({Utf16(c.titulo), {r.width - margen, r.height - margen}});
    } else if (c.tipo == TipoControl::Marco) {
      huecos.push_back({Utf16(c.titulo), {r.width - capa::Pixeles(kSangriaMarco, ppp_), r.height}});
    }
  }

  auto cabe_todo = [&](const FuenteCandidata& c) {
    FuenteGdi fuente = crear(c);
    HGDIOBJ antes = SelectObject(dc, fuente.get());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    bool cabe = true;
    for (const Hueco& h : huecos) {
      SIZE medida{};
      GetTextExtentPoint32W(dc, h.texto.c_str(), static_cast<int>(h.texto.size()), &medida);
      cabe = cabe && medida.cx <= h.espacio.cx && tm.tmHeight <= h.espacio.cy;
    }
    SelectObject(dc, antes);
    return cabe;
  };
  const FuenteCandidata elegida = FuenteQueCabe(puntos_base, HayCara(dc, kCaraEstrecha), cabe_todo);
  ReleaseDC(hwnd_, dc);

  FuenteGdi nueva = crear(elegida);
  for (const auto& [nombre, control] : controles_) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(nueva.get()), TRUE);
  }
  fuente_ = std::move(nueva);
}

void frmOrbelux::Form_Load() {
  for (const capa::CajaFiltro& fila : capa::kCajasFiltro) {
    PonerTextoCaja(fila.caja, fila.texto_inicial);
  }
}

void frmOrbelux::Mostrar(int como) {
  ShowWindow(hwnd_, como);
  UpdateWindow(hwnd_);
  SetFocus(cajas_[0]);
}

int frmOrbelux::Bucle() {
  MSG mensaje{};
  int codigo = 0;
  while (!terminado_) {
    const BOOL hay = GetMessageW(&mensaje, nullptr, 0, 0);
    if (hay == 0) {
      codigo = static_cast<int>(mensaje.wParam);
      break;
    }
    if (hay == -1) return 1;
    Despachar(mensaje);
  }
  return codigo;
}

void frmOrbelux::Despachar(MSG& mensaje) {
  // Tab (selecting a box's text as it enters), Shift+Tab and Enter, as in a dialog.
  if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &mensaje)) return;
  TranslateMessage(&mensaje);
  DispatchMessageW(&mensaje);
}

void frmOrbelux::cmdLista_Click() {
  // The run holds this thread, so the clicks on "Generar Lista" queued meanwhile arrive
  // after it: they are discarded. Other input (typing ahead, "Cerrar") is delivered as usual.
  if (en_marcha_) return;
  en_marcha_ = true;
  GenerarLista(*this, sistema_);
  DescartarPulsacionesPendientes();
  en_marcha_ = false;
}

void frmOrbelux::DescartarPulsacionesPendientes() {
  MSG mensaje;
  while (PeekMessageW(&mensaje, cmdLista_, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_REMOVE)) {
  }
}

void frmOrbelux::cmdCerrar_Click() {
  // The loop returns before it delivers anything else; the window goes with the program.
  terminado_ = true;
  PostQuitMessage(0);
}

HWND frmOrbelux::caja(Caja c) const { return cajas_[static_cast<std::size_t>(c)]; }

HWND frmOrbelux::Control(std::string_view nombre) const {
  for (const auto& [n, control] : controles_) {
    if (n == nombre) return control;
  }
  return nullptr;
}

std::string frmOrbelux::TextoCaja(Caja c) const {
  HWND control = caja(c);
  const int largo = GetWindowTextLengthW(control);
  std::wstring texto(static_cast<std::size_t>(largo) + 1, L'\0');
  const int leidos = GetWindowTextW(control, texto.data(), largo + 1);
  texto.resize(static_cast<std::size_t>(std::max(leidos, 0)));
  return Utf8(texto);
}

void frmOrbelux::PonerTextoCaja(Caja c, std::string_view texto) {
  SetWindowTextW(caja(c), Utf16(texto).c_str());
}

void frmOrbelux::PonerPuntero(Puntero puntero) {
  // The window answers WM_SETCURSOR with the hourglass while the run lasts, over the boxes and
  // buttons too: the whole window is busy. SetCursor shows it at once, as the run keeps the
  // thread and no WM_SETCURSOR comes until it ends.
  puntero_ = puntero;
  SetCursor(LoadCursorW(nullptr, puntero == Puntero::RelojDeArena ? IDC_WAIT : IDC_ARROW));
}

void frmOrbelux::MostrarAviso(std::string_view texto, std::string_view titulo) {
  mostrador_(hwnd_, Utf16(texto), Utf16(titulo));
}

void frmOrbelux::EnfocarCaja(Caja c) {
  HWND destino = caja(c);
  // Also where the focus goes back to should another program be active at this moment.
  foco_guardado_ = destino;
  SetFocus(destino);
  SendMessageW(destino, EM_SETSEL, 0, -1);
}

void frmOrbelux::PonerMostradorAvisos(MostradorAvisos mostrador) {
  mostrador_ = mostrador ? std::move(mostrador) : MostradorAvisos(&frmOrbelux::AvisoModal);
}

void frmOrbelux::AvisoModal(HWND ventana, const std::wstring& texto, const std::wstring& titulo) {
  MessageBoxW(ventana, texto.c_str(), titulo.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CALLBACK frmOrbelux::Procedimiento(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l) {
  if (mensaje == WM_NCCREATE) {
    auto* datos = reinterpret_cast<const CREATESTRUCTW*>(l);
    auto* ventana = static_cast<frmOrbelux*>(datos->lpCreateParams);
    ventana->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(ventana));
  }
  auto* ventana = reinterpret_cast<frmOrbelux*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (ventana == nullptr) return DefWindowProcW(hwnd, mensaje, w, l);
  return ventana->Mensaje(mensaje, w, l);
}

LRESULT frmOrbelux::Mensaje(UINT mensaje, WPARAM w, LPARAM l) {
  switch (mensaje) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED && LOWORD(w) == kIdLista) {
        cmdLista_Click();
        return 0;
      }
      if (HIWORD(w) == BN_CLICKED && LOWORD(w) == kIdCerrar) {
        cmdCerrar_Click();
        return 0;
      }
      if (HIWORD(w) == BN_SETFOCUS || HIWORD(w) == BN_KILLFOCUS) {
        // The button with the focus is the one Enter presses, and looks it; otherwise
        // "Generar Lista".
        const bool en_cerrar = HIWORD(w) == BN_SETFOCUS && LOWORD(w) == kIdCerrar;
        SendMessageW(cmdCerrar_, BM_SETSTYLE, en_cerrar ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        SendMessageW(cmdLista_, BM_SETSTYLE, en_cerrar ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
        return 0;
      }
      break;
    case DM_GETDEFID:
      // Enter on a button presses that button (the dialog manager sees it is the default
      // one); anywhere else, "Generar Lista".
      return MAKELRESULT(kIdLista, DC_HASDEFID);
    case WM_SETCURSOR:
      if (puntero_ == Puntero::RelojDeArena) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      // A plain window forgets which control had the focus when it is deactivated: keep it.
      // When activated, DefWindowProc gives the window the focus, and WM_SETFOCUS passes it on.
      if (LOWORD(w) == WA_INACTIVE) {
        HWND foco = GetFocus();
        if (foco != nullptr && IsChild(hwnd_, foco)) foco_guardado_ = foco;
      }
      break;
    case WM_SETFOCUS:
      SetFocus(foco_guardado_ != nullptr ? foco_guardado_ : cajas_[0]);
      return 0;
    case WM_DPICHANGED:
      Disponer(LOWORD(w), reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_DESTROY:
      // The close box: the only window goes, and with it the program; nothing is asked.
      terminado_ = true;
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND propia = hwnd_;
      hwnd_ = nullptr;
      return DefWindowProcW(propia, mensaje, w, l);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, mensaje, w, l);
}

int Programa(HINSTANCE instancia, int como) {
  // The system's current controls (the manifest asks for them) once they are registered.
  INITCOMMONCONTROLSEX controles{sizeof controles, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controles);
  try {
    frmOrbelux ventana(instancia);
    ventana.Mostrar(como);
    return ventana.Bucle();
  } catch (const std::exception&) {
    MessageBoxW(nullptr, L"No se puede abrir la ventana.", Utf16(capa::kTituloVentana).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
    return 1;
  }
}

}  // namespace orbelux::win32
