// SPDX-License-Identifier: GPL-3.0-or-later
// A press of "Generar Lista" seen from the window: what the boxes show after it, the
// pointer while and after it works, its message boxes, and the report it leaves.
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/catalogue_lines.h"
#include "support/report_cases.h"
#include "window_fixture.h"

namespace orbelux::prueba {
namespace {

// Posicion{h, m, s, degrees, arcminutes, arcseconds, magnitude}, as the catalogue writes them.

// 1,400 lines that the default filters reject (too bright), Julian day on the first.
std::string CatalogoDeRelleno() {
  std::string catalogo;
  for (int numero = 1; numero <= 1400; ++numero) {
    catalogo += LineaCatalogo("(" + std::to_string(numero) + ") Relleno",
                              Posicion{"12", "00", "00.0", "+10", "00", "00", "  9.0"},
                              numero == 1 ? "2461388.5000" : "") +
                "\r\n";
  }
  return catalogo;
}

void CambiarLinea(std::string& catalogo, int numero, const std::string& linea) {
  catalogo.replace(static_cast<std::size_t>(numero - 1) * 64, 62, linea);
}

void Pulsar(frmOrbelux& ventana) {
  auto* boton = ventana.findChild<QPushButton*>(QStringLiteral("cmdLista"));
  ASSERT_NE(boton, nullptr);
  QTest::mouseClick(boton, Qt::LeftButton);
}

// ---- Empty boxes become "00", and only they ------------------------------------------------

class CajaVacia : public PruebaVentana, public ::testing::WithParamInterface<Caja> {};

TEST_P(CajaVacia, QuedaConCeroCeroYLasDemasComoEstaban) {
  EscribirCatalogo(CatalogoDeRelleno());
  ventana_.caja(GetParam())->clear();
  std::vector<QString> antes;
  for (const Caja caja : kCajas) antes.push_back(ventana_.caja(caja)->text());

  Pulsar(ventana_);

  for (const Caja caja : kCajas) {
    SCOPED_TRACE(std::string(NombreCaja(caja)));
    const QString esperado =
        caja == GetParam() ? QStringLiteral("00") : antes[static_cast<std::size_t>(caja)];
    EXPECT_EQ(ventana_.caja(caja)->text(), esperado);
  }
  EXPECT_TRUE(avisos_.empty());
  EXPECT_EQ(sistema_.lecturas, 1);
}

INSTANTIATE_TEST_SUITE_P(Tabla, CajaVacia, ::testing::ValuesIn(kCajas),
                         [](const auto& info) { return std::string(NombreCaja(info.param)); });

// ---- The pointer and the message of each way a run can end ---------------------------------

struct Final {
  const char* nombre;
  // Prepares the folder and the boxes.
  std::function<void(frmOrbelux&, const DirectorioTemporal&)> preparar;
  const char* texto;          // the message, or nullptr when there is none
  const char* caja_enfocada;  // where the focus goes after the message, or nullptr
  bool abre_catalogo;
};
void PrintTo(const Final& f, std::ostream* salida) { *salida << f.nombre; }

const Final kFinales[] = {
    {"Normal",
     [](frmOrbelux&, const DirectorioTemporal& d) {
       EscribirArchivo(d / "ast.dat", CatalogoDeRelleno());
     },
     nullptr, nullptr, true},
    {"ListaDemasiadoLarga",
     [](frmOrbelux&, const DirectorioTemporal& d) {
       std::string catalogo = CatalogoDeRelleno();
       // A magnitude that does not fit 16 bits overflows.
       CambiarLinea(
           catalogo, 700,
           LineaCatalogo("(700) Enorme", Posicion{"01", "00", "00.0", "+10", "00", "00", "99999"}));
       EscribirArchivo(d / "ast.dat", catalogo);
     },
     "La lista de asteroides es demasiado larga. Por favor, prueba a restringir más los límites",
     nullptr, true},
    {"SinCatalogo", [](frmOrbelux&, const DirectorioTemporal&) {}, kAvisoCatalogo.data(), nullptr,
     true},
    {"FiltroFueraDeRango",
     [](frmOrbelux& v, const DirectorioTemporal& d) {
       EscribirArchivo(d / "ast.dat", CatalogoDeRelleno());
       v.caja(Caja::txtMag_min)->setText(QStringLiteral("40000"));
     },
     "Hay un valor fuera de rango en los filtros. Por favor, corrígelo.", "txtMag_min", false},
};

class FinalDeUnaPasada : public PruebaVentana, public ::testing::WithParamInterface<Final> {
 protected:
  void SetUp() override {
    GetParam().preparar(ventana_, directorio_);
    sistema_.al_abrir = [this] { durante_.push_back(VerPuntero(ventana_)); };
  }
  std::vector<PunteroVisto> durante_;
};

void EsElRelojDeArena(const PunteroVisto& p) {
  EXPECT_EQ(p.ventana, Qt::WaitCursor);
  EXPECT_EQ(p.plataforma, Qt::WaitCursor) << "handed to the window system at once";
  EXPECT_FALSE(p.de_aplicacion) << "the window's pointer, not the application's";
  EXPECT_EQ(p.cajas, Qt::WaitCursor);
}

void EsElPredeterminado(const QWidget& ventana) {
  const PunteroVisto p = VerPuntero(ventana);
  EXPECT_EQ(p.ventana, Qt::ArrowCursor);
  EXPECT_EQ(p.plataforma, Qt::ArrowCursor);
  EXPECT_FALSE(p.de_aplicacion);
  EXPECT_EQ(p.cajas, Qt::IBeamCursor);
}

TEST_P(FinalDeUnaPasada, RelojDeArenaMientrasTrabajaYElPredeterminadoAlAcabar) {
  Mostrar();
  Pulsar(ventana_);

  ASSERT_EQ(durante_.size(), GetParam().abre_catalogo ? 1u : 0u);
  for (const PunteroVisto& p : durante_) EsElRelojDeArena(p);
  for (const AvisoRecibido& aviso : avisos_) EsElRelojDeArena(aviso.puntero);
  EsElPredeterminado(ventana_);
}

TEST_P(FinalDeUnaPasada, MuestraSuAvisoModalYElTestLoCierra) {
  Mostrar();
  ventana_.PonerMostradorAvisos(nullptr);  // the real message box
  CerradorDeAvisos cerrador(ventana_);
  Pulsar(ventana_);

  if (GetParam().texto == nullptr) {
    EXPECT_TRUE(cerrador.vistos.empty());
  } else {
    ASSERT_EQ(cerrador.vistos.size(), 1u);
    const CerradorDeAvisos::Visto& visto = cerrador.vistos.front();
    EXPECT_EQ(visto.titulo, QStringLiteral("¡Atención!"));
    EXPECT_TRUE(visto.texto.startsWith(QString::fromUtf8(GetParam().texto)))
        << visto.texto.toStdString();
    EXPECT_EQ(visto.icono, QMessageBox::Warning);
    EXPECT_EQ(visto.botones, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(visto.modal);
    EXPECT_EQ(visto.puntero_ventana, Qt::WaitCursor);
    EXPECT_EQ(visto.puntero_caja, Qt::ArrowCursor) << "the box itself keeps a normal pointer";
    EXPECT_FALSE(visto.puntero_de_aplicacion);
  }
  EsElPredeterminado(ventana_);
  if (GetParam().caja_enfocada != nullptr) {
    QLineEdit* caja = CajaPorNombre(GetParam().caja_enfocada);
    EXPECT_EQ(ventana_.focusWidget(), caja);
    // Back in the window once the box has gone, the text still selected.
    ventana_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana_));
    EXPECT_EQ(QApplication::focusWidget(), caja);
    EXPECT_EQ(caja->selectedText(), caja->text());
  }
}

INSTANTIATE_TEST_SUITE_P(Tabla, FinalDeUnaPasada, ::testing::ValuesIn(kFinales),
                         [](const auto& info) { return std::string(info.param.nombre); });

// ---- Input that arrives while a run works --------------------------------------------------

class DuranteUnaPasada : public PruebaVentana {};

TEST_F(DuranteUnaPasada, OtraPulsacionDeGenerarListaSeDescartaYLoTecleadoLlega) {
  EscribirCatalogo(CatalogoDeRelleno());
  Mostrar();
  QPushButton* boton = Boton("cmdLista");
  QLineEdit* caja = CajaPorNombre("txtDECs_max");
  sistema_.al_abrir = [&] {
    if (sistema_.lecturas > 1) return;
    // A click on the button, Enter in a box and a key typed into a box, queued while the
    // run holds the thread, as the window system would deliver them.
    const QPointF centro = QRectF(boton->rect()).center();
    for (const QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QCoreApplication::postEvent(
          boton, new QMouseEvent(tipo, centro, boton->mapToGlobal(centro), Qt::LeftButton,
                                 tipo == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                 Qt::NoModifier));
    }
    QCoreApplication::postEvent(caja,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(
        caja, new QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
    // And a direct second press from inside the run.
    ventana_.cmdLista_Click();
  };
  caja->setCursorPosition(caja->text().size());

  Pulsar(ventana_);
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();

  EXPECT_EQ(sistema_.lecturas, 1) << "one run only";
  EXPECT_EQ(caja->text(), QStringLiteral("007"));
}

// ---- End to end: the report a press writes -------------------------------------------------

class DeParteAParte : public PruebaVentana {};

TEST_F(DeParteAParte, EscribeElInformeConLosElegidosEnOrdenDeAscensionRecta) {
  std::string catalogo = CatalogoDeRelleno();
  // From 23h through 0h to 17h: 23.5h first, then 0.2h, then 16.9h.
  CambiarLinea(
      catalogo, 500,
      LineaCatalogo("(500) Tercera", Posicion{"16", "54", "00.0", "+79", "30", "00", " 16.4"}));
  CambiarLinea(
      catalogo, 600,
      LineaCatalogo("(600) Primera", Posicion{"23", "30", "00.0", "-29", "30", "00", " 17.2"}));
  CambiarLinea(
      catalogo, 700,
      LineaCatalogo("(700) Segunda", Posicion{"00", "12", "00.0", "+00", "00", "00", " 15.6"}));
  // Rejected: between 17h and 23h; magnitude rounds to 18; number is the upper bound.
  CambiarLinea(
      catalogo, 800,
      LineaCatalogo("(800) Fuera", Posicion{"20", "00", "00.0", "+10", "00", "00", " 16.0"}));
  CambiarLinea(
      catalogo, 900,
      LineaCatalogo("(900) Debil", Posicion{"01", "00", "00.0", "+10", "00", "00", " 17.5"}));
  CambiarLinea(
      catalogo, 1400,
      LineaCatalogo("(1400) Limite", Posicion{"01", "00", "00.0", "+10", "00", "00", " 16.0"}));
  EscribirCatalogo(catalogo);
  ventana_.caja(Caja::txtARs_min)->clear();
  EscribirArchivo(directorio_ / "Asteroides.txt", "un informe anterior");

  Pulsar(ventana_);

  EXPECT_TRUE(avisos_.empty());
  const std::string esperado =
      "Dia juliano: \t 2461388.5000\r\n"
      "A.R. inicial: \t 23h 00m 00s \r\n"
      "A.R. final: \t 17h 00m 00s \r\n"
      "DEC. min.: \t-30\xBA 00' 00'' \r\n"
      "DEC. max.: \t+80\xBA 00' 00'' \r\n"
      "Mag. min.: \t 15\tMag. max.:\t18\r\n"
      "Num. min.: \t 400\tNum. max.: \t1400\r\n"
      "N\xBA asteroides seleccionados en esta lista: \t 3\r\n"
      "\r\n"
      "(600) Primera           23 30 00.0  -29 30 00   17.2\r\n"
      "(700) Segunda           00 12 00.0  +00 00 00   15.6\r\n"
      "(500) Tercera           16 54 00.0  +79 30 00   16.4\r\n"
      "\r\n";
  EXPECT_EQ(LeerArchivo(directorio_ / "Asteroides.txt"), esperado);
  EXPECT_EQ(directorio_.Listado(), "Asteroides.txt ast.dat") << "no temporary file left";
}

#ifndef ORBELUX_EJEMPLOS
#error "ORBELUX_EJEMPLOS must name the folder of the sample catalogue"
#endif

// The catalogue that the run command opens the window on.
TEST_F(DeParteAParte, ElCatalogoDeEjemploDaUnasDocenasConLosFiltrosIniciales) {
  std::filesystem::copy_file(std::filesystem::path(ORBELUX_EJEMPLOS) / "ast.dat",
                             directorio_ / "ast.dat");
  Pulsar(ventana_);
  ASSERT_TRUE(avisos_.empty());

  std::istringstream informe(LeerArchivo(directorio_ / "Asteroides.txt"));
  std::vector<std::string> lineas;
  for (std::string linea; std::getline(informe, linea);) lineas.push_back(linea);
  ASSERT_GE(lineas.size(), 10u);
  EXPECT_EQ(lineas[0], "Dia juliano: \t 2461388.5000\r");
  const std::string prefijo = "N\xBA asteroides seleccionados en esta lista: \t ";
  ASSERT_EQ(lineas[7].rfind(prefijo, 0), 0u);
  const int cuenta = std::stoi(lineas[7].substr(prefijo.size()));
  EXPECT_GE(cuenta, 24);
  EXPECT_LE(cuenta, 99);
  ASSERT_EQ(lineas.size(), 9u + static_cast<std::size_t>(cuenta) + 1u);

  // From 23h on, through 0h, up to 17h.
  double anterior = 0;
  for (int i = 0; i < cuenta; ++i) {
    const std::string& linea = lineas[9 + static_cast<std::size_t>(i)];
    SCOPED_TRACE(linea);
    ASSERT_EQ(linea.size(), 53u);
    const double horas = std::stoi(linea.substr(24, 2)) + std::stoi(linea.substr(27, 2)) / 60.0 +
                         std::stod(linea.substr(30, 4)) / 3600.0;
    const double clave = horas < 17 ? horas + 24 : horas;
    EXPECT_GT(clave, 23);
    EXPECT_LT(clave, 41);
    EXPECT_GE(clave, anterior);
    anterior = clave;
  }
}

// ---- The sample cases the Windows window must match byte for byte ------------------------

class CasoDeMuestra : public PruebaVentana, public ::testing::WithParamInterface<CasoInforme> {};

TEST_P(CasoDeMuestra, ElInformeEsElDeLaMuestra) {
  std::filesystem::copy_file(std::filesystem::path(ORBELUX_EJEMPLOS) / "ast.dat",
                             directorio_ / "ast.dat");
  for (const Caja caja : kCajas) {
    ventana_.caja(caja)->setText(
        QString::fromStdString(GetParam().cajas[static_cast<std::size_t>(caja)]));
  }
  Pulsar(ventana_);
  ASSERT_TRUE(avisos_.empty());
  EXPECT_EQ(LeerArchivo(directorio_ / "Asteroides.txt"), LeerArchivo(GetParam().informe));
}

INSTANTIATE_TEST_SUITE_P(Muestras, CasoDeMuestra,
                         ::testing::ValuesIn(LeerCasosInforme(ORBELUX_DATOS_VENTANA)),
                         [](const auto& info) { return info.param.nombre; });

}  // namespace
}  // namespace orbelux::prueba
