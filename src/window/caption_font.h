// SPDX-License-Identifier: GPL-3.0-or-later
// The window keeps its geometry in fixed pixels, so its captions must fit the room the
// layout gives them. When the platform's font is too wide, a narrower face or a smaller size
// is chosen instead.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>

#include <span>

namespace orbelux {

// A caption and the room in which it must be seen whole, in logical pixels.
struct HuecoTexto {
  QString texto;
  QSize espacio;
};

inline constexpr double kPuntosMinimos = 7.0;
inline constexpr const char* kFamiliaEstrecha = "DejaVu Sans Condensed";

bool CabeEn(const QFont& fuente, const HuecoTexto& hueco);

// `base` itself when every caption fits in it; otherwise the first that fits of: the
// condensed face at the same size, then 0.5 pt smaller each time down to kPuntosMinimos.
// If none fits, the smallest one tried; a base already below kPuntosMinimos keeps its size.
QFont FuenteQueCabe(const QFont& base, std::span<const HuecoTexto> huecos);

}  // namespace orbelux
