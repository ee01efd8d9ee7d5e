// SPDX-License-Identifier: GPL-3.0-or-later
// The integrator, the force model and the table of the planets, each against something
// known independently: the order conditions of the method, Kepler's ellipse, the
// relativistic advance of a perihelion, reversibility, a tighter tolerance, ERFA itself.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "ephemeris/astrometric.h"
#include "ephemeris/dop853.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"

namespace orbelux::efemerides {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kKm = 1 / 149597870.7;  // AU
constexpr double kSegundoArco = kPi / (180 * 3600);

// Test names, not bytes, in the listing.
template <typename Caso>
std::string NombreCaso(const testing::TestParamInfo<Caso>& info) {
  return info.param.nombre;
}

ElementosOrbitales Orbita(double a, double e, double i, double nodo, double peri, double M,
                          double epoca = 2459800.5) {
  ElementosOrbitales el;
  el.numero = 1;
  el.semieje = a;
  el.excentricidad = e;
  el.inclinacion = i;
  el.nodo = nodo;
  el.perihelio = peri;
  el.anomalia_media = M;
  el.epoca = epoca;
  return el;
}

double Dia(const ElementosOrbitales& el) { return el.epoca - kJ2000; }

// --- The method's table -----------------------------------------------------------

TEST(TablaDop853, CadaEtapaSeEvaluaDondeDiceSuNodo) {
  for (int e = 0; e < dop853::kEtapas; ++e) {
    SCOPED_TRACE("stage " + std::to_string(e));
    double suma = 0;
    for (int j = 0; j < e; ++j) suma += dop853::a[e][j];
    EXPECT_NEAR(suma, dop853::c[e], 1e-14);
  }
}

struct CasoOrden {
  const char* nombre;
  int q;
};

void PrintTo(const CasoOrden& caso, std::ostream* os) { *os << caso.nombre; }

class CondicionDeCuadratura : public testing::TestWithParam<CasoOrden> {};

// sum b_i c_i^(q-1) = 1/q for every q up to the order: the quadrature conditions,
// which a single mistyped weight breaks.
TEST_P(CondicionDeCuadratura, SeCumple) {
  const int q = GetParam().q;
  double suma = 0;
  for (int i = 0; i < dop853::kEtapas; ++i) {
    suma += dop853::b[i] * std::pow(dop853::c[i], q - 1);
  }
  EXPECT_NEAR(suma, 1.0 / q, 1e-13);
}

INSTANTIATE_TEST_SUITE_P(Ordenes, CondicionDeCuadratura,
                         testing::Values(CasoOrden{"Q1", 1}, CasoOrden{"Q2", 2}, CasoOrden{"Q3", 3},
                                         CasoOrden{"Q4", 4}, CasoOrden{"Q5", 5}, CasoOrden{"Q6", 6},
                                         CasoOrden{"Q7", 7}, CasoOrden{"Q8", 8}),
                         NombreCaso<CasoOrden>);

TEST(TablaDop853, LosEstimadoresDeErrorSonDiferenciasDeMetodos) {
  double suma = 0;
  for (const double w : dop853::er) suma += w;
  EXPECT_NEAR(suma, 0, 1e-14);
  EXPECT_NEAR(dop853::bhh0 + dop853::bhh8 + dop853::bhh11, 1, 1e-14);
}

// Fixed steps on a harmonic oscillator: halving the step divides the error by 2^8.
TEST(TablaDop853, EsDeOrdenOcho) {
  auto oscilador = [](double, const Estado6& y, Estado6& dy) {
    dy = {y[3], y[4], y[5], -y[0], -4 * y[1], -0.25 * y[2]};
  };
  auto error = [&](int pasos) {
    Estado6 y = {1, 0, 1, 0, 2, 0};
    const double h = 20.0 / pasos;
    for (int i = 0; i < pasos; ++i) PasoDop853(oscilador, i * h, h, y);
    return std::abs(y[0] - std::cos(20.0)) + std::abs(y[1] - std::sin(40.0)) +
           std::abs(y[2] - std::cos(10.0));
  };
  const double orden = std::log2(error(100) / error(200));
  EXPECT_GT(orden, 7.5);
  EXPECT_LT(orden, 9.0);
}

// --- Kepler's ellipse when the planets weigh nothing ------------------------------------

struct CasoKepler {
  const char* nombre;
  ElementosOrbitales elementos;
  double dias;
};

void PrintTo(const CasoKepler& caso, std::ostream* os) { *os << caso.nombre; }

class SinPlanetasNiRelatividad : public testing::TestWithParam<CasoKepler> {};

TEST_P(SinPlanetasNiRelatividad, SieteAniosReproducenKepler) {
  const CasoKepler& c = GetParam();
  const MovimientoPerturbado movimiento(nullptr, {.planetas = false, .relatividad = false});
  CuentaPasos cuenta;
  const EstadoCartesiano final = movimiento.Propagar(
      EstadoDeElementos(c.elementos), Dia(c.elementos), Dia(c.elementos) + c.dias, &cuenta);
  const Vector3 kepler = OrbitaKepleriana(c.elementos).Posicion(c.elementos.epoca, c.dias);
  const double error_km = Modulo(final.r - kepler) / kKm;
  EXPECT_LT(error_km, 10);
  std::cout << c.nombre << ": " << error_km << " km after " << cuenta.aceptados << " steps\n";
}

INSTANTIATE_TEST_SUITE_P(
    Orbitas, SinPlanetasNiRelatividad,
    testing::Values(
        CasoKepler{"CinturonPrincipal", Orbita(2.77, 0.079, 10.6, 80.3, 73.5, 334), 7 * 365.25},
        CasoKepler{"HaciaAtras", Orbita(2.77, 0.079, 10.6, 80.3, 73.5, 334), -7 * 365.25},
        CasoKepler{"Eros", Orbita(1.458, 0.223, 10.8, 304.3, 178.9, 358.8), 7 * 365.25},
        CasoKepler{"PerihelioA015UA", Orbita(1.0, 0.85, 5, 40, 120, 300), 7 * 365.25},
        CasoKepler{"Troyano", Orbita(5.2, 0.1, 20, 100, 200, 10), 7 * 365.25},
        CasoKepler{"MuyExcentrica", Orbita(3.0, 0.95, 30, 10, 60, 180), -7 * 365.25}),
    NombreCaso<CasoKepler>);

// --- The post-Newtonian term alone ------------------------------------------------------

// The direction of the perihelion: the Laplace-Runge-Lenz vector of the osculating
// Newtonian orbit.
Vector3 HaciaPerihelio(const EstadoCartesiano& s) {
  const double k2 = kGauss * kGauss;
  const Vector3 h = ProductoVectorial(s.r, s.v);
  const Vector3 lrl = (1 / k2) * ProductoVectorial(s.v, h) - (1 / Modulo(s.r)) * s.r;
  return (1 / Modulo(lrl)) * lrl;
}

TEST(Relatividad, ElPerihelioAvanzaLoQueDiceLaTeoria) {
  const double a = 0.6;
  const double e = 0.8;
  const ElementosOrbitales el = Orbita(a, e, 7, 48, 29, 0);
  const MovimientoPerturbado movimiento(nullptr, {.planetas = false, .relatividad = true});
  const double periodo = 2 * kPi / (kGauss / (a * std::sqrt(a)));
  const int vueltas = 20;
  const EstadoCartesiano inicio = EstadoDeElementos(el);
  const EstadoCartesiano fin = movimiento.Propagar(inicio, Dia(el), Dia(el) + vueltas * periodo);
  const Vector3 p0 = HaciaPerihelio(inicio);
  const Vector3 p1 = HaciaPerihelio(fin);
  const double giro = std::atan2(Modulo(ProductoVectorial(p0, p1)), Producto(p0, p1));
  const double teoria =
      vueltas * 6 * kPi * kGauss * kGauss / (kLuzUADia * kLuzUADia * a * (1 - e * e));
  EXPECT_NEAR(giro / teoria, 1, 0.02)
      << giro / kSegundoArco << "\" against " << teoria / kSegundoArco << "\"";
  // Prograde: the perihelion turns with the motion.
  EXPECT_GT(Producto(ProductoVectorial(p0, p1), ProductoVectorial(inicio.r, inicio.v)), 0);
  // And without the term it stays put, to the integrator's error.
  const MovimientoPerturbado newtoniano(nullptr, {.planetas = false, .relatividad = false});
  const Vector3 p2 =
      HaciaPerihelio(newtoniano.Propagar(inicio, Dia(el), Dia(el) + vueltas * periodo));
  EXPECT_LT(Modulo(ProductoVectorial(p0, p2)), 0.01 * teoria);
}

// --- With the planets ---------------------------------------------------------------------

struct CasoOrbita {
  const char* nombre;
  ElementosOrbitales elementos;
};

void PrintTo(const CasoOrbita& caso, std::ostream* os) { *os << caso.nombre; }

const CasoOrbita kOrbitasConPlanetas[] = {
    {"Ceres", Orbita(2.7666190, 0.0786358, 10.58680, 80.26644, 73.53163, 334.32717)},
    {"Eros", Orbita(1.4581505, 0.2227328, 10.82796, 304.29106, 178.93251, 358.82126)},
    {"PerihelioA015UA", Orbita(1.07, 0.86, 22, 80, 320, 200)},
    {"Hungaria", Orbita(1.94, 0.07, 22, 170, 240, 90)},
    {"Troyano", Orbita(5.21, 0.08, 18, 300, 50, 250)},
};

// A table over the year after the epoch of these orbits, with a day to spare.
const TablaPlanetas& TablaDeUnAnio() {
  static const TablaPlanetas tabla(2459800.5 - kJ2000 - 1, 2459800.5 - kJ2000 + 367, 2);
  return tabla;
}

class ConPlanetas : public testing::TestWithParam<CasoOrbita> {};

TEST_P(ConPlanetas, IdaYVueltaDeUnAnioVuelveAlPuntoDePartida) {
  const ElementosOrbitales& el = GetParam().elementos;
  const MovimientoPerturbado movimiento(&TablaDeUnAnio());
  const EstadoCartesiano inicio = EstadoDeElementos(el);
  const EstadoCartesiano ida = movimiento.Propagar(inicio, Dia(el), Dia(el) + 365.25);
  const EstadoCartesiano vuelta = movimiento.Propagar(ida, Dia(el) + 365.25, Dia(el));
  const double error_km = Modulo(vuelta.r - inicio.r) / kKm;
  EXPECT_LT(error_km, 1);
  // The planets did move it: this is not two-body motion in disguise.
  const Vector3 kepler = OrbitaKepleriana(el).Posicion(el.epoca, 365.25);
  EXPECT_GT(Modulo(ida.r - kepler) / kKm, 100);
  std::cout << GetParam().nombre << ": back to " << error_km << " km\n";
}

// The integrator's own error at the working tolerance, seen from the Earth.
TEST_P(ConPlanetas, UnaToleranciaDiezVecesMasFinaNoMueveLaPosicion) {
  const ElementosOrbitales& el = GetParam().elementos;
  const MovimientoPerturbado trabajo(&TablaDeUnAnio());
  const MovimientoPerturbado fino(&TablaDeUnAnio(), {}, {.relativa = 1e-12, .absoluta = 1e-16});
  const Instante instante = InstanteDesdeCalendario(2023, 8, 9, 0, 0, 0);
  const double t = instante.tdb.entera - kJ2000 + instante.tdb.fraccion;
  CuentaPasos pasos_trabajo;
  CuentaPasos pasos_fino;
  const EstadoCartesiano a = trabajo.Propagar(EstadoDeElementos(el), Dia(el), t, &pasos_trabajo);
  const EstadoCartesiano b = fino.Propagar(EstadoDeElementos(el), Dia(el), t, &pasos_fino);
  const Vector3 tierra = PosicionTierra(instante);
  const Vector3 sol = VelocidadBaricentricaSol(instante);
  const LugarAstrometrico la = AstrometricoDesdeEstado(a, tierra, sol);
  const LugarAstrometrico lb = AstrometricoDesdeEstado(b, tierra, sol);
  const double separacion =
      std::hypot((la.ascension_recta - lb.ascension_recta) * std::cos(lb.declinacion),
                 la.declinacion - lb.declinacion) /
      kSegundoArco;
  EXPECT_LT(separacion, 0.05);
  EXPECT_GT(pasos_fino.aceptados, pasos_trabajo.aceptados);
  std::cout << GetParam().nombre << ": " << separacion << "\" from the tighter run, "
            << pasos_trabajo.aceptados << " steps against " << pasos_fino.aceptados << "\n";
}

INSTANTIATE_TEST_SUITE_P(Orbitas, ConPlanetas, testing::ValuesIn(kOrbitasConPlanetas),
                         NombreCaso<CasoOrbita>);

// The light time's short step: Kepler's ellipse over a tenth of a day, even at perihelion
// of a sungrazing orbit; and, far from the Sun, over the light time of such distances
// (decades at 5,000 AU), where the pieces grow with the distance.
TEST(PasoKepler, SigueLaElipse) {
  struct Caso {
    const char* nombre;
    ElementosOrbitales el;
    std::vector<double> dias;
  };
  const Caso casos[] = {
      {"Eros", Orbita(1.458, 0.223, 10.8, 304.3, 178.9, 358.8), {-0.1, -0.01, 0.05}},
      {"EnElPerihelio", Orbita(1.0, 0.85, 5, 40, 120, 0), {-0.1, -0.01, 0.05}},
      {"Neptuniano", Orbita(30.1, 0.01, 1.8, 270, 131, 250), {-0.25, -4, -40}},
      {"NubeDeOort", Orbita(4000, 0.3, 30, 10, 20, 180), {-1, -30'000, -3'000'000}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const EstadoCartesiano s = EstadoDeElementos(c.el);
    for (const double dt : c.dias) {
      const Vector3 kepler = OrbitaKepleriana(c.el).Posicion(c.el.epoca, dt);
      // A metre, or one part in 1e12 where the orbit is that large.
      const double tolerancia = std::max(1e-3 * kKm, 1e-12 * Modulo(kepler));
      EXPECT_LT(Modulo(PasoKepler(s, dt).r - kepler), tolerancia) << dt;
    }
  }
}

// --- The table of the planets ---------------------------------------------------------------

struct CasoCuerpo {
  const char* nombre;
  Cuerpo cuerpo;
};

void PrintTo(const CasoCuerpo& caso, std::ostream* os) { *os << caso.nombre; }

// The largest distance between table and ERFA for each body, at instants between the
// nodes (where interpolation errs most) over three years: computed once for all rows.
struct ErroresTabla {
  std::array<double, kCuerpos> maximo{};
  double mayor_fuera_de_nodo = 0;
};

const ErroresTabla& MedirTabla() {
  static const ErroresTabla errores = [] {
    ErroresTabla e;
    const double desde = 2458850.5 - kJ2000;  // 2020-01-01
    const TablaPlanetas tabla(desde, desde + 3 * 365.25, 2);
    for (double t = tabla.Desde() + 0.0137; t < tabla.Hasta(); t += 0.73) {
      PosicionesCuerpos interpolada;
      tabla.Posiciones(t, interpolada);
      const PosicionesCuerpos directa = PosicionesERFA(t);
      for (std::size_t j = 0; j < kCuerpos; ++j) {
        e.maximo[j] = std::max(e.maximo[j], Modulo(interpolada[j] - directa[j]));
      }
      e.mayor_fuera_de_nodo = std::max(
          e.mayor_fuera_de_nodo, std::abs(std::remainder(t - tabla.Desde(), TablaPlanetas::kPaso)));
    }
    return e;
  }();
  return errores;
}

class TablaContraERFA : public testing::TestWithParam<CasoCuerpo> {};

TEST_P(TablaContraERFA, DentroDe1e8UA) {
  const ErroresTabla& e = MedirTabla();
  const double maximo = e.maximo[static_cast<std::size_t>(GetParam().cuerpo)];
  EXPECT_LT(maximo, 1e-8);
  EXPECT_GT(e.mayor_fuera_de_nodo, 0.2);  // the samples did fall between nodes
  std::cout << GetParam().nombre << ": " << maximo << " AU\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cuerpos, TablaContraERFA,
    testing::Values(CasoCuerpo{"Mercurio", Cuerpo::Mercurio}, CasoCuerpo{"Venus", Cuerpo::Venus},
                    CasoCuerpo{"Tierra", Cuerpo::Tierra}, CasoCuerpo{"Luna", Cuerpo::Luna},
                    CasoCuerpo{"Marte", Cuerpo::Marte}, CasoCuerpo{"Jupiter", Cuerpo::Jupiter},
                    CasoCuerpo{"Saturno", Cuerpo::Saturno}, CasoCuerpo{"Urano", Cuerpo::Urano},
                    CasoCuerpo{"Neptuno", Cuerpo::Neptuno}),
    NombreCaso<CasoCuerpo>);

TEST(TablaPlanetas, LaLunaGiraAlrededorDeLaTierra) {
  // A check on how the table puts the Moon together: about 384,000 km from the Earth.
  const PosicionesCuerpos r = PosicionesERFA(8000.25);
  const double km = Modulo(r[static_cast<std::size_t>(Cuerpo::Luna)] -
                           r[static_cast<std::size_t>(Cuerpo::Tierra)]) /
                    kKm;
  EXPECT_GT(km, 356000);
  EXPECT_LT(km, 407000);
}

TEST(TablaPlanetas, LaAceleracionDelSolEsLaSumaDeLosTirones) {
  const TablaPlanetas tabla(8000, 8010, 1);
  const double t = 8004.3;
  const PosicionesCuerpos r = PosicionesERFA(t);
  Vector3 esperada;
  for (std::size_t j = 0; j < kCuerpos; ++j) {
    const double d = Modulo(r[j]);
    esperada = esperada + (kGauss * kGauss * kRazonMasa[j] / (d * d * d)) * r[j];
  }
  EXPECT_LT(Modulo(tabla.AceleracionSol(t) - esperada), 1e-9 * Modulo(esperada));
  // Jupiter dominates it.
  const double jupiter = kGauss * kGauss * kRazonMasa[static_cast<std::size_t>(Cuerpo::Jupiter)] /
                         Producto(r[5], r[5]);
  EXPECT_NEAR(Modulo(esperada), jupiter, 0.2 * jupiter);
}

// A table widened from a smaller one, on either side, is the table built over the whole
// span at once, bit for bit: the field search widens its table batch by batch.
TEST(TablaPlanetas, AmpliadaEsLaMismaQueLaHechaDeUnaVez) {
  const TablaPlanetas pequena(8000.2, 8010.7, 1);
  const TablaPlanetas ampliada(pequena, 7990.3, 8031.1, 2);
  const TablaPlanetas entera(7990.3, 8031.1, 1);
  EXPECT_EQ(ampliada.Desde(), entera.Desde());
  EXPECT_EQ(ampliada.Hasta(), entera.Hasta());
  EXPECT_EQ(ampliada.Nodos(), entera.Nodos());
  for (double t = 7990.3; t <= 8031.1; t += 0.37) {
    PosicionesCuerpos ra;
    PosicionesCuerpos re;
    Vector3 sa;
    Vector3 se;
    ampliada.Interpolar(t, ra, sa);
    entera.Interpolar(t, re, se);
    for (std::size_t j = 0; j < kCuerpos; ++j) {
      ASSERT_EQ(ra[j].x, re[j].x) << t;
      ASSERT_EQ(ra[j].y, re[j].y) << t;
      ASSERT_EQ(ra[j].z, re[j].z) << t;
    }
    ASSERT_EQ(sa.x, se.x) << t;
    ASSERT_EQ(sa.z, se.z) << t;
  }
  // Never narrower than the table it widens.
  const TablaPlanetas dentro(entera, 8001, 8002, 1);
  EXPECT_EQ(dentro.Desde(), entera.Desde());
  EXPECT_EQ(dentro.Hasta(), entera.Hasta());
}

TEST(TablaPlanetas, LasMasasSonLasDeDE440) {
  EXPECT_NEAR(1 / kRazonMasa[static_cast<std::size_t>(Cuerpo::Jupiter)], 1047.348631, 1e-5);
  EXPECT_NEAR(1 / kRazonMasa[static_cast<std::size_t>(Cuerpo::Tierra)], 332946.0488, 1e-3);
  EXPECT_NEAR(kRazonMasa[static_cast<std::size_t>(Cuerpo::Tierra)] /
                  kRazonMasa[static_cast<std::size_t>(Cuerpo::Luna)],
              81.300568, 1e-5);
}

// --- The bound on work ------------------------------------------------------------

TEST(LimiteDePasos, DoscientosMilMasVeinteMilPorAnio) {
  struct Caso {
    const char* nombre;
    double t0, t1;
    long pasos;
  };
  const Caso casos[] = {
      {"sin tiempo", 100, 100, 200000},
      {"un anio adelante", 0, 365.25, 220000},
      {"diez anios atras", 3652.5, 0, 400000},
      {"doscientos anios atras y adelante", -36525, 36525, 4200000},
      {"medio dia redondea hacia arriba", 0, 0.5, 200028},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(MaximoPasos(c.t0, c.t1), c.pasos);
  }
}

// An orbit a few hundredths of an AU across goes round in hours: it needs more steps a
// year than the limit grants, and gives up at the limit instead of running for minutes.
TEST(LimiteDePasos, UnaOrbitaAbsurdaLoAgotaPronto) {
  const ElementosOrbitales el = Orbita(0.002, 0.1, 5, 10, 20, 30);
  const double t0 = Dia(el);
  const double t1 = t0 + 365.25;
  const TablaPlanetas tabla(t0 - 1, t1 + 1, 2);
  const MovimientoPerturbado movimiento(&tabla);
  CuentaPasos cuenta;
  try {
    movimiento.Propagar(EstadoDeElementos(el), t0, t1, &cuenta);
    ADD_FAILURE() << "no error";
  } catch (const ErrorIntegracion& e) {
    EXPECT_EQ(std::string(e.what()).rfind("la integración no puede seguir el movimiento", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(cuenta.aceptados + cuenta.rechazados, MaximoPasos(t0, t1));
}

}  // namespace
}  // namespace orbelux::efemerides
