// SPDX-License-Identifier: GPL-3.0-or-later
// Where the Win32 window puts each control at a given resolution: the layout table's twips
// moved to the client area and turned into pixels as MulDiv(twips, dpi, 1440) turns them. At
// 96 dots per inch these are the Linux window's pixels. No windows.h here, so that the
// arithmetic is tested apart from any window.
#pragma once

#include <string_view>
#include <vector>

#include "window/layout/layout.h"

namespace orbelux::win32 {

enum class TipoControl { Marco, Imagen, Boton, Caja, Rotulo };

struct Colocado {
  std::string_view nombre;
  TipoControl tipo;
  std::string_view titulo;          // UTF-8; empty for the boxes and the picture
  Caja caja;                        // for TipoControl::Caja
  disposicion::Rectangulo pixeles;  // in the window's client area
};

// Every control of the window at `ppp` dots per inch, in the order the window creates them:
// the boxes and the buttons in tab order, then the labels, the picture and the frame (each
// created one is drawn under the ones before it, so a box covers the label under it and the
// frame is drawn under everything).
std::vector<Colocado> Colocacion(int ppp);

// The client area's width and height at `ppp`.
disposicion::Rectangulo Cliente(int ppp);

}  // namespace orbelux::win32
