// SPDX-License-Identifier: GPL-3.0-or-later
// What every benchmark here needs to report ratios measured in one run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orbelux::banco {

// Median of the ratios of runs taken in turn, A B A B ..., so that a machine whose
// speed drifts affects both sides of each pair alike.
template <typename A, typename B>
double RazonEmparejada(A&& a, B&& b, int pares) {
  using Reloj = std::chrono::steady_clock;
  std::vector<double> razones;
  for (int i = 0; i < pares; ++i) {
    const auto t0 = Reloj::now();
    a();
    const auto t1 = Reloj::now();
    b();
    const auto t2 = Reloj::now();
    razones.push_back(std::chrono::duration<double>(t1 - t0).count() /
                      std::chrono::duration<double>(t2 - t1).count());
  }
  std::sort(razones.begin(), razones.end());
  return razones[razones.size() / 2];
}

// Remembers each benchmark's mean real and CPU time per iteration (ns), for the figures.
class Registro final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        const double a_ns = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        tiempos[run.run_name.function_name] = run.GetAdjustedRealTime() * a_ns;
        cpu[run.run_name.function_name] = run.GetAdjustedCPUTime() * a_ns;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> tiempos;  // wall clock
  std::map<std::string, double> cpu;      // all threads
};

// One record in the MPC export format, statistics columns filled as in MPCORB.DAT.
// Angles in degrees, a in AU; the mean motion is derived from a.
struct Orbita {
  double H, M, peri, nodo, i, e, a;
};
inline std::string LineaMpc(int numero, std::string_view epoca_empaquetada, const Orbita& o) {
  const double n = 0.9856076686 / (o.a * std::sqrt(o.a));
  char nombre[32];
  std::snprintf(nombre, sizeof nombre, "(%d) Asteroide%d", numero, numero);
  char linea[256];
  std::snprintf(linea, sizeof linea,
                "%05d   %5.2f  0.15 %.5s %9.5f  %9.5f  %9.5f  %9.5f  %9.7f %11.8f %11.7f"
                "  0 MPO492748  6751 115 1801-2019 0.60 M-v 30h Williams   0000 %-28s"
                "20190915\n",
                numero, o.H, epoca_empaquetada.data(), o.M, o.peri, o.nodo, o.i, o.e, n, o.a,
                nombre);
  return linea;
}

}  // namespace orbelux::banco
