// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/caption_font.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace orbelux {

bool CabeEn(const QFont& fuente, const HuecoTexto& hueco) {
  const QFontMetrics medidas(fuente);
  return medidas.horizontalAdvance(hueco.texto) <= hueco.espacio.width() &&
         medidas.height() <= hueco.espacio.height();
}

QFont FuenteQueCabe(const QFont& base, std::span<const HuecoTexto> huecos) {
  const auto cabe_todo = [&](const QFont& fuente) {
    return std::all_of(huecos.begin(), huecos.end(),
                       [&](const HuecoTexto& hueco) { return CabeEn(fuente, hueco); });
  };
  if (cabe_todo(base)) return base;

  // Without the condensed face (a machine lacking it) only the size goes down.
  QFont estrecha = base;
  estrecha.setFamilies(QStringList{QString::fromLatin1(kFamiliaEstrecha)});
  const bool hay_estrecha = QFontInfo(estrecha).family().compare(QLatin1String(kFamiliaEstrecha),
                                                                 Qt::CaseInsensitive) == 0;
  QFont candidata = hay_estrecha ? estrecha : base;

  // A font set in pixels has no point size; measure it in points at the screen's resolution.
  double puntos = base.pointSizeF() > 0 ? base.pointSizeF() : QFontInfo(base).pointSizeF();
  if (hay_estrecha) {
    candidata.setPointSizeF(puntos);
    if (cabe_todo(candidata)) return candidata;
  }
  while (puntos - 0.5 >= kPuntosMinimos) {
    puntos -= 0.5;
    candidata.setPointSizeF(puntos);
    if (cabe_todo(candidata)) return candidata;
  }
  candidata.setPointSizeF(puntos);
  return candidata;
}

}  // namespace orbelux
