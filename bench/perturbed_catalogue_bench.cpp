// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of a catalogue with planetary perturbations: 32,767 generated asteroids (main belt,
// Hungarias, Trojans, near-Earth objects, a few of high eccentricity) with element epochs
// spread over +-120 days, carried to one year after their central epoch.
//
// Printed from the same process: the whole run (elements file in, catalogue out), the
// asteroid-years integrated per second, where the time goes (the table of the planets,
// the integrator and, inside it, the table's interpolation, the reduction to the sky),
// the speed-up of two threads over one, and the cost of month-long arcs beyond two-body
// motion on one core.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "catalogue/catalogue_line.h"
#include "catalogue/catalogue_maker.h"
#include "ephemeris/astrometric.h"
#include "ephemeris/element_source.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;
namespace ef = orbelux::efemerides;
namespace cat = orbelux::catalogo;

constexpr int kAsteroides = cat::kMaximoAsteroides;
constexpr double kEpocaCentral = 2459800.5;  // 2022-08-09 0h TT

// The MPC's packed date: century letter, two digits of the year, month and day as
// 1-9 then A-V.
std::string EpocaEmpaquetada(double jd) {
  const ef::FechaCalendario fecha = ef::CalendarioUTC(ef::InstanteDesdeDiaJulianoUTC(jd));
  const int anio = fecha.anio;
  constexpr char kDigitos[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  std::string texto(5, ' ');
  texto[0] = static_cast<char>('A' + anio / 100 - 10);
  texto[1] = static_cast<char>('0' + anio / 10 % 10);
  texto[2] = static_cast<char>('0' + anio % 10);
  texto[3] = kDigitos[fecha.mes];
  texto[4] = kDigitos[fecha.dia];
  return texto;
}

// Full-width MPCORB.DAT records. Out of every 50: 35 main belt, 4 Hungarias, 4 Trojans,
// 6 near-Earth objects, 1 of high eccentricity. `dias` moves every epoch.
std::string ElementosGenerados(int cuantos, double dispersion, double dias) {
  std::mt19937_64 azar(20221207);
  std::uniform_real_distribution<double> u(0, 1);
  std::string texto;
  texto.reserve(static_cast<std::size_t>(cuantos) * 203);
  for (int k = 1; k <= cuantos; ++k) {
    const int tipo = k % 50;
    double a = 0;
    double e = 0;
    double i = 0;
    if (tipo < 35) {
      a = 2.1 + 1.3 * u(azar);
      e = 0.25 * u(azar);
      i = 25 * u(azar);
    } else if (tipo < 39) {
      a = 1.78 + 0.22 * u(azar);
      e = 0.18 * u(azar);
      i = 16 + 18 * u(azar);
    } else if (tipo < 43) {
      a = 5.1 + 0.2 * u(azar);
      e = 0.15 * u(azar);
      i = 35 * u(azar);
    } else if (tipo < 49) {
      a = 0.9 + 1.6 * u(azar);
      e = 0.15 + 0.6 * u(azar);
      i = 40 * u(azar);
    } else {
      a = 2.0 + 2.0 * u(azar);
      e = 0.85 + 0.12 * u(azar);
      i = 60 * u(azar);
    }
    const double epoca = kEpocaCentral + dias + std::round(dispersion * (2 * u(azar) - 1));
    const double H = 10 + 8 * u(azar);
    const std::string epoca_empaquetada = EpocaEmpaquetada(epoca);
    const double M = 360 * u(azar);
    const double peri = 360 * u(azar);
    const double nodo = 360 * u(azar);
    texto += banco::LineaMpc(k, epoca_empaquetada, {H, M, peri, nodo, i, e, a});
  }
  return texto;
}

std::vector<ef::ElementosOrbitales> Leer(const std::string& texto) {
  ef::FuenteMemoria fuente(texto);
  ef::OpcionesLectura opciones;
  opciones.nombre = "MPCORB.DAT";
  return ef::LeerElementosMPC(fuente, opciones);
}

const ef::Instante& Instante() {
  // One year after the central epoch.
  static const ef::Instante instante = ef::InstanteDesdeCalendario(2023, 8, 9, 0, 0, 0);
  return instante;
}

double DiaModelo(const ef::Instante& i) { return i.tdb.entera - ef::kJ2000 + i.tdb.fraccion; }

struct Datos {
  fs::path directorio;
  fs::path archivo;
  std::vector<ef::ElementosOrbitales> anio;  // epochs +-120 days, a year before the instant
  std::vector<ef::ElementosOrbitales> mes;   // epochs 30 days before the instant
  double desde = 0;                          // the span of the year's table
  double hasta = 0;
  std::vector<ef::EstadoCartesiano> estados;  // at the instant, for the reduction alone
  ef::CuentaPasos pasos;
  ef::CuentaPasos pasos_mes;
};

cat::OpcionesCatalogo Opciones(unsigned hilos, cat::Movimiento movimiento) {
  cat::OpcionesCatalogo o;
  o.hilos = hilos;
  o.movimiento = movimiento;
  return o;
}

void Completo(benchmark::State& estado, const Datos* d) {
  for (auto _ : estado) {
    cat::PeticionCatalogo peticion;
    peticion.elementos = d->archivo;
    peticion.nombre_elementos = "MPCORB.DAT";
    peticion.salida = d->directorio / "ast.dat";
    peticion.instante = Instante();
    if (cat::HacerCatalogo(peticion).asteroides != kAsteroides) std::abort();
  }
}

void Lineas(benchmark::State& estado, const Datos* d, unsigned hilos) {
  for (auto _ : estado) {
    benchmark::DoNotOptimize(
        cat::TextoCatalogo(d->anio, Instante(), Opciones(hilos, cat::Movimiento::Perturbado)));
  }
}

void Tabla(benchmark::State& estado, const Datos* d) {
  for (auto _ : estado) {
    ef::TablaPlanetas tabla(d->desde, d->hasta, 1);
    benchmark::DoNotOptimize(tabla.Nodos());
  }
}

void Integracion(benchmark::State& estado, const Datos* d) {
  const ef::TablaPlanetas tabla(d->desde, d->hasta, 2);
  const ef::MovimientoPerturbado movimiento(&tabla);
  const double t = DiaModelo(Instante());
  for (auto _ : estado) {
    for (const auto& el : d->anio) {
      benchmark::DoNotOptimize(
          movimiento.Propagar(ef::EstadoDeElementos(el), el.epoca - ef::kJ2000, t));
    }
  }
}

void Interpolacion(benchmark::State& estado, const Datos* d) {
  const ef::TablaPlanetas tabla(d->desde, d->hasta, 2);
  std::mt19937_64 azar(1);
  std::uniform_real_distribution<double> u(d->desde, d->hasta);
  std::vector<double> instantes(4096);
  for (double& t : instantes) t = u(azar);
  ef::PosicionesCuerpos r;
  ef::Vector3 sol;
  for (auto _ : estado) {
    for (const double t : instantes) {
      tabla.Interpolar(t, r, sol);
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(sol);
    }
  }
  estado.SetItemsProcessed(static_cast<std::int64_t>(estado.iterations()) * 4096);
}

void Reduccion(benchmark::State& estado, const Datos* d) {
  const ef::Vector3 tierra = ef::PosicionTierra(Instante());
  const ef::Vector3 sol = ef::VelocidadBaricentricaSol(Instante());
  for (auto _ : estado) {
    for (std::size_t i = 0; i < d->estados.size(); ++i) {
      const ef::LugarAstrometrico lugar = ef::AstrometricoDesdeEstado(d->estados[i], tierra, sol);
      const ef::ElementosOrbitales& el = d->anio[i];
      cat::DatosLinea datos;
      datos.numero = el.numero;
      datos.nombre = el.Nombre();
      datos.ascension_recta = lugar.ascension_recta;
      datos.declinacion = lugar.declinacion;
      datos.magnitud = ef::MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase);
      benchmark::DoNotOptimize(cat::FormatearLinea(datos));
    }
  }
}

void Mes(benchmark::State& estado, const Datos* d, cat::Movimiento movimiento,
         const char* observatorio) {
  cat::OpcionesCatalogo opciones = Opciones(1, movimiento);
  // A site adds one rotation per run: seen from it the run should take as long.
  if (observatorio != nullptr) opciones.sitio = ef::BuscarObservatorio(observatorio);
  for (auto _ : estado) {
    benchmark::DoNotOptimize(cat::TextoCatalogo(d->mes, Instante(), opciones));
  }
}

}  // namespace
}  // namespace orbelux

int main(int argc, char** argv) {
  using namespace orbelux;
  Datos d;
  d.directorio =
      fs::temp_directory_path() / ("orbelux-banco-perturbado-" + std::to_string(::getpid()));
  fs::create_directories(d.directorio);
  d.archivo = d.directorio / "MPCORB.DAT";
  const std::string texto = ElementosGenerados(kAsteroides, 120, 0);
  std::ofstream(d.archivo, std::ios::binary) << texto;
  d.anio = Leer(texto);
  const double t = DiaModelo(Instante());
  d.mes = Leer(ElementosGenerados(kAsteroides, 0, t + ef::kJ2000 - kEpocaCentral - 30));
  d.desde = t;
  d.hasta = t;
  double anios = 0;
  for (const auto& el : d.anio) {
    d.desde = std::min(d.desde, el.epoca - ef::kJ2000 - 1);
    d.hasta = std::max(d.hasta, el.epoca - ef::kJ2000 + 1);
    anios += std::abs(t - (el.epoca - ef::kJ2000)) / 365.25;
  }
  {
    const ef::TablaPlanetas tabla(d.desde, d.hasta, 2);
    const ef::MovimientoPerturbado movimiento(&tabla);
    for (const auto& el : d.anio) {
      d.estados.push_back(
          movimiento.Propagar(ef::EstadoDeElementos(el), el.epoca - ef::kJ2000, t, &d.pasos));
    }
    for (const auto& el : d.mes) {
      movimiento.Propagar(ef::EstadoDeElementos(el), el.epoca - ef::kJ2000, t, &d.pasos_mes);
    }
  }

  const auto ms = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("whole_run_32767", Completo, &d)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("lines_1_thread", Lineas, &d, 1u)->Unit(ms)->UseRealTime();
  // CPU time of all threads: how many processors the run actually got on a shared machine.
  benchmark::RegisterBenchmark("lines_2_threads", Lineas, &d, 2u)
      ->Unit(ms)
      ->UseRealTime()
      ->MeasureProcessCPUTime();
  benchmark::RegisterBenchmark("planet_table", Tabla, &d)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("integration", Integracion, &d)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("table_interpolation_4096", Interpolacion, &d)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("reduction", Reduccion, &d)->Unit(ms)->UseRealTime();
  benchmark::RegisterBenchmark("month_perturbed_1_thread", Mes, &d,
                               catalogo::Movimiento::Perturbado, nullptr)
      ->Unit(ms)
      ->UseRealTime();
  benchmark::RegisterBenchmark("month_perturbed_1_thread_from_J86", Mes, &d,
                               catalogo::Movimiento::Perturbado, "J86")
      ->Unit(ms)
      ->UseRealTime();
  benchmark::RegisterBenchmark("month_two_body_1_thread", Mes, &d, catalogo::Movimiento::DosCuerpos,
                               nullptr)
      ->Unit(ms)
      ->UseRealTime();

  benchmark::Initialize(&argc, argv);
  banco::Registro registro;
  benchmark::RunSpecifiedBenchmarks(&registro);

  const auto& ts = registro.tiempos;
  auto s = [&](const char* nombre) { return ts.count(nombre) ? ts.at(nombre) * 1e-9 : NAN; };
  std::printf("\n%d asteroids, %.0f asteroid-years to integrate, table of %.0f days\n", kAsteroides,
              anios, d.hasta - d.desde);
  std::printf(
      "integrator: %ld steps accepted, %ld rejected, %ld force evaluations "
      "(%.1f steps per asteroid)\n",
      d.pasos.aceptados, d.pasos.rechazados, d.pasos.evaluaciones,
      static_cast<double>(d.pasos.aceptados) / kAsteroides);
  std::printf("whole run (file in, catalogue out, 2 threads): %.3f s (goal: under 5 s)\n",
              s("whole_run_32767"));
  std::printf("asteroid-years per second: %.0f on 1 thread, %.0f on 2\n",
              anios / s("lines_1_thread"), anios / s("lines_2_threads"));
  std::printf(
      "speed-up of two threads over one: %.2f (the two-thread run kept %.2f processors "
      "busy: a machine shared with other work gives it less than two)\n",
      s("lines_1_thread") / s("lines_2_threads"),
      registro.cpu.count("lines_2_threads")
          ? registro.cpu.at("lines_2_threads") * 1e-9 / s("lines_2_threads")
          : NAN);
  const double tabla = s("planet_table");
  const double integracion = s("integration");
  const double interpolacion =
      s("table_interpolation_4096") / 4096 * static_cast<double>(d.pasos.evaluaciones);
  const double reduccion = s("reduction");
  const double suma = tabla + integracion + reduccion;
  std::printf(
      "one thread, share of the time: planet table %.1f %% (%.3f s to build), "
      "integrator %.1f %% (%.3f s, of which interpolating the table %.3f s), "
      "reduction %.1f %% (%.3f s)\n",
      100 * tabla / suma, tabla, 100 * integracion / suma, integracion, interpolacion,
      100 * reduccion / suma, reduccion);
  std::printf(
      "month-long arcs beyond two-body motion, one thread: %.2f us per asteroid "
      "(goal: under 10), %.1f steps and %.1f force evaluations per asteroid\n",
      (s("month_perturbed_1_thread") - s("month_two_body_1_thread")) / kAsteroides * 1e6,
      static_cast<double>(d.pasos_mes.aceptados + d.pasos_mes.rechazados) / kAsteroides,
      static_cast<double>(d.pasos_mes.evaluaciones) / kAsteroides);

  std::error_code ignorado;
  fs::remove_all(d.directorio, ignorado);
  benchmark::Shutdown();
  return 0;
}
