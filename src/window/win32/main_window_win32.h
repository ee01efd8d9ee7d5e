// SPDX-License-Identifier: GPL-3.0-or-later
// frmOrbelux on Windows: a native window over the same list generation as the Qt window on
// Linux, built from the same layout table. Native controls in the system's message font,
// geometry in twips scaled to the monitor's resolution, Tab and Enter through the dialog
// manager. A press of "Generar Lista" runs GenerarLista on the boxes.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "listgen/generation_run.h"

namespace orbelux::win32 {

// Resource identifiers shared with the program's .rc file.
inline constexpr int kIdIcono = 1;
inline constexpr int kIdEmblema = 2;

// UTF-8 and UTF-16, the two sides of the window's texts.
std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

// Owns a GDI object and deletes it with the window.
struct BorradorGdi {
  void operator()(HGDIOBJ objeto) const { DeleteObject(objeto); }
};
using FuenteGdi = std::unique_ptr<std::remove_pointer_t<HFONT>, BorradorGdi>;
using MapaDeBits = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BorradorGdi>;

class frmOrbelux final : public VentanaGeneracion {
 public:
  // Shows one message of a run and returns when the user has dismissed it.
  using MostradorAvisos =
      std::function<void(HWND ventana, const std::wstring& texto, const std::wstring& titulo)>;

  // Creates the window, hidden, with its controls and start texts; runs read and write
  // through `sistema`.
  explicit frmOrbelux(HINSTANCE instancia, SistemaArchivos& sistema = SistemaReal());
  ~frmOrbelux() override;
  frmOrbelux(const frmOrbelux&) = delete;
  frmOrbelux& operator=(const frmOrbelux&) = delete;

  // Shows the window where the system places it, with the focus in the first box.
  void Mostrar(int como = SW_SHOWNORMAL);
  // The program's message loop: returns the exit code when the window ends the program.
  int Bucle();
  // What the loop does with one message: Tab, Enter and the rest of the dialog keys first.
  void Despachar(MSG& mensaje);
  // True once "Cerrar" or the close box has ended the program.
  bool Terminado() const { return terminado_; }

  void Form_Load();
  void cmdLista_Click();
  void cmdCerrar_Click();

  std::string TextoCaja(Caja caja) const override;
  void PonerTextoCaja(Caja caja, std::string_view texto) override;
  void PonerPuntero(Puntero puntero) override;
  void MostrarAviso(std::string_view texto, std::string_view titulo) override;
  void EnfocarCaja(Caja caja) override;

  // Every message of the window goes through here; tests may replace it.
  void PonerMostradorAvisos(MostradorAvisos mostrador);
  // The real one: MessageBoxW with the exclamation icon and one OK button.
  static void AvisoModal(HWND ventana, const std::wstring& texto, const std::wstring& titulo);

  HWND hwnd() const { return hwnd_; }
  HWND caja(Caja caja) const;
  // A control by its name in the layout table ("cmdLista", "lblSimb_6"), or nullptr.
  HWND Control(std::string_view nombre) const;
  // The resolution the window is laid out for, and the font it gave its controls.
  int Ppp() const { return ppp_; }
  HFONT Fuente() const { return fuente_.get(); }
  Puntero PunteroActual() const { return puntero_; }

 private:
  static LRESULT CALLBACK Procedimiento(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l);
  LRESULT Mensaje(UINT mensaje, WPARAM w, LPARAM l);
  void CrearControles();
  // Places every control, sizes the window and chooses the font for `ppp` dots per inch.
  void Disponer(int ppp, const RECT* sugerido);
  void ElegirFuente();
  void DescartarPulsacionesPendientes();

  HINSTANCE instancia_;
  SistemaArchivos& sistema_;
  MostradorAvisos mostrador_ = &frmOrbelux::AvisoModal;
  HWND hwnd_ = nullptr;
  std::vector<std::pair<std::string_view, HWND>> controles_;
  HWND cajas_[kNumCajas] = {};
  HWND cmdLista_ = nullptr;
  HWND cmdCerrar_ = nullptr;
  HWND foco_guardado_ = nullptr;
  FuenteGdi fuente_;
  MapaDeBits emblema_;
  int ppp_ = 96;
  Puntero puntero_ = Puntero::Predeterminado;
  bool en_marcha_ = false;
  bool terminado_ = false;
};

// The whole window program: the window, shown as `como` asks, and its message loop; returns
// the program's exit code (1, after a message, if the window cannot be made).
int Programa(HINSTANCE instancia, int como);

}  // namespace orbelux::win32
