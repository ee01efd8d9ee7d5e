// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/main_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "window/art/emblema.xpm"
#include "window/art/luna_16.xpm"
#include "window/art/luna_32.xpm"
#include "window/caption_font.h"
#include "window/layout/layout.h"

namespace orbelux {

namespace {

namespace capa = disposicion;

// Qt's logical pixels are the layout's pixels at 96 dots per inch; Qt scales them on screens
// of higher density.
constexpr int Px(int twips) { return capa::Pixeles(twips, capa::kPuntosPorPulgadaBase); }

QRect Rect(const capa::Rectangulo& twips) {
  const capa::Rectangulo r = capa::Pixeles(twips, capa::kPuntosPorPulgadaBase);
  return {r.left, r.top, r.width, r.height};
}

QString DeUtf8(std::string_view texto) {
  return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
}

constexpr QSize kCliente{Px(capa::kAnchoCliente), Px(capa::kAltoCliente)};

QLabel* CrearRotulo(QWidget* padre, const capa::Rotulo& fila) {
  auto* rotulo = new QLabel(DeUtf8(fila.titulo), padre);
  rotulo->setObjectName(DeUtf8(fila.nombre));
  rotulo->setGeometry(Rect(fila.twips));
  rotulo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return rotulo;
}

// The part of a label that no box covers: up to the first box to its right in its row.
QSize EspacioVisible(const QLabel& rotulo, const std::array<QLineEdit*, kNumCajas>& cajas) {
  int derecha = rotulo.geometry().right() + 1;
  for (const QLineEdit* caja : cajas) {
    const QRect g = caja->geometry();
    if (g.top() == rotulo.y() && g.left() > rotulo.x()) derecha = std::min(derecha, g.left());
  }
  return {derecha - rotulo.x(), rotulo.height()};
}

}  // namespace

frmOrbelux::frmOrbelux(SistemaArchivos& sistema)
    : QWidget(nullptr,
              // A fixed frame with a close box only: no minimise, no maximise.
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                  Qt::MSWindowsFixedSizeDialogHint),
      sistema_(sistema) {
  setObjectName(QStringLiteral("frmOrbelux"));
  setWindowTitle(DeUtf8(capa::kTituloVentana));
  QIcon icono;
  icono.addPixmap(QPixmap(luna_16_xpm));
  icono.addPixmap(QPixmap(luna_32_xpm));
  setWindowIcon(icono);
  setFixedSize(kCliente);
  // No move(): the window system places it.

  CrearControles();
  ElegirFuente();
  Form_Load();
  cajas_[0]->setFocus();
}

void frmOrbelux::CrearControles() {
  frmFiltros_ = new QGroupBox(DeUtf8(capa::kMarco.titulo), this);
  frmFiltros_->setObjectName(DeUtf8(capa::kMarco.nombre));
  frmFiltros_->setGeometry(Rect(capa::kMarco.twips));

  auto* imagen = new QLabel(this);
  imagen->setObjectName(DeUtf8(capa::kImagen.nombre));
  imagen->setGeometry(Rect(capa::kImagen.twips));
  imagen->setPixmap(QPixmap(emblema_xpm));
  imagen->setScaledContents(true);

  // Labels first: siblings made later are drawn on top, and a box must cover the label
  // that reaches under it.
  for (const capa::Rotulo& fila : capa::kTitulos) CrearRotulo(frmFiltros_, fila);
  for (const capa::Rotulo& fila : capa::kSimbolos) CrearRotulo(frmFiltros_, fila);

  for (const capa::CajaFiltro& fila : capa::kCajasFiltro) {
    auto* caja = new QLineEdit(frmFiltros_);
    caja->setObjectName(DeUtf8(NombreCaja(fila.caja)));
    caja->setGeometry(Rect(fila.twips));
    caja->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // No length limit: what a run makes of a long text is the run's concern.
    caja->setMaxLength(std::numeric_limits<int>::max());
    caja->raise();
    cajas_[static_cast<std::size_t>(fila.caja)] = caja;
  }

  cmdLista_ = new QPushButton(DeUtf8(capa::kBotonLista.titulo), this);
  cmdLista_->setObjectName(DeUtf8(capa::kBotonLista.nombre));
  cmdLista_->setGeometry(Rect(capa::kBotonLista.twips));
  cmdLista_->setDefault(true);
  cmdCerrar_ = new QPushButton(DeUtf8(capa::kBotonCerrar.titulo), this);
  cmdCerrar_->setObjectName(DeUtf8(capa::kBotonCerrar.nombre));
  cmdCerrar_->setGeometry(Rect(capa::kBotonCerrar.twips));
  // Enter presses the button that has the focus, as in any dialog, and "Generar Lista"
  // from anywhere else (keyPressEvent).
  cmdLista_->setAutoDefault(true);
  cmdCerrar_->setAutoDefault(true);
  connect(cmdLista_, &QPushButton::clicked, this, [this] { cmdLista_Click(); });
  connect(cmdCerrar_, &QPushButton::clicked, this, [this] { cmdCerrar_Click(); });

  // The table's tab order; Tab from the last wraps to the first because nothing else in the
  // window takes the focus.
  QWidget* anterior = nullptr;
  for (const capa::PasoTabulacion& paso : capa::OrdenDeTabulacion()) {
    QWidget* siguiente = caja(paso.caja);
    if (paso.tipo == capa::Enfocable::BotonLista) siguiente = cmdLista_;
    if (paso.tipo == capa::Enfocable::BotonCerrar) siguiente = cmdCerrar_;
    if (anterior != nullptr) setTabOrder(anterior, siguiente);
    anterior = siguiente;
  }
}

// The geometry is fixed, so the font has to give way: keep the platform's font when every
// caption fits it, otherwise take a narrower or smaller one for the whole window.
void frmOrbelux::ElegirFuente() {
  std::vector<HuecoTexto> huecos;
  for (const QLabel* rotulo : frmFiltros_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    huecos.push_back({rotulo->text(), EspacioVisible(*rotulo, cajas_)});
  }
  for (const QPushButton* boton : {cmdLista_, cmdCerrar_}) {
    const QStyle* estilo = boton->style();
    const int margen = estilo->pixelMetric(QStyle::PM_ButtonMargin, nullptr, boton) +
                       2 * estilo->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, boton);
    huecos.push_back({boton->text(), boton->size() - QSize(margen, margen)});
  }
  // The frame's caption sits in its top edge, after a small indent on either side.
  huecos.push_back({frmFiltros_->title(), QSize(frmFiltros_->width() - 16, frmFiltros_->height())});
  setFont(FuenteQueCabe(font(), huecos));
}

void frmOrbelux::Form_Load() {
  for (const capa::CajaFiltro& fila : capa::kCajasFiltro) {
    caja(fila.caja)->setText(DeUtf8(fila.texto_inicial));
  }
}

void frmOrbelux::cmdLista_Click() {
  // Input during a run: the run holds this thread, so the window system queues what the
  // user does meanwhile. Anything that presses "Generar Lista" while a run is going on is
  // discarded, including the presses queued during the run, which are delivered at the
  // end while the run still counts as going on; other input (typing ahead, "Cerrar") is
  // delivered then as usual.
  if (en_marcha_) return;
  en_marcha_ = true;
  GenerarLista(*this, sistema_);
  QCoreApplication::processEvents();
  en_marcha_ = false;
}

void frmOrbelux::cmdCerrar_Click() {
  // The main loop returns before it delivers anything else; the window goes with main.
  QCoreApplication::exit(0);
}

std::string frmOrbelux::TextoCaja(Caja c) const { return caja(c)->text().toStdString(); }

void frmOrbelux::PonerTextoCaja(Caja c, std::string_view texto) {
  caja(c)->setText(QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size())));
}

void frmOrbelux::PonerPuntero(Puntero puntero) {
  // The window's own pointer, not the application's, so that a message box of the run
  // keeps the normal one. The boxes take it too (they have the text cursor of their own):
  // the whole window is busy.
  if (puntero == Puntero::RelojDeArena) {
    setCursor(Qt::WaitCursor);
    for (QLineEdit* c : cajas_) c->setCursor(Qt::WaitCursor);
    // The run keeps this thread until it ends. Let the window system apply the pointer
    // (and repaint the released button) now; the user's input stays queued.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  } else {
    unsetCursor();
    for (QLineEdit* c : cajas_) c->setCursor(Qt::IBeamCursor);
  }
}

void frmOrbelux::MostrarAviso(std::string_view texto, std::string_view titulo) {
  mostrador_(this, QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size())),
             QString::fromUtf8(titulo.data(), static_cast<qsizetype>(titulo.size())));
}

void frmOrbelux::EnfocarCaja(Caja c) {
  QLineEdit* destino = caja(c);
  destino->setFocus(Qt::OtherFocusReason);
  destino->selectAll();
}

void frmOrbelux::PonerMostradorAvisos(MostradorAvisos mostrador) {
  mostrador_ = mostrador ? std::move(mostrador) : MostradorAvisos(&frmOrbelux::AvisoModal);
}

void frmOrbelux::AvisoModal(QWidget* ventana, const QString& texto, const QString& titulo) {
  QMessageBox aviso(QMessageBox::Warning, titulo, texto, QMessageBox::Ok, ventana);
  aviso.exec();
}

QLineEdit* frmOrbelux::caja(Caja c) const { return cajas_[static_cast<std::size_t>(c)]; }

void frmOrbelux::keyPressEvent(QKeyEvent* evento) {
  // Enter reaches the window when a box passes it on: it presses the default button.
  const bool intro = evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter;
  if (intro && (evento->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    cmdLista_->click();
    return;
  }
  QWidget::keyPressEvent(evento);
}

}  // namespace orbelux
