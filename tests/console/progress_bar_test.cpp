// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/progress_bar.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace orbelux::consola {
namespace {

// A clock that the test moves by hand.
struct RelojFalso {
  double ahora = 100;
  BarraProgreso::Reloj Funcion() {
    return [this] { return ahora; };
  }
};

TEST(BarraProgreso, NoApareceEnElPrimerSegundo) {
  std::ostringstream salida;
  RelojFalso reloj;
  {
    BarraProgreso barra(salida, "orbelux-catalogo", reloj.Funcion());
    for (std::size_t i = 0; i <= 100; ++i) {
      reloj.ahora += 0.009;
      barra.Avanzar("posiciones", i, 100);
    }
  }
  EXPECT_EQ(salida.str(), "");
}

TEST(BarraProgreso, DespuesDeUnSegundoSeDibujaYAlFinalSeBorra) {
  std::ostringstream salida;
  RelojFalso reloj;
  BarraProgreso barra(salida, "orbelux-catalogo", reloj.Funcion());
  reloj.ahora += 1.5;
  barra.Avanzar(16, 64);
  EXPECT_EQ(salida.str(), "\rorbelux-catalogo: [#######.......................]  25 % (16 de 64)");
  // Ten redraws a second at most, and the last one always.
  salida.str("");
  reloj.ahora += 0.01;
  barra.Avanzar(20, 64);
  EXPECT_EQ(salida.str(), "");
  barra.Avanzar(64, 64);
  EXPECT_EQ(salida.str(), "\rorbelux-catalogo: [##############################] 100 % (64 de 64)");
  salida.str("");
  barra.Terminar();
  EXPECT_EQ(salida.str(), "\r" + std::string(79, ' ') + "\r");
}

TEST(BarraProgreso, CadaEtapaSeNombraYSeDibujaEnSeguida) {
  std::ostringstream salida;
  RelojFalso reloj;
  BarraProgreso barra(salida, "orbelux-campo", reloj.Funcion());
  reloj.ahora += 1.2;
  barra.Avanzar("tabla de planetas", 300, 1200);
  EXPECT_EQ(salida.str(),
            "\rorbelux-campo: tabla de planetas [#####...............]  25 % (300 de 1200)");
  // A new stage does not wait for the interval, and wipes the longer line first.
  salida.str("");
  reloj.ahora += 0.01;
  barra.Avanzar("posiciones", 1, 3);
  EXPECT_EQ(salida.str(), "\r" + std::string(79, ' ') +
                              "\rorbelux-campo: posiciones [######..............]  33 % (1 de 3)");
}

TEST(BarraProgreso, LasCuentasSoloSiCabenEnLaLinea) {
  std::ostringstream salida;
  RelojFalso reloj;
  BarraProgreso barra(salida, "orbelux-catalogo", reloj.Funcion());
  reloj.ahora += 2;
  barra.Avanzar("leyendo elementos", 123456789, 987654321);
  EXPECT_EQ(salida.str(), "\rorbelux-catalogo: leyendo elementos [##..................]  12 %");
  EXPECT_LE(salida.str().size(), 80u);
}

}  // namespace
}  // namespace orbelux::consola
