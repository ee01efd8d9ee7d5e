// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/win32/caption_fit.h"

namespace orbelux::win32 {

FuenteCandidata FuenteQueCabe(double puntos_base, bool hay_estrecha,
                              const std::function<bool(const FuenteCandidata&)>& cabe_todo) {
  FuenteCandidata candidata{false, puntos_base};
  if (cabe_todo(candidata)) return candidata;
  candidata.estrecha = hay_estrecha;
  if (hay_estrecha && cabe_todo(candidata)) return candidata;
  while (candidata.puntos - 0.5 >= kPuntosMinimos) {
    candidata.puntos -= 0.5;
    if (cabe_todo(candidata)) return candidata;
  }
  return candidata;
}

}  // namespace orbelux::win32
