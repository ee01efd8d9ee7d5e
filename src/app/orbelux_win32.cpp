// SPDX-License-Identifier: GPL-3.0-or-later
// The window program on Windows: it lives as long as its one window.
// windows.h first: commctrl.h builds on it.
#include "window/win32/main_window_win32.h"

#include <commctrl.h>

#include <exception>

// C linkage: the C runtime calls it by this name.
extern "C" int WINAPI wWinMain(HINSTANCE instancia, HINSTANCE, PWSTR, int como) {
  // The system's current controls (the manifest asks for them) once they are registered.
  INITCOMMONCONTROLSEX controles{sizeof controles, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controles);
  try {
    orbelux::win32::frmOrbelux ventana(instancia);
    ventana.Mostrar(como);
    return ventana.Bucle();
  } catch (const std::exception&) {
    MessageBoxW(nullptr, L"No se puede abrir la ventana.", L"Genera Lista de Asteroides",
                MB_OK | MB_ICONEXCLAMATION);
    return 1;
  }
}
