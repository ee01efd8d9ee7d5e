// SPDX-License-Identifier: GPL-3.0-or-later
// Grabs the window as the program opens it into a PNG, for the README.
// Usage: QT_QPA_PLATFORM=offscreen orbelux_captura docs/ventana.png
#include <QApplication>
#include <QPixmap>

#include <cstdio>

#include "window/main_window.h"

int main(int argc, char* argv[]) {
  QApplication aplicacion(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "uso: %s <archivo .png>\n", argv[0]);
    return 2;
  }
  orbelux::frmOrbelux ventana;
  ventana.show();
  QApplication::processEvents();
  if (!ventana.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "no se puede escribir %s\n", argv[1]);
    return 1;
  }
  return 0;
}
