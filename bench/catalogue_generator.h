// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogues for the benchmarks, in the exact columns the scan reads.
#pragma once

#include <cstdint>
#include <string>

namespace orbelux::banco {

// Realistic: positions over the whole sky, magnitudes 8 to 20, first line with a Julian day.
std::string CatalogoRealista(int lineas, std::uint32_t semilla = 1);

// Every line selectable, right ascensions strictly decreasing: each record sorts first.
std::string CatalogoPeorCaso(int lineas);

}  // namespace orbelux::banco
