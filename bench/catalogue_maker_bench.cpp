// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of making a catalogue of 32,767 asteroids against the physical floor of its input
// and output.
//
// The floor reads the same elements file in 64 KiB blocks and writes a file of the
// catalogue's size the way the program does (temporary file, fsync, rename). Printed from
// the same process: the computation per asteroid, (run - floor) / N, and the ratio
// run / floor, both from the means and as the median of paired runs.

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "catalogue/catalogue_line.h"
#include "catalogue/catalogue_maker.h"
#include "ephemeris/element_source.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/sites.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;
namespace ef = orbelux::efemerides;

constexpr int kAsteroides = catalogo::kMaximoAsteroides;

// Full-width MPCORB.DAT records, statistics columns filled as in the real file: four in
// five in the main belt, one in five crossing the Earth's orbit.
std::string ElementosGenerados(int cuantos) {
  std::mt19937_64 azar(20220809);
  std::uniform_real_distribution<double> u(0, 1);
  std::string texto;
  texto.reserve(static_cast<std::size_t>(cuantos) * 203);
  for (int k = 1; k <= cuantos; ++k) {
    const bool cercano = k % 5 == 0;
    const double a = cercano ? 0.9 + 1.6 * u(azar) : 2.1 + 1.3 * u(azar);
    const double e = cercano ? 0.15 + 0.7 * u(azar) : 0.25 * u(azar);
    const double i = cercano ? 40 * u(azar) : 25 * u(azar);
    const double H = 10 + 8 * u(azar);
    const double M = 360 * u(azar);
    const double peri = 360 * u(azar);
    const double nodo = 360 * u(azar);
    texto += banco::LineaMpc(k, "K2289", {H, M, peri, nodo, i, e, a});
  }
  return texto;
}

struct Escenario {
  fs::path directorio;
  fs::path elementos;
  std::size_t bytes_catalogo = 0;
};

Escenario Preparar() {
  Escenario e;
  e.directorio = fs::temp_directory_path() / ("orbelux-banco-catalogo-" + std::to_string(::getpid()));
  fs::create_directories(e.directorio);
  e.elementos = e.directorio / "MPCORB.DAT";
  std::ofstream(e.elementos, std::ios::binary) << ElementosGenerados(kAsteroides);
  e.bytes_catalogo = static_cast<std::size_t>(kAsteroides) * catalogo::kAnchoLinea;
  return e;
}

const ef::Instante& Instante() {
  static const ef::Instante instante = ef::InstanteDesdeCalendario(2022, 9, 20, 0, 0, 0);
  return instante;
}

void UnCatalogo(const Escenario& e) {
  catalogo::PeticionCatalogo peticion;
  peticion.elementos = e.elementos;
  peticion.nombre_elementos = "MPCORB.DAT";
  peticion.salida = e.directorio / "ast.dat";
  peticion.instante = Instante();
  // The two-body catalogue maker against its I/O floor; perturbed_catalogue_bench
  // measures the integration.
  peticion.opciones.movimiento = catalogo::Movimiento::DosCuerpos;
  const catalogo::ResultadoCatalogo r = catalogo::HacerCatalogo(peticion);
  if (r.asteroides != kAsteroides) std::abort();
}

// Read the elements, write a catalogue-sized file durably: what no implementation avoids.
void UnSuelo(const Escenario& e) {
  static std::vector<char> bloque(64 * 1024);
  const std::string catalogo(e.bytes_catalogo, 'x');
  const fs::path temporal = e.directorio / "suelo.tmp";
  const int entrada = ::open(e.elementos.c_str(), O_RDONLY);
  while (::read(entrada, bloque.data(), bloque.size()) > 0) {
  }
  ::close(entrada);
  const int salida = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (::write(salida, catalogo.data(), catalogo.size()) < 0) std::perror("write");
  ::fsync(salida);
  ::close(salida);
  fs::rename(temporal, e.directorio / "suelo.dat");
}

void Catalogo(benchmark::State& estado, const Escenario* e) {
  for (auto _ : estado) UnCatalogo(*e);
  estado.SetItemsProcessed(static_cast<std::int64_t>(estado.iterations()) * kAsteroides);
}

void Suelo(benchmark::State& estado, const Escenario* e) {
  for (auto _ : estado) UnSuelo(*e);
}

// The parts of a run on their own, without files: reading the records, and computing
// and formatting the lines.
void SoloLectura(benchmark::State& estado, const std::string* texto) {
  ef::OpcionesLectura opciones;
  opciones.nombre = "MPCORB.DAT";
  for (auto _ : estado) {
    ef::FuenteMemoria fuente(*texto);
    benchmark::DoNotOptimize(ef::LeerElementosMPC(fuente, opciones));
  }
  estado.SetItemsProcessed(static_cast<std::int64_t>(estado.iterations()) * kAsteroides);
}

void SoloCalculo(benchmark::State& estado, const std::vector<ef::ElementosOrbitales>* el,
                 const char* observatorio) {
  catalogo::OpcionesCatalogo opciones;
  opciones.movimiento = catalogo::Movimiento::DosCuerpos;
  // Seen from a site the run adds one rotation, not one per asteroid: the two should match.
  if (observatorio != nullptr) opciones.sitio = ef::BuscarObservatorio(observatorio);
  for (auto _ : estado) {
    benchmark::DoNotOptimize(catalogo::TextoCatalogo(*el, Instante(), opciones));
  }
  estado.SetItemsProcessed(static_cast<std::int64_t>(estado.iterations()) * kAsteroides);
}

}  // namespace
}  // namespace orbelux

int main(int argc, char** argv) {
  using namespace orbelux;
  const Escenario escenario = Preparar();
  const std::string texto = [&] {
    std::ifstream entrada(escenario.elementos, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(entrada), {});
  }();
  const std::vector<ef::ElementosOrbitales> elementos = [&] {
    ef::FuenteMemoria fuente(texto);
    ef::OpcionesLectura opciones;
    opciones.nombre = "MPCORB.DAT";
    return ef::LeerElementosMPC(fuente, opciones);
  }();

  // CPU time of the whole process: the lines are computed on every processor.
  benchmark::RegisterBenchmark("catalogue_32767", Catalogo, &escenario)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime();
  benchmark::RegisterBenchmark("floor_32767", Suelo, &escenario)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime();
  benchmark::RegisterBenchmark("read_elements_only_32767", SoloLectura, &texto)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime();
  benchmark::RegisterBenchmark("compute_lines_only_32767", SoloCalculo, &elementos, nullptr)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime();
  benchmark::RegisterBenchmark("compute_lines_only_32767_from_J86", SoloCalculo, &elementos, "J86")
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime();

  benchmark::Initialize(&argc, argv);
  banco::Registro registro;
  benchmark::RunSpecifiedBenchmarks(&registro);

  const auto& t = registro.tiempos;
  std::printf("elements file: %ju bytes, catalogue: %zu bytes\n",
              static_cast<std::uintmax_t>(fs::file_size(escenario.elementos)),
              escenario.bytes_catalogo);
  if (t.count("catalogue_32767") && t.count("floor_32767")) {
    const double run = t.at("catalogue_32767");
    const double suelo = t.at("floor_32767");
    std::printf("computation per asteroid, (run - floor) / N: %.3f us (goal: under 0.5)\n",
                (run - suelo) / kAsteroides / 1000);
    std::printf("ratio of the means, catalogue_32767 / floor_32767: %.2f (goal: at most 3)\n",
                run / suelo);
    const double emparejada = banco::RazonEmparejada([&] { UnCatalogo(escenario); },
                                              [&] { UnSuelo(escenario); }, 31);
    std::printf("paired ratio catalogue_32767 / floor_32767 (median of 31 pairs): %.2f\n",
                emparejada);
  }
  const auto& c = registro.cpu;
  if (c.count("catalogue_32767") && c.count("floor_32767")) {
    std::printf("in CPU time (all threads): (run - floor) / N %.3f us, run / floor %.2f\n",
                (c.at("catalogue_32767") - c.at("floor_32767")) / kAsteroides / 1000,
                c.at("catalogue_32767") / c.at("floor_32767"));
  }
  if (t.count("read_elements_only_32767")) {
    std::printf("reading the records alone: %.3f us per asteroid (CPU %.3f us)\n",
                t.at("read_elements_only_32767") / kAsteroides / 1000,
                c.at("read_elements_only_32767") / kAsteroides / 1000);
  }
  if (t.count("compute_lines_only_32767")) {
    std::printf("positions and lines alone: %.3f us per asteroid (CPU of all threads %.3f us)\n",
                t.at("compute_lines_only_32767") / kAsteroides / 1000,
                c.at("compute_lines_only_32767") / kAsteroides / 1000);
  }

  std::error_code ignorado;
  fs::remove_all(escenario.directorio, ignorado);
  benchmark::Shutdown();
  return 0;
}
