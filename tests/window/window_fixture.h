// SPDX-License-Identifier: GPL-3.0-or-later
// What the window's tests share: a file system that reports each run from inside it, a
// window in a fresh working folder whose messages are recorded instead of shown, and a
// closer for the real message boxes so that no test waits on one.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/faulty_fs.h"
#include "support/temp_dir.h"
#include "support/watched_fs.h"
#include "window/main_window.h"

namespace orbelux::prueba {

// What the window's pointer was at some moment of a run.
struct PunteroVisto {
  Qt::CursorShape ventana;     // the widget's cursor
  Qt::CursorShape plataforma;  // what the window system was given
  bool de_aplicacion;          // an application-wide override cursor was in place
  Qt::CursorShape cajas;       // the boxes' when they all agree, else BitmapCursor
};

inline PunteroVisto VerPuntero(const QWidget& ventana) {
  const QWindow* ventana_sistema = ventana.windowHandle();
  const QList<QLineEdit*> cajas = ventana.findChildren<QLineEdit*>();
  Qt::CursorShape de_las_cajas =
      cajas.isEmpty() ? Qt::BitmapCursor : cajas.front()->cursor().shape();
  for (const QLineEdit* caja : cajas) {
    if (caja->cursor().shape() != de_las_cajas) de_las_cajas = Qt::BitmapCursor;
  }
  return {ventana.cursor().shape(),
          ventana_sistema ? ventana_sistema->cursor().shape() : Qt::BitmapCursor,
          QGuiApplication::overrideCursor() != nullptr, de_las_cajas};
}

struct AvisoRecibido {
  QString titulo;
  QString texto;
  PunteroVisto puntero;
};

// A window on a fresh, current working folder, its messages recorded in `avisos`.
class PruebaVentana : public ::testing::Test {
 protected:
  PruebaVentana();

  QLineEdit* CajaPorNombre(const char* nombre) const;
  QPushButton* Boton(const char* nombre) const;
  // Shows the window and waits until it is active, as a user would find it.
  void Mostrar();
  void EscribirCatalogo(std::string_view contenido) const;

  DirectorioTemporal directorio_{true};
  SistemaVigilado sistema_;
  frmOrbelux ventana_{sistema_};
  std::vector<AvisoRecibido> avisos_;
};

// Dismisses with OK every message box that opens while it lives, recording what it showed.
class CerradorDeAvisos {
 public:
  struct Visto {
    QString titulo;
    QString texto;
    QMessageBox::Icon icono;
    QMessageBox::StandardButtons botones;
    bool modal;
    Qt::CursorShape puntero_caja;
    Qt::CursorShape puntero_ventana;
    bool puntero_de_aplicacion;
  };

  explicit CerradorDeAvisos(const QWidget& ventana);
  std::vector<Visto> vistos;

 private:
  void Revisar();
  const QWidget& ventana_;
  QTimer reloj_;
};

}  // namespace orbelux::prueba
