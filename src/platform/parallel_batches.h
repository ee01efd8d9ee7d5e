// SPDX-License-Identifier: GPL-3.0-or-later
// The one way work is shared among threads: independent items cut into batches, each
// batch taken by whichever thread is free, the calling thread working too.
#pragma once

#include <cstddef>
#include <functional>

namespace orbelux {

// Threads for a run: `pedidos` when given, else one per processor, at most 8 (beyond that
// the memory, not the processors, sets the pace).
unsigned HilosPorOmision(unsigned pedidos = 0);

// Runs trabajo(desde, hasta) over [0, total) in batches of `lote` items, on at most
// `hilos` threads counting the caller's (never more than there are batches). The calling
// thread alone calls `aviso` with the items done so far after each batch it finishes.
// When batches throw, the others still running end, no batch after the earliest failed
// one is started, and the exception of the earliest is rethrown, so the one reported
// does not depend on the threads.
void RepartirEnLotes(std::size_t total, std::size_t lote, unsigned hilos,
                     const std::function<void(std::size_t desde, std::size_t hasta)>& trabajo,
                     const std::function<void(std::size_t hechos, std::size_t total)>& aviso = {});

}  // namespace orbelux
