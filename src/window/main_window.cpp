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
#include <stdexcept>
#include <utility>
#include <vector>

#include "window/art/emblema.xpm"
#include "window/art/luna_16.xpm"
#include "window/art/luna_32.xpm"
#include "window/caption_font.h"

namespace orbelux {

namespace {

// The layout is drawn in twips, 15 to the pixel at 96 dots per inch; Qt's logical pixels
// scale it on screens of higher density. A value that is no multiple of 15 does not compile.
struct Twips {
  int valor;
  // Implicit, so that the tables below read as plain numbers.
  consteval Twips(int twips) : valor(twips) {
    if (twips % 15 != 0) throw std::logic_error("not a whole pixel");
  }
  constexpr int px() const { return valor / 15; }
};

QRect Rect(Twips left, Twips top, Twips width, Twips height) {
  return {left.px(), top.px(), width.px(), height.px()};
}

constexpr QSize kCliente{Twips(9285).px(), Twips(3390).px()};
constexpr Twips kAltoCaja = 285;
constexpr Twips kAltoRotulo = 285;

// Inside the frame, positions are from its top-left outer corner.
struct FilaCaja {
  Caja caja;
  Twips left, top, width;
  const char* texto_inicial;
};
constexpr std::array<FilaCaja, kNumCajas> kCajasFiltro{{
    {Caja::txtARh_min, 1080, 480, 375, "23"},
    {Caja::txtARm_min, 1800, 480, 375, "00"},
    {Caja::txtARs_min, 2640, 480, 735, "00"},
    {Caja::txtARh_max, 1080, 1080, 375, "17"},
    {Caja::txtARm_max, 1800, 1080, 375, "00"},
    {Caja::txtARs_max, 2640, 1080, 735, "00"},
    {Caja::txtDECg_min, 5040, 480, 375, "-30"},
    {Caja::txtDECm_min, 5760, 480, 375, "00"},
    {Caja::txtDECs_min, 6480, 480, 735, "00"},
    {Caja::txtDECg_max, 5040, 1080, 375, "+80"},
    {Caja::txtDECm_max, 5760, 1080, 375, "00"},
    {Caja::txtDECs_max, 6480, 1080, 735, "00"},
    {Caja::txtNumero_min, 2400, 1800, 975, "400"},
    {Caja::txtNumero_max, 2400, 2280, 975, "1400"},
    {Caja::txtMag_min, 5640, 1800, 735, "15"},
    {Caja::txtMag_max, 5640, 2280, 735, "18"},
}};

// The table is in tab order, which is also the order of the boxes in a run.
constexpr bool EnOrdenDeTabulacion() {
  for (std::size_t i = 0; i < kNumCajas; ++i) {
    if (kCajasFiltro[i].caja != kCajas[i]) return false;
  }
  return true;
}
static_assert(EnOrdenDeTabulacion());

struct FilaRotulo {
  const char* nombre;
  const char* texto;  // UTF-8
  Twips left, top, width;
};
constexpr Twips kAnchoTitulo = 1095;
constexpr Twips kAnchoSimbolo = 255;
constexpr std::array<FilaRotulo, 8> kTitulos{{
    {"lblARmin", "A.R. min:", 240, 480, kAnchoTitulo},
    {"lblARmax", "A.R. max.:", 240, 1080, kAnchoTitulo},
    {"lblDECmin", "DEC. min.:", 4080, 480, kAnchoTitulo},
    {"lblDECmax", "DEC. max.:", 4080, 1080, kAnchoTitulo},
    {"lblNummin", "Numero min.:", 1320, 1800, kAnchoTitulo},
    {"lblMunmax", "Numero max.:", 1320, 2280, kAnchoTitulo},
    {"lblMagmin", "Mag. min.:", 4800, 1800, kAnchoTitulo},
    {"lblMagmax", "Mag. max.:", 4800, 2280, kAnchoTitulo},
}};
// lblSimb, by index. Unlike their neighbours, 2 stands in the row of the upper bounds and 3 in
// that of the lower bounds.
constexpr std::array<FilaRotulo, 12> kSimbolos{{
    {"lblSimb_0", "h.", 1560, 480, kAnchoSimbolo},
    {"lblSimb_1", "h.", 1560, 1080, kAnchoSimbolo},
    {"lblSimb_2", "m.", 2280, 1080, kAnchoSimbolo},
    {"lblSimb_3", "m.", 2280, 480, kAnchoSimbolo},
    {"lblSimb_4", "s.", 3480, 480, kAnchoSimbolo},
    {"lblSimb_5", "s.", 3480, 1080, kAnchoSimbolo},
    {"lblSimb_6", "\u00BA", 5520, 480, kAnchoSimbolo},
    {"lblSimb_7", "\u00BA", 5520, 1080, kAnchoSimbolo},
    {"lblSimb_8", "'", 6240, 480, kAnchoSimbolo},
    {"lblSimb_9", "'", 6240, 1080, kAnchoSimbolo},
    {"lblSimb_10", "\"", 7320, 480, kAnchoSimbolo},
    {"lblSimb_11", "\"", 7320, 1080, kAnchoSimbolo},
}};

QLabel* CrearRotulo(QWidget* padre, const FilaRotulo& fila) {
  auto* rotulo = new QLabel(QString::fromUtf8(fila.texto), padre);
  rotulo->setObjectName(QString::fromLatin1(fila.nombre));
  rotulo->setGeometry(Rect(fila.left, fila.top, fila.width, kAltoRotulo));
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
  setWindowTitle(QStringLiteral("Genera Lista de Asteroides"));
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
  frmFiltros_ = new QGroupBox(QStringLiteral("Filtros"), this);
  frmFiltros_->setObjectName(QStringLiteral("frmFiltros"));
  frmFiltros_->setGeometry(Rect(1440, 120, 7695, 3015));

  auto* imagen = new QLabel(this);
  imagen->setObjectName(QStringLiteral("Image1"));
  imagen->setGeometry(Rect(120, 240, 1200, 1440));
  imagen->setPixmap(QPixmap(emblema_xpm));
  imagen->setScaledContents(true);

  // Labels first: siblings made later are drawn on top, and a box must cover the label
  // that reaches under it.
  for (const FilaRotulo& fila : kTitulos) CrearRotulo(frmFiltros_, fila);
  for (const FilaRotulo& fila : kSimbolos) CrearRotulo(frmFiltros_, fila);

  for (const FilaCaja& fila : kCajasFiltro) {
    auto* caja = new QLineEdit(frmFiltros_);
    caja->setObjectName(QString::fromLatin1(NombreCaja(fila.caja).data(),
                                            static_cast<qsizetype>(NombreCaja(fila.caja).size())));
    caja->setGeometry(Rect(fila.left, fila.top, fila.width, kAltoCaja));
    caja->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // No length limit: what a run makes of a long text is the run's concern.
    caja->setMaxLength(std::numeric_limits<int>::max());
    caja->raise();
    cajas_[static_cast<std::size_t>(fila.caja)] = caja;
  }

  cmdLista_ = new QPushButton(QStringLiteral("Generar Lista"), this);
  cmdLista_->setObjectName(QStringLiteral("cmdLista"));
  cmdLista_->setGeometry(Rect(120, 1920, 1215, 495));
  cmdLista_->setDefault(true);
  cmdCerrar_ = new QPushButton(QStringLiteral("Cerrar"), this);
  cmdCerrar_->setObjectName(QStringLiteral("cmdCerrar"));
  cmdCerrar_->setGeometry(Rect(120, 2640, 1215, 495));
  // Enter presses the button that has the focus, as in any dialog, and "Generar Lista"
  // from anywhere else (keyPressEvent).
  cmdLista_->setAutoDefault(true);
  cmdCerrar_->setAutoDefault(true);
  connect(cmdLista_, &QPushButton::clicked, this, [this] { cmdLista_Click(); });
  connect(cmdCerrar_, &QPushButton::clicked, this, [this] { cmdCerrar_Click(); });

  // The boxes in table order, then the two buttons; Tab from "Cerrar" wraps to the first
  // box because nothing else in the window takes the focus.
  QWidget* anterior = cajas_[0];
  for (std::size_t i = 1; i < kNumCajas; ++i) {
    setTabOrder(anterior, cajas_[i]);
    anterior = cajas_[i];
  }
  setTabOrder(anterior, cmdLista_);
  setTabOrder(cmdLista_, cmdCerrar_);
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
  for (const FilaCaja& fila : kCajasFiltro) {
    caja(fila.caja)->setText(QString::fromUtf8(fila.texto_inicial));
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
