// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the user finds it: its controls and their places, the start texts, focus
// and Tab, Enter, and the two ways out.
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "window/layout/layout.h"
#include "window_fixture.h"

namespace orbelux::prueba {
namespace {

// ---- Every control where the layout table puts it, in twips (15 to the pixel) -------------

namespace capa = disposicion;

struct FilaControl {
  std::string nombre;
  std::string contenedor;             // objectName of the parent
  std::optional<std::string> titulo;  // none for the text boxes
  capa::Rectangulo twips;
};

void PrintTo(const FilaControl& fila, std::ostream* salida) { *salida << fila.nombre; }

constexpr std::string_view kVentana = "frmOrbelux";

// Every control of the table, read from the one table both windows build themselves from.
std::vector<FilaControl> ControlesDeLaTabla() {
  std::vector<FilaControl> filas;
  for (const capa::ControlVentana& c :
       {capa::kMarco, capa::kImagen, capa::kBotonLista, capa::kBotonCerrar}) {
    filas.push_back({std::string(c.nombre), std::string(kVentana), std::string(c.titulo), c.twips});
  }
  const std::string marco(capa::kMarco.nombre);
  for (const capa::CajaFiltro& c : capa::kCajasFiltro) {
    filas.push_back({std::string(NombreCaja(c.caja)), marco, std::nullopt, c.twips});
  }
  for (const capa::Rotulo& r : capa::kRotulos) {
    filas.push_back({std::string(r.nombre), marco, std::string(r.titulo), r.twips});
  }
  return filas;
}

TEST(TablaDeControles, LaVentanaTieneTodosYNingunoMas) {
  frmOrbelux ventana;
  const std::vector<FilaControl> filas = ControlesDeLaTabla();
  EXPECT_EQ(filas.size(), 40u);
  std::set<std::string> en_la_tabla;
  for (const FilaControl& fila : filas) en_la_tabla.insert(fila.nombre);
  EXPECT_EQ(en_la_tabla.size(), filas.size()) << "a name twice";
  for (const QWidget* control : ventana.findChildren<QWidget*>()) {
    if (control->objectName().isEmpty()) continue;  // the frame's own inner parts
    EXPECT_TRUE(en_la_tabla.contains(control->objectName().toStdString()))
        << control->objectName().toStdString();
  }
}

class ControlesDeLaVentana : public ::testing::TestWithParam<FilaControl> {
 protected:
  frmOrbelux ventana_;
};

TEST_P(ControlesDeLaVentana, EstaDondeDiceLaTablaConSuTitulo) {
  const FilaControl& fila = GetParam();
  const auto* control = ventana_.findChild<QWidget*>(QString::fromStdString(fila.nombre));
  ASSERT_NE(control, nullptr);
  ASSERT_NE(control->parentWidget(), nullptr);
  EXPECT_EQ(control->parentWidget()->objectName(), QString::fromStdString(fila.contenedor));
  EXPECT_EQ(control->geometry(), QRect(fila.twips.left / 15, fila.twips.top / 15,
                                       fila.twips.width / 15, fila.twips.height / 15));

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
  if (fila.titulo) {
    EXPECT_EQ(titulo, QString::fromStdString(*fila.titulo));
  }
  // No caption has an access key.
  EXPECT_FALSE(titulo.contains(QLatin1Char('&')));
}

INSTANTIATE_TEST_SUITE_P(Tabla, ControlesDeLaVentana, ::testing::ValuesIn(ControlesDeLaTabla()),
                         [](const auto& info) { return info.param.nombre; });

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
