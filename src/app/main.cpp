// SPDX-License-Identifier: GPL-3.0-or-later
// The window program: it lives as long as its one window.
#include <QApplication>

#include "window/main_window.h"

int main(int argc, char* argv[]) {
  QApplication aplicacion(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral(ORBELUX_APP_ID));
  QApplication::setApplicationVersion(QStringLiteral(ORBELUX_VERSION));
  orbelux::frmOrbelux ventana;
  ventana.show();
  return QApplication::exec();
}
