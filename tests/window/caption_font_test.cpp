// SPDX-License-Identifier: GPL-3.0-or-later
// Every caption is seen whole in the room the layout gives it, whatever the platform's font.
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

#include <optional>

#include "window/caption_font.h"
#include "window_fixture.h"

namespace orbelux::prueba {
namespace {

// The visible room of each caption, in twips: from its left edge to the first box to its
// right in the same row, or its own width when no box is nearer.
struct Hueco {
  const char* control;
  int ancho;
  int alto;
};
void PrintTo(const Hueco& h, std::ostream* salida) { *salida << h.control; }

const Hueco kHuecos[] = {
    {"lblARmin", 1080 - 240, 285},   {"lblARmax", 1080 - 240, 285},
    {"lblDECmin", 5040 - 4080, 285}, {"lblDECmax", 5040 - 4080, 285},
    {"lblNummin", 2400 - 1320, 285}, {"lblMunmax", 2400 - 1320, 285},
    {"lblMagmin", 5640 - 4800, 285}, {"lblMagmax", 5640 - 4800, 285},
    {"lblSimb_0", 1800 - 1560, 285}, {"lblSimb_1", 1800 - 1560, 285},
    {"lblSimb_2", 255, 285},         {"lblSimb_3", 255, 285},
    {"lblSimb_4", 255, 285},         {"lblSimb_5", 255, 285},
    {"lblSimb_6", 5760 - 5520, 285}, {"lblSimb_7", 5760 - 5520, 285},
    {"lblSimb_8", 6480 - 6240, 285}, {"lblSimb_9", 6480 - 6240, 285},
    {"lblSimb_10", 255, 285},        {"lblSimb_11", 255, 285},
    {"cmdLista", 1215, 495},         {"cmdCerrar", 1215, 495},
    {"frmFiltros", 7695, 3015},
};

// The platform's own font, and fonts a desktop might have set instead.
struct FuenteDeEscritorio {
  const char* nombre;
  std::optional<QFont> fuente;
};
void PrintTo(const FuenteDeEscritorio& f, std::ostream* salida) { *salida << f.nombre; }

QFont EnPixeles(const char* familia, int pixeles) {
  QFont fuente(QString::fromLatin1(familia));
  fuente.setPixelSize(pixeles);
  return fuente;
}

const FuenteDeEscritorio kFuentes[] = {
    {"DeLaPlataforma", std::nullopt},
    {"DejaVuSans12", QFont(QStringLiteral("DejaVu Sans"), 12)},
    {"DejaVuSerif11", QFont(QStringLiteral("DejaVu Serif"), 11)},
    {"DejaVuSans16Pixeles", EnPixeles("DejaVu Sans", 16)},
    {"DejaVuSans8", QFont(QStringLiteral("DejaVu Sans"), 8)},
};

class LosTitulosCaben : public ::testing::TestWithParam<std::tuple<FuenteDeEscritorio, Hueco>> {
 protected:
  void SetUp() override {
    anterior_ = QApplication::font();
    if (const auto& fuente = std::get<0>(GetParam()).fuente) QApplication::setFont(*fuente);
    ventana_.emplace();
  }
  void TearDown() override {
    ventana_.reset();
    QApplication::setFont(anterior_);
  }
  QFont anterior_;
  std::optional<frmOrbelux> ventana_;
};

TEST_P(LosTitulosCaben, EnSuEspacioVisible) {
  const Hueco& hueco = std::get<1>(GetParam());
  const auto* control = ventana_->findChild<QWidget*>(QString::fromLatin1(hueco.control));
  ASSERT_NE(control, nullptr);
  const QFontMetrics medidas(control->font());
  QString texto;
  int ancho = hueco.ancho / 15;
  const int alto = hueco.alto / 15;
  if (const auto* rotulo = qobject_cast<const QLabel*>(control)) {
    texto = rotulo->text();
    ASSERT_EQ(rotulo->margin(), 0);
    ASSERT_EQ(rotulo->indent(), -1);
  } else if (const auto* boton = qobject_cast<const QPushButton*>(control)) {
    // What the style leaves for the text inside the button's frame and margins.
    texto = boton->text();
    QStyleOptionButton opcion;
    opcion.initFrom(boton);
    opcion.text = texto;
    ancho = std::min(
        ancho,
        boton->style()->subElementRect(QStyle::SE_PushButtonContents, &opcion, boton).width());
  } else if (const auto* marco = qobject_cast<const QGroupBox*>(control)) {
    texto = marco->title();
  }
  ASSERT_FALSE(texto.isEmpty());
  EXPECT_LE(medidas.horizontalAdvance(texto), ancho) << texto.toStdString();
  EXPECT_LE(medidas.height(), alto);
  // Never a font too small to read, unless the desktop itself chose one.
  const double puntos = QFontInfo(control->font()).pointSizeF();
  EXPECT_GE(puntos, std::min(kPuntosMinimos, QFontInfo(QApplication::font()).pointSizeF()) - 0.01);
}

INSTANTIATE_TEST_SUITE_P(Tabla, LosTitulosCaben,
                         ::testing::Combine(::testing::ValuesIn(kFuentes),
                                            ::testing::ValuesIn(kHuecos)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).nombre) + "_" +
                                  std::get<1>(info.param).control;
                         });

// ---- The choice itself --------------------------------------------------------------------

const QString kTexto = QStringLiteral("Numero max.:");

QFont Estrecha(double puntos) {
  QFont fuente(QString::fromLatin1(kFamiliaEstrecha));
  fuente.setPointSizeF(puntos);
  return fuente;
}

int Ancho(const QFont& fuente) { return QFontMetrics(fuente).horizontalAdvance(kTexto); }

TEST(FuenteQueCabe, SiYaCabeSeQuedaLaDeLaPlataforma) {
  const QFont base(QStringLiteral("DejaVu Sans"), 9);
  const HuecoTexto hueco{kTexto, QSize(Ancho(base), 40)};
  EXPECT_EQ(FuenteQueCabe(base, {&hueco, 1}), base);
}

TEST(FuenteQueCabe, PrimeroLaCaraEstrechaDelMismoTamano) {
  const QFont base(QStringLiteral("DejaVu Sans"), 9);
  ASSERT_LT(Ancho(Estrecha(9)), Ancho(base)) << "the condensed face is installed";
  const HuecoTexto hueco{kTexto, QSize(Ancho(Estrecha(9)), 40)};
  const QFont elegida = FuenteQueCabe(base, {&hueco, 1});
  EXPECT_EQ(QFontInfo(elegida).family(), QString::fromLatin1(kFamiliaEstrecha));
  EXPECT_DOUBLE_EQ(elegida.pointSizeF(), 9.0);
}

TEST(FuenteQueCabe, NuncaPorDebajoDeSietePuntos) {
  const QFont base(QStringLiteral("DejaVu Sans"), 9);
  const HuecoTexto hueco{kTexto, QSize(10, 40)};
  EXPECT_DOUBLE_EQ(FuenteQueCabe(base, {&hueco, 1}).pointSizeF(), kPuntosMinimos);
}

TEST(FuenteQueCabe, LaAlturaTambienCuenta) {
  const QFont base(QStringLiteral("DejaVu Sans"), 14);
  const HuecoTexto hueco{QStringLiteral("h."), QSize(200, QFontMetrics(Estrecha(9)).height())};
  const QFont elegida = FuenteQueCabe(base, {&hueco, 1});
  EXPECT_TRUE(CabeEn(elegida, hueco));
  EXPECT_LT(elegida.pointSizeF(), 14.0);
}

}  // namespace
}  // namespace orbelux::prueba
