// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the user finds it: its controls and their places, the start texts, focus
// and Tab, Enter, and the two ways out.
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>

#include <set>

#include "window_fixture.h"

namespace orbelux::prueba {
namespace {

// ---- Every control against the layout, in twips (15 to the pixel) ------------------------

struct FilaControl {
  const char* nombre;
  const char* contenedor;  // objectName of the parent
  const char* titulo;      // nullptr for the text boxes, which have none
  int left, top, width, height;
};

void PrintTo(const FilaControl& fila, std::ostream* salida) { *salida << fila.nombre; }

constexpr const char* kVentana = "frmOrbelux";
constexpr const char* kMarco = "frmFiltros";

const FilaControl kControles[] = {
    {"frmFiltros", kVentana, "Filtros", 1440, 120, 7695, 3015},
    {"Image1", kVentana, "", 120, 240, 1200, 1440},
    {"cmdLista", kVentana, "Generar Lista", 120, 1920, 1215, 495},
    {"cmdCerrar", kVentana, "Cerrar", 120, 2640, 1215, 495},
    {"txtARh_min", kMarco, nullptr, 1080, 480, 375, 285},
    {"txtARm_min", kMarco, nullptr, 1800, 480, 375, 285},
    {"txtARs_min", kMarco, nullptr, 2640, 480, 735, 285},
    {"txtARh_max", kMarco, nullptr, 1080, 1080, 375, 285},
    {"txtARm_max", kMarco, nullptr, 1800, 1080, 375, 285},
    {"txtARs_max", kMarco, nullptr, 2640, 1080, 735, 285},
    {"txtDECg_min", kMarco, nullptr, 5040, 480, 375, 285},
    {"txtDECm_min", kMarco, nullptr, 5760, 480, 375, 285},
    {"txtDECs_min", kMarco, nullptr, 6480, 480, 735, 285},
    {"txtDECg_max", kMarco, nullptr, 5040, 1080, 375, 285},
    {"txtDECm_max", kMarco, nullptr, 5760, 1080, 375, 285},
    {"txtDECs_max", kMarco, nullptr, 6480, 1080, 735, 285},
    {"txtNumero_min", kMarco, nullptr, 2400, 1800, 975, 285},
    {"txtNumero_max", kMarco, nullptr, 2400, 2280, 975, 285},
    {"txtMag_min", kMarco, nullptr, 5640, 1800, 735, 285},
    {"txtMag_max", kMarco, nullptr, 5640, 2280, 735, 285},
    {"lblARmin", kMarco, "A.R. min:", 240, 480, 1095, 285},
    {"lblARmax", kMarco, "A.R. max.:", 240, 1080, 1095, 285},
    {"lblDECmin", kMarco, "DEC. min.:", 4080, 480, 1095, 285},
    {"lblDECmax", kMarco, "DEC. max.:", 4080, 1080, 1095, 285},
    {"lblNummin", kMarco, "Numero min.:", 1320, 1800, 1095, 285},
    {"lblMunmax", kMarco, "Numero max.:", 1320, 2280, 1095, 285},
    {"lblMagmin", kMarco, "Mag. min.:", 4800, 1800, 1095, 285},
    {"lblMagmax", kMarco, "Mag. max.:", 4800, 2280, 1095, 285},
    {"lblSimb_0", kMarco, "h.", 1560, 480, 255, 285},
    {"lblSimb_1", kMarco, "h.", 1560, 1080, 255, 285},
    {"lblSimb_2", kMarco, "m.", 2280, 1080, 255, 285},
    {"lblSimb_3", kMarco, "m.", 2280, 480, 255, 285},
    {"lblSimb_4", kMarco, "s.", 3480, 480, 255, 285},
    {"lblSimb_5", kMarco, "s.", 3480, 1080, 255, 285},
    {"lblSimb_6", kMarco, "\u00BA", 5520, 480, 255, 285},
    {"lblSimb_7", kMarco, "\u00BA", 5520, 1080, 255, 285},
    {"lblSimb_8", kMarco, "'", 6240, 480, 255, 285},
    {"lblSimb_9", kMarco, "'", 6240, 1080, 255, 285},
    {"lblSimb_10", kMarco, "\"", 7320, 480, 255, 285},
    {"lblSimb_11", kMarco, "\"", 7320, 1080, 255, 285},
};

class ControlesDeLaVentana : public ::testing::TestWithParam<FilaControl> {
 protected:
  frmOrbelux ventana_;
};

TEST_P(ControlesDeLaVentana, EstaDondeDiceLaTablaConSuTitulo) {
  const FilaControl& fila = GetParam();
  const auto* control = ventana_.findChild<QWidget*>(QString::fromLatin1(fila.nombre));
  ASSERT_NE(control, nullptr);
  ASSERT_NE(control->parentWidget(), nullptr);
  EXPECT_EQ(control->parentWidget()->objectName(), QString::fromLatin1(fila.contenedor));
  EXPECT_EQ(control->geometry(),
            QRect(fila.left / 15, fila.top / 15, fila.width / 15, fila.height / 15));

  QString titulo;
  if (const auto* rotulo = qobject_cast<const QLabel*>(control)) {
    titulo = rotulo->text();
    EXPECT_EQ(rotulo->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  } else if (const auto* boton = qobject_cast<const QPushButton*>(control)) {
    titulo = boton->text();
  } else if (const auto* marco = qobject_cast<const QGroupBox*>(control)) {
    titulo = marco->title();
  } else {
    ASSERT_NE(qobject_cast<const QLineEdit*>(control), nullptr) << "an unexpected kind";
  }
  if (fila.titulo != nullptr) {
    EXPECT_EQ(titulo, QString::fromUtf8(fila.titulo));
  }
  // No caption has an access key.
  EXPECT_FALSE(titulo.contains(QLatin1Char('&')));
}

INSTANTIATE_TEST_SUITE_P(Tabla, ControlesDeLaVentana, ::testing::ValuesIn(kControles),
                         [](const auto& info) { return std::string(info.param.nombre); });

// ---- The window itself -------------------------------------------------------------------

TEST(Ventana, FijaConSoloLaCajaDeCerrarYElSistemaLaColoca) {
  frmOrbelux ventana;
  EXPECT_EQ(ventana.objectName(), QStringLiteral("frmOrbelux"));
  EXPECT_EQ(ventana.windowTitle(), QStringLiteral("Genera Lista de Asteroides"));
  EXPECT_EQ(ventana.size(), QSize(9285 / 15, 3390 / 15));
  EXPECT_EQ(ventana.minimumSize(), ventana.maximumSize()) << "the user cannot resize it";
  const Qt::WindowFlags banderas = ventana.windowFlags();
  EXPECT_TRUE(banderas.testFlag(Qt::Window));
  EXPECT_TRUE(banderas.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(banderas.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(banderas.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(banderas.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(ventana.testAttribute(Qt::WA_Moved)) << "placed by the program, not the system";
}

// At most 16 colours, counting the transparent one, and transparent around the picture.
void EsIconoDe16Colores(const QImage& imagen) {
  std::set<QRgb> colores;
  for (int y = 0; y < imagen.height(); ++y) {
    for (int x = 0; x < imagen.width(); ++x) colores.insert(imagen.pixel(x, y));
  }
  EXPECT_LE(colores.size(), 16u);
  EXPECT_EQ(qAlpha(imagen.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(imagen.pixel(imagen.width() - 1, imagen.height() - 1)), 0);
  EXPECT_GT(colores.size(), 4u) << "a drawing, not a blot";
}

TEST(Ventana, ElIconoEsLaLunaEn16Y32PixelesYLaImagenSeEscala) {
  frmOrbelux ventana;
  const QIcon icono = ventana.windowIcon();
  const QList<QSize> tamanos = icono.availableSizes();
  for (const QSize lado : {QSize(16, 16), QSize(32, 32)}) {
    SCOPED_TRACE(lado.width());
    ASSERT_TRUE(tamanos.contains(lado));
    const QImage imagen = icono.pixmap(lado).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(imagen.size(), lado);
    EsIconoDe16Colores(imagen);
  }
  const auto* imagen = ventana.findChild<QLabel*>(QStringLiteral("Image1"));
  ASSERT_NE(imagen, nullptr);
  EXPECT_EQ(imagen->pixmap().size(), QSize(80, 96));
  EXPECT_TRUE(imagen->hasScaledContents());
  EXPECT_EQ(imagen->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(imagen->focusPolicy(), Qt::NoFocus);
}

// ---- A box is drawn over the label that reaches under it ----------------------------------

struct Solape {
  const char* rotulo;
  const char* caja;
};
void PrintTo(const Solape& s, std::ostream* salida) { *salida << s.rotulo; }

const Solape kSolapes[] = {
    {"lblARmin", "txtARh_min"},   {"lblARmax", "txtARh_max"},     {"lblDECmin", "txtDECg_min"},
    {"lblDECmax", "txtDECg_max"}, {"lblNummin", "txtNumero_min"}, {"lblMunmax", "txtNumero_max"},
    {"lblMagmin", "txtMag_min"},  {"lblMagmax", "txtMag_max"},    {"lblSimb_0", "txtARm_min"},
    {"lblSimb_1", "txtARm_max"},  {"lblSimb_6", "txtDECm_min"},   {"lblSimb_7", "txtDECm_max"},
    {"lblSimb_8", "txtDECs_min"}, {"lblSimb_9", "txtDECs_max"},
};

class LaCajaTapaElRotulo : public ::testing::TestWithParam<Solape> {
 protected:
  frmOrbelux ventana_;
};

TEST_P(LaCajaTapaElRotulo, DondeSeSolapan) {
  const auto* rotulo = ventana_.findChild<QLabel*>(QString::fromLatin1(GetParam().rotulo));
  const auto* caja = ventana_.findChild<QLineEdit*>(QString::fromLatin1(GetParam().caja));
  ASSERT_TRUE(rotulo && caja);
  const QRect solape = rotulo->geometry() & caja->geometry();
  ASSERT_FALSE(solape.isEmpty());
  EXPECT_EQ(caja->parentWidget()->childAt(solape.center()), caja);
}

INSTANTIATE_TEST_SUITE_P(Tabla, LaCajaTapaElRotulo, ::testing::ValuesIn(kSolapes),
                         [](const auto& info) { return std::string(info.param.rotulo); });

// ---- Start texts, focus and Tab -----------------------------------------------------------

struct TextoInicial {
  const char* caja;
  const char* texto;
};
void PrintTo(const TextoInicial& t, std::ostream* salida) { *salida << t.caja; }

// In tab order.
const TextoInicial kTextosIniciales[] = {
    {"txtARh_min", "23"},     {"txtARm_min", "00"},      {"txtARs_min", "00"},
    {"txtARh_max", "17"},     {"txtARm_max", "00"},      {"txtARs_max", "00"},
    {"txtDECg_min", "-30"},   {"txtDECm_min", "00"},     {"txtDECs_min", "00"},
    {"txtDECg_max", "+80"},   {"txtDECm_max", "00"},     {"txtDECs_max", "00"},
    {"txtNumero_min", "400"}, {"txtNumero_max", "1400"}, {"txtMag_min", "15"},
    {"txtMag_max", "18"},
};

class TextosAlEmpezar : public ::testing::TestWithParam<TextoInicial> {
 protected:
  frmOrbelux ventana_;
};

TEST_P(TextosAlEmpezar, LaCajaMuestraSuTextoInicial) {
  const auto* caja = ventana_.findChild<QLineEdit*>(QString::fromLatin1(GetParam().caja));
  ASSERT_NE(caja, nullptr);
  EXPECT_EQ(caja->text(), QString::fromLatin1(GetParam().texto));
}

INSTANTIATE_TEST_SUITE_P(Tabla, TextosAlEmpezar, ::testing::ValuesIn(kTextosIniciales),
                         [](const auto& info) { return std::string(info.param.caja); });

class Foco : public PruebaVentana {};

TEST_F(Foco, AlEmpezarEstaEnLaPrimeraCaja) {
  Mostrar();
  EXPECT_EQ(QApplication::focusWidget(), CajaPorNombre("txtARh_min"));
}

TEST_F(Foco, TabRecorreLasCajasLosBotonesYVuelveALaPrimera) {
  Mostrar();
  std::vector<std::string> esperado;
  for (const TextoInicial& t : kTextosIniciales) esperado.emplace_back(t.caja);
  esperado.insert(esperado.end(), {"cmdLista", "cmdCerrar", "txtARh_min"});

  std::vector<std::string> visto{QApplication::focusWidget()->objectName().toStdString()};
  while (visto.size() < esperado.size()) {
    QWidget* antes = QApplication::focusWidget();
    ASSERT_NE(antes, nullptr);
    QTest::keyClick(antes, Qt::Key_Tab);
    visto.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(visto, esperado);
}

TEST_F(Foco, NiLosRotulosNiElMarcoNiLaImagenLoToman) {
  for (const QWidget* control : ventana_.findChildren<QWidget*>()) {
    if (qobject_cast<const QLabel*>(control) || qobject_cast<const QGroupBox*>(control)) {
      EXPECT_EQ(control->focusPolicy(), Qt::NoFocus) << control->objectName().toStdString();
    }
  }
}

// ---- Enter presses "Generar Lista" --------------------------------------------------------

struct Intro {
  const char* nombre;
  const char* receptor;
  Qt::Key tecla;
  int esperado;  // presses of "Generar Lista"
};
void PrintTo(const Intro& i, std::ostream* salida) { *salida << i.nombre; }

const Intro kIntros[] = {
    {"ReturnEnTxtARh_min", "txtARh_min", Qt::Key_Return, 1},
    {"ReturnEnTxtDECs_max", "txtDECs_max", Qt::Key_Return, 1},
    {"ReturnEnTxtMag_max", "txtMag_max", Qt::Key_Return, 1},
    {"EnterDelTecladoNumerico", "txtNumero_min", Qt::Key_Enter, 1},
    {"ReturnEnElBotonPorDefecto", "cmdLista", Qt::Key_Return, 1},
    {"OtraTeclaNoLoPulsa", "txtARm_min", Qt::Key_Escape, 0},
};

class IntroPulsaGenerarLista : public PruebaVentana, public ::testing::WithParamInterface<Intro> {};

TEST_P(IntroPulsaGenerarLista, DesdeCualquierCaja) {
  EscribirCatalogo("");
  Mostrar();
  QWidget* receptor = ventana_.findChild<QWidget*>(QString::fromLatin1(GetParam().receptor));
  ASSERT_NE(receptor, nullptr);
  receptor->setFocus();
  QSignalSpy pulsaciones(Boton("cmdLista"), &QPushButton::clicked);
  QTest::keyClick(receptor, GetParam().tecla,
                  GetParam().tecla == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
  EXPECT_EQ(pulsaciones.count(), GetParam().esperado);
  EXPECT_EQ(sistema_.lecturas, GetParam().esperado) << "each press is one run";
}

INSTANTIATE_TEST_SUITE_P(Tabla, IntroPulsaGenerarLista, ::testing::ValuesIn(kIntros),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(IntroPulsaGenerarLista, ElBotonPorDefectoEsGenerarLista) {
  EXPECT_TRUE(Boton("cmdLista")->isDefault());
  EXPECT_FALSE(Boton("cmdCerrar")->isDefault());
}

// ---- The ways out -------------------------------------------------------------------------

class Salida : public PruebaVentana {
 protected:
  // Runs the application's loop until something ends it; a watchdog fails a test that
  // would otherwise wait for ever.
  int EjecutarHastaQueTermine(const std::function<void()>& accion) {
    bool vencido = false;
    QTimer::singleShot(0, &ventana_, accion);
    QTimer guardian;
    guardian.setSingleShot(true);
    QObject::connect(&guardian, &QTimer::timeout, [&] {
      vencido = true;
      QCoreApplication::exit(99);
    });
    guardian.start(5000);
    const int codigo = QApplication::exec();
    EXPECT_FALSE(vencido) << "the loop did not end";
    return codigo;
  }
};

TEST_F(Salida, CerrarTerminaElBucleSinPreguntarNiGuardar) {
  Mostrar();
  CajaPorNombre("txtARh_min")->setText(QStringLiteral("algo escrito"));
  const int codigo =
      EjecutarHastaQueTermine([this] { QTest::mouseClick(Boton("cmdCerrar"), Qt::LeftButton); });
  EXPECT_EQ(codigo, 0);
  EXPECT_TRUE(avisos_.empty());
  EXPECT_EQ(sistema_.lecturas, 0) << "no run";
  EXPECT_EQ(directorio_.Listado(), "") << "nothing saved";
}

TEST_F(Salida, LaCajaDeCerrarTambienTermina) {
  Mostrar();
  const int codigo = EjecutarHastaQueTermine([this] { ventana_.close(); });
  EXPECT_EQ(codigo, 0);
  EXPECT_TRUE(avisos_.empty());
  EXPECT_EQ(directorio_.Listado(), "");
}

// ---- Box texts cross to the run as UTF-8, whatever their length ---------------------------

struct TextoCualquiera {
  const char* nombre;
  std::string texto;
};
void PrintTo(const TextoCualquiera& t, std::ostream* salida) { *salida << t.nombre; }

class TextosDeLasCajas : public PruebaVentana,
                         public ::testing::WithParamInterface<TextoCualquiera> {};

TEST_P(TextosDeLasCajas, IdaYVuelta) {
  for (const Caja caja : kCajas) {
    SCOPED_TRACE(std::string(NombreCaja(caja)));
    ventana_.PonerTextoCaja(caja, GetParam().texto);
    EXPECT_EQ(ventana_.caja(caja)->text(), QString::fromStdString(GetParam().texto));
    EXPECT_EQ(ventana_.TextoCaja(caja), GetParam().texto);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, TextosDeLasCajas,
    ::testing::Values(TextoCualquiera{"Vacio", ""},
                      TextoCualquiera{"Acentos", "\u00BA\u00F1\u20AC"},
                      TextoCualquiera{"FueraDeWindows1252", "\u263E \U0001F52D"},
                      TextoCualquiera{"MasDe32767Caracteres", std::string(40000, '7')}),
    [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::prueba
