// What every benchmark here needs to report ratios measured in one run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
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

}  // namespace orbelux::banco
