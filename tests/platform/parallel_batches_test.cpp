// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/parallel_batches.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace orbelux {
namespace {

TEST(RepartirEnLotes, CadaElementoUnaVezEnLotesDelTamanoPedido) {
  struct Caso {
    const char* nombre;
    std::size_t total, lote;
    unsigned hilos;
    std::size_t lotes;
  };
  const Caso casos[] = {
      {"nada", 0, 16, 4, 0},
      {"uno", 1, 16, 4, 1},
      {"lote de uno", 5, 1, 2, 5},
      {"resto al final", 100, 16, 3, 7},
      {"mas hilos que lotes", 40, 16, 8, 3},
      {"lote cero es uno", 3, 0, 2, 3},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::vector<std::atomic<int>> veces(c.total);
    std::atomic<std::size_t> lotes{0};
    RepartirEnLotes(c.total, c.lote, c.hilos, [&](std::size_t desde, std::size_t hasta) {
      EXPECT_LT(desde, hasta);
      EXPECT_LE(hasta - desde, std::max<std::size_t>(c.lote, 1));
      for (std::size_t i = desde; i < hasta; ++i) ++veces[i];
      ++lotes;
    });
    EXPECT_EQ(lotes.load(), c.lotes);
    for (std::size_t i = 0; i < c.total; ++i) ASSERT_EQ(veces[i].load(), 1) << "item " << i;
  }
}

TEST(RepartirEnLotes, AvisaElHiloQueLlamaEnOrdenCreciente) {
  const std::thread::id llamante = std::this_thread::get_id();
  std::vector<std::size_t> avisos;
  RepartirEnLotes(
      100, 10, 1, [](std::size_t, std::size_t) {},
      [&](std::size_t hechos, std::size_t total) {
        EXPECT_EQ(std::this_thread::get_id(), llamante);
        EXPECT_EQ(total, 100u);
        avisos.push_back(hechos);
      });
  EXPECT_EQ(avisos, (std::vector<std::size_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST(RepartirEnLotes, ElFalloQueSaleEsElDelLoteMasTemprano) {
  for (const unsigned hilos : {1u, 2u, 4u}) {
    SCOPED_TRACE(hilos);
    std::atomic<std::size_t> despues_del_fallo{0};
    try {
      RepartirEnLotes(200, 8, hilos, [&](std::size_t desde, std::size_t hasta) {
        if (desde > 37) ++despues_del_fallo;
        for (const std::size_t malo : {150u, 37u}) {
          if (malo >= desde && malo < hasta) throw std::runtime_error(std::to_string(malo));
        }
      });
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "37");
    }
    // Alone, the thread stops at the failure and starts nothing after it.
    if (hilos == 1) {
      EXPECT_EQ(despues_del_fallo.load(), 0u);
    }
  }
}

}  // namespace
}  // namespace orbelux
