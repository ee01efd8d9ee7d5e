// SPDX-License-Identifier: GPL-3.0-or-later
// The window program on Windows: it lives as long as its one window.
#include "window/win32/main_window_win32.h"

// C linkage: the C runtime calls it by this name.
extern "C" int WINAPI wWinMain(HINSTANCE instancia, HINSTANCE, PWSTR, int como) {
  return orbelux::win32::Programa(instancia, como);
}
