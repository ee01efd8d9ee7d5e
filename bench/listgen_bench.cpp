// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of a list generation against the physical floor of its input and output.
//
// The floor reads the same catalogue bytes in 64 KiB blocks and writes a file of the
// report's size the way the run does (temporary file, fsync, rename). The benchmark
// prints the ratio run / floor from the same process, and the peak heap of a run
// against the report's size.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "bench_support.h"
#include "catalogue_generator.h"
#include "listgen/generation_run.h"

// Heap accounting for the peak-memory figures.
namespace {
std::atomic<long long> g_en_uso{0};
std::atomic<long long> g_pico{0};
}  // namespace

void* operator new(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  const long long ahora = g_en_uso += static_cast<long long>(malloc_usable_size(p));
  long long pico = g_pico.load();
  while (ahora > pico && !g_pico.compare_exchange_weak(pico, ahora)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  g_en_uso -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace orbelux {
namespace {

namespace fs = std::filesystem;

class VentanaBanco final : public VentanaGeneracion {
 public:
  explicit VentanaBanco(CamposFiltro campos) : campos_(std::move(campos)) {}
  std::string TextoCaja(Caja caja) const override { return campos_[caja]; }
  void PonerTextoCaja(Caja caja, std::string_view texto) override {
    campos_[caja] = std::string(texto);
  }
  void PonerPuntero(Puntero) override {}
  void MostrarAviso(std::string_view texto, std::string_view) override {
    std::fprintf(stderr, "unexpected message: %.*s\n", static_cast<int>(texto.size()),
                 texto.data());
    std::abort();
  }
  void EnfocarCaja(Caja) override {}

 private:
  CamposFiltro campos_;
};

CamposFiltro Campos(std::initializer_list<const char*> textos) {
  CamposFiltro campos;
  std::size_t i = 0;
  for (const char* texto : textos) campos.textos[i++] = texto;
  return campos;
}

const CamposFiltro kPorDefecto = Campos({"23", "00", "00", "17", "00", "00", "-30", "00", "00",
                                         "+80", "00", "00", "400", "1400", "15", "18"});
const CamposFiltro kTodo = Campos({"0", "00", "00", "24", "00", "00", "-90", "00", "00", "+90",
                                   "00", "00", "0", "32768", "-1", "100"});
const CamposFiltro kTodoRangoEnorme = Campos({"0", "00", "00", "24", "00", "00", "-90", "00",
                                              "00", "+90", "00", "00", "-1000000000000",
                                              "1000000000000", "-1", "100"});

// Each scenario runs in its own directory holding its catalogue.
struct Escenario {
  fs::path directorio;
  std::size_t bytes_informe = 0;
};

Escenario Preparar(const std::string& nombre, const std::string& catalogo, const CamposFiltro& campos) {
  Escenario e{fs::temp_directory_path() / ("orbelux-banco-" + std::to_string(::getpid())) / nombre};
  fs::create_directories(e.directorio);
  std::ofstream(e.directorio / "ast.dat", std::ios::binary) << catalogo;
  const fs::path antes = fs::current_path();
  fs::current_path(e.directorio);
  VentanaBanco ventana(campos);
  GenerarLista(ventana);
  fs::current_path(antes);
  e.bytes_informe = fs::file_size(e.directorio / "Asteroides.txt");
  return e;
}

void UnaGeneracion(const Escenario& e, const CamposFiltro& campos) {
  fs::current_path(e.directorio);
  VentanaBanco ventana(campos);
  GenerarLista(ventana);
}

void Generar(benchmark::State& estado, const Escenario* e, const CamposFiltro* campos) {
  for (auto _ : estado) UnaGeneracion(*e, *campos);
  estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations()) *
                           static_cast<std::int64_t>(fs::file_size(e->directorio / "ast.dat")));
}

// Read the catalogue, write a report-sized file durably: what no implementation avoids.
void UnSuelo(const Escenario& e) {
  static std::vector<char> bloque(64 * 1024);
  const std::string informe(e.bytes_informe, 'x');
  const fs::path catalogo = e.directorio / "ast.dat";
  const fs::path temporal = e.directorio / "suelo.tmp";
  const int entrada = ::open(catalogo.c_str(), O_RDONLY);
  while (::read(entrada, bloque.data(), bloque.size()) > 0) {
  }
  ::close(entrada);
  const int salida = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (::write(salida, informe.data(), informe.size()) < 0) std::perror("write");
  ::fsync(salida);
  ::close(salida);
  fs::rename(temporal, e.directorio / "suelo.txt");
}

void Suelo(benchmark::State& estado, const Escenario* e) {
  for (auto _ : estado) UnSuelo(*e);
}


long long PicoDeUnaGeneracion(const Escenario& e, const CamposFiltro& campos) {
  fs::current_path(e.directorio);
  VentanaBanco ventana(campos);
  const long long base = g_en_uso.load();
  g_pico = base;
  GenerarLista(ventana);
  return g_pico.load() - base;
}


}  // namespace
}  // namespace orbelux

int main(int argc, char** argv) {
  using namespace orbelux;
  const fs::path inicio = fs::current_path();
  const Escenario realista =
      Preparar("realista", banco::CatalogoRealista(1500), kPorDefecto);
  const Escenario peor = Preparar("peor", banco::CatalogoPeorCaso(32767), kTodo);

  benchmark::RegisterBenchmark("default_filters_1500", Generar, &realista, &kPorDefecto);
  benchmark::RegisterBenchmark("floor_1500", Suelo, &realista);
  benchmark::RegisterBenchmark("worst_case_32767", Generar, &peor, &kTodo);
  benchmark::RegisterBenchmark("floor_32767", Suelo, &peor);

  benchmark::Initialize(&argc, argv);
  banco::Registro registro;
  benchmark::RunSpecifiedBenchmarks(&registro);

  const double emparejada = banco::RazonEmparejada([&] { UnaGeneracion(peor, kTodo); },
                                            [&] { UnSuelo(peor); }, 31);
  std::printf("paired ratio worst_case_32767 / floor_32767 (median of 31 pairs): %.2f "
              "(goal: at most 2.0)\n",
              emparejada);
  const auto& t = registro.tiempos;
  if (t.count("worst_case_32767") && t.count("floor_32767")) {
    std::printf("ratio of the means above, worst_case_32767 / floor_32767: %.2f\n",
                t.at("worst_case_32767") / t.at("floor_32767"));
  }
  if (t.count("default_filters_1500") && t.count("floor_1500")) {
    std::printf("ratio default_filters_1500 / floor_1500: %.2f\n",
                t.at("default_filters_1500") / t.at("floor_1500"));
  }
  const long long pico = PicoDeUnaGeneracion(peor, kTodo);
  const long long pico_enorme = PicoDeUnaGeneracion(peor, kTodoRangoEnorme);
  std::printf("report of the worst case: %zu bytes\n", peor.bytes_informe);
  std::printf("peak heap of a worst-case run: %lld bytes (%.2f x the report)\n", pico,
              static_cast<double>(pico) / static_cast<double>(peor.bytes_informe));
  std::printf("peak heap with a number range 1e12 wide: %lld bytes\n", pico_enorme);

  fs::current_path(inicio);
  std::error_code ignorado;
  fs::remove_all(realista.directorio.parent_path(), ignorado);
  benchmark::Shutdown();
  return 0;
}
