// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window keeps its geometry in twips, so its captions must fit the room the layout
// gives them in the system's message font. When they do not, the Qt window's rule applies: a
// narrower face at the same size, then half a point smaller each time, never below 7 pt.
#pragma once

#include <functional>

namespace orbelux::win32 {

inline constexpr double kPuntosMinimos = 7.0;

struct FuenteCandidata {
  bool estrecha;  // the narrow face instead of the message font's own
  double puntos;

  friend bool operator==(const FuenteCandidata&, const FuenteCandidata&) = default;
};

// The first candidate in which every caption fits: the base (the message font at its own
// size), then the narrow face at the same size when there is one, then smaller sizes of the
// narrow face (or of the base without it) down to kPuntosMinimos. If none fits, the smallest
// tried; a base already below kPuntosMinimos keeps its size.
FuenteCandidata FuenteQueCabe(double puntos_base, bool hay_estrecha,
                              const std::function<bool(const FuenteCandidata&)>& cabe_todo);

}  // namespace orbelux::win32
