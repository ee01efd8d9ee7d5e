// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_fixture.h"

#include <QAbstractButton>

namespace orbelux::prueba {

PruebaVentana::PruebaVentana() {
  ventana_.PonerMostradorAvisos(
      [this](QWidget* ventana, const QString& texto, const QString& titulo) {
        avisos_.push_back({titulo, texto, VerPuntero(*ventana)});
      });
}

QLineEdit* PruebaVentana::CajaPorNombre(const char* nombre) const {
  auto* caja = ventana_.findChild<QLineEdit*>(QString::fromLatin1(nombre));
  EXPECT_NE(caja, nullptr) << nombre;
  return caja;
}

QPushButton* PruebaVentana::Boton(const char* nombre) const {
  auto* boton = ventana_.findChild<QPushButton*>(QString::fromLatin1(nombre));
  EXPECT_NE(boton, nullptr) << nombre;
  return boton;
}

void PruebaVentana::Mostrar() {
  ventana_.show();
  ventana_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana_));
}

void PruebaVentana::EscribirCatalogo(std::string_view contenido) const {
  EscribirArchivo(directorio_ / "ast.dat", contenido);
}

CerradorDeAvisos::CerradorDeAvisos(const QWidget& ventana) : ventana_(ventana) {
  reloj_.setInterval(5);
  QObject::connect(&reloj_, &QTimer::timeout, [this] { Revisar(); });
  reloj_.start();
}

void CerradorDeAvisos::Revisar() {
  auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (caja == nullptr || !caja->isVisible()) return;
  vistos.push_back({caja->windowTitle(), caja->text(), caja->icon(), caja->standardButtons(),
                    caja->isModal(), caja->cursor().shape(), ventana_.cursor().shape(),
                    QGuiApplication::overrideCursor() != nullptr});
  if (QAbstractButton* ok = caja->button(QMessageBox::Ok)) {
    QTest::mouseClick(ok, Qt::LeftButton);
  }
  // Whatever the box turned out to be, it must not keep the test waiting.
  if (caja->isVisible()) caja->done(0);
}

}  // namespace orbelux::prueba
