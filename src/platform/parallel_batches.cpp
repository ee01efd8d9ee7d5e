// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/parallel_batches.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace orbelux {

unsigned HilosPorOmision(unsigned pedidos) {
  if (pedidos != 0) return pedidos;
  return std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u);
}

void RepartirEnLotes(std::size_t total, std::size_t lote, unsigned hilos,
                     const std::function<void(std::size_t desde, std::size_t hasta)>& trabajo,
                     const std::function<void(std::size_t hechos, std::size_t total)>& aviso) {
  lote = std::max<std::size_t>(lote, 1);
  const std::size_t lotes = (total + lote - 1) / lote;
  const auto cuantos =
      static_cast<unsigned>(std::clamp<std::size_t>(hilos, 1, std::max<std::size_t>(lotes, 1)));
  std::atomic<std::size_t> siguiente{0};
  std::atomic<std::size_t> hechos{0};
  std::atomic<std::size_t> primer_fallo{std::numeric_limits<std::size_t>::max()};
  std::mutex mutex;
  std::exception_ptr fallo;

  auto trabajar = [&](bool avisa) {
    for (;;) {
      const std::size_t desde = siguiente.fetch_add(lote);
      if (desde >= total || desde >= primer_fallo.load()) return;
      const std::size_t hasta = std::min(total, desde + lote);
      try {
        trabajo(desde, hasta);
      } catch (...) {
        const std::lock_guard<std::mutex> cerrojo(mutex);
        if (desde < primer_fallo.load()) {
          primer_fallo = desde;
          fallo = std::current_exception();
        }
      }
      const std::size_t ya = hechos.fetch_add(hasta - desde) + (hasta - desde);
      if (avisa && aviso) aviso(ya, total);
    }
  };
  std::vector<std::thread> otros;
  for (unsigned h = 1; h < cuantos; ++h) otros.emplace_back(trabajar, false);
  trabajar(true);
  for (auto& hilo : otros) hilo.join();
  if (fallo) std::rethrow_exception(fallo);
}

}  // namespace orbelux
