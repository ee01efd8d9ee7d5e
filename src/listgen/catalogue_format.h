// SPDX-License-Identifier: GPL-3.0-or-later
// Where each field stands in a line of the catalogue "ast.dat" (1-based columns).
// The reader here and any program that writes catalogues share these positions.
#pragma once

#include <cstddef>

namespace orbelux::columnas {

struct Campo {
  std::size_t inicio;  // 1-based
  std::size_t ancho;
};

inline constexpr Campo kIdentificacion{1, 23};
inline constexpr Campo kDiaJuliano{24, 12};  // first line only
inline constexpr Campo kARHoras{37, 2};
inline constexpr Campo kARMinutos{40, 2};
inline constexpr Campo kARSegundos{43, 4};
inline constexpr Campo kDECGrados{48, 3};
inline constexpr Campo kDECMinutos{52, 2};
inline constexpr Campo kDECSegundos{55, 2};
inline constexpr Campo kMagnitud{58, 5};

// A complete line; nothing beyond it is read.
inline constexpr std::size_t kAnchoLinea = 62;

}  // namespace orbelux::columnas
