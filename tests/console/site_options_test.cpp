// SPDX-License-Identifier: GPL-3.0-or-later
// The values of --observatorio and --lugar as the user types them.
#include "console/site_options.h"

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace orbelux::consola {
namespace {

constexpr double kGrados = 180 / std::numbers::pi;

struct CasoLugar {
  const char* nombre;
  const char* valor;
  double longitud_este;  // degrees, as the site keeps it: [0, 360)
  double rho_cos_phi;
  double rho_sin_phi;
  const char* descripcion;
};

void PrintTo(const CasoLugar& caso, std::ostream* os) { *os << caso.nombre; }

class LugaresValidos : public testing::TestWithParam<CasoLugar> {};

TEST_P(LugaresValidos, DanElSitioYSuDescripcion) {
  const CasoLugar& c = GetParam();
  const SitioElegido elegido = SitioDeLugar(c.valor);
  EXPECT_NEAR(elegido.sitio.longitud * kGrados, c.longitud_este, 1e-9);
  EXPECT_NEAR(elegido.sitio.rho_cos_phi, c.rho_cos_phi, 2e-11);
  EXPECT_NEAR(elegido.sitio.rho_sin_phi, c.rho_sin_phi, 2e-11);
  EXPECT_EQ(elegido.descripcion, c.descripcion);
  EXPECT_TRUE(elegido.sitio.codigo.empty());
}

// Expected constants from the WGS84 ellipse directly, as in the ephemeris tests.
INSTANTIATE_TEST_SUITE_P(
    Formas, LugaresValidos,
    testing::Values(CasoLugar{"GradosDecimales", "-3.3847,37.0641337531,2930.4128", 356.6153,
                              0.79930, 0.59968, "lon -3.38470, lat +37.06413, 2930 m"},
                    CasoLugar{"GradosMinutosSegundos", "-3:23:04.92,37:03:50.88151116,2930.4128",
                              356.6153, 0.79930, 0.59968, "lon -3.38470, lat +37.06413, 2930 m"},
                    CasoLugar{"ConMarcas", "-3°23'04.92\",37°03'50.88151116\",2930.4128", 356.6153,
                              0.79930, 0.59968, "lon -3.38470, lat +37.06413, 2930 m"},
                    CasoLugar{"SinAltitud", "45,45", 45, 0.708293170693720, 0.703551587064674,
                              "lon 45.00000, lat +45.00000, 0 m"},
                    CasoLugar{"MenosCeroGrados", "-0:30,-30.5,2500", 359.5, 0.862710764188416,
                              -0.504774888276076, "lon -0.50000, lat -30.50000, 2500 m"},
                    CasoLugar{"Limites", "360,90,10000", 0, 0, 0.998215045278140,
                              "lon 360.00000, lat +90.00000, 10000 m"},
                    CasoLugar{"LimitesNegativos", "-360,-90,-1000", 0, 0, -0.996490403740964,
                              "lon -360.00000, lat -90.00000, -1000 m"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(LugaresInvalidos, SeRechazanDiciendoPorQue) {
  struct Caso {
    const char* valor;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"361,0", "la longitud debe estar entre -360 y 360 grados"},
      {"-360.001,0", "la longitud debe estar entre -360 y 360 grados"},
      {"0,90.0001", "la latitud debe estar entre -90 y 90 grados"},
      {"0,-91", "la latitud debe estar entre -90 y 90 grados"},
      {"0,0,10000.5", "la altitud debe estar entre -1000 y 10000 metros"},
      {"0,0,-1001", "la altitud debe estar entre -1000 y 10000 metros"},
      {"37.06", "se espera LONGITUD,LATITUD o LONGITUD,LATITUD,ALTITUD"},
      {"1,2,3,4", "se espera LONGITUD,LATITUD o LONGITUD,LATITUD,ALTITUD"},
      {"oeste,37", "en la longitud, «oeste» no es un número"},
      {"-3,", "en la latitud, falta el ángulo"},
      {"3:60,0", "en la longitud, los minutos «60» deben ser menos de 60"},
      {"3.5:20,0", "en la longitud, «3.5»: solo la última parte puede llevar decimales"},
      {"3:20.5:10,0", "en la longitud, «20.5»: solo la última parte puede llevar decimales"},
      {"3:-20,0", "en la longitud, «-20»: solo la primera parte lleva signo"},
      {"3:1:2:3,0", "en la longitud, sobra «3»"},
      {"3h20m,0", "la longitud se da en grados (° ' \"), no en horas"},
      {"0,37 03 5x", "en la latitud, «5x» no es un número"},
      {"0,0,alto", "la altitud se da en metros"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.valor);
    try {
      SitioDeLugar(c.valor);
      ADD_FAILURE() << "accepted";
    } catch (const ErrorOpcionSitio& e) {
      EXPECT_EQ(std::string(e.what()).rfind(std::string("--lugar ") + c.valor + ": ", 0), 0u)
          << e.what();
      EXPECT_NE(std::string(e.what()).find(c.mensaje), std::string::npos) << e.what();
    }
  }
}

TEST(Observatorio, PorSuCodigoEnMayusculasOMinusculas) {
  EXPECT_EQ(SitioDeObservatorio("Z84").descripcion, "Z84 Calar Alto-Schmidt");
  EXPECT_EQ(SitioDeObservatorio("j86").descripcion, "J86 Sierra Nevada Observatory");
  EXPECT_EQ(SitioDeObservatorio("j86").sitio.codigo, "J86");
  EXPECT_TRUE(SitioDeObservatorio("500").sitio.Geocentro());
}

TEST(Observatorio, DesconocidoOSinCoordenadasSeRechaza) {
  struct Caso {
    const char* codigo;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"ZZZ", "--observatorio ZZZ: no es un código de observatorio del MPC"},
      {"95", "--observatorio 95: no es un código de observatorio del MPC"},
      {"", "--observatorio : no es un código de observatorio del MPC"},
      {"250",
       "--observatorio 250: el observatorio 250 (Hubble Space Telescope) no está en un "
       "lugar fijo de la Tierra y no tiene coordenadas"},
      {"c51", "(WISE) no está en un lugar fijo"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.codigo);
    try {
      SitioDeObservatorio(c.codigo);
      ADD_FAILURE() << "accepted";
    } catch (const ErrorOpcionSitio& e) {
      EXPECT_NE(std::string(e.what()).find(c.mensaje), std::string::npos) << e.what();
    }
  }
}

TEST(Observatorio, BuscarListaLosCodigosDeUnNombre) {
  EXPECT_EQ(ListadoObservatorios("calar"),
            "493  Calar Alto\n"
            "G36  Calar Alto-CASADO\n"
            "J79  Observatorio Calarreona, Aguilas\n"
            "Z79  Calar Alto TNO Survey\n"
            "Z84  Calar Alto-Schmidt\n");
  EXPECT_EQ(ListadoObservatorios("HUBBLE"),
            "250  Hubble Space Telescope (sin coordenadas: no se puede usar)\n");
  EXPECT_EQ(ListadoObservatorios("xyzzy"),
            "Ningún observatorio de la lista del MPC tiene «xyzzy» en su nombre.\n");
  EXPECT_THROW(ListadoObservatorios(""), ErrorOpcionSitio);
}

}  // namespace
}  // namespace orbelux::consola
