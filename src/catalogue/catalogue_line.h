// SPDX-License-Identifier: GPL-3.0-or-later
// Where a computed position turns into one line of the catalogue "ast.dat": the fixed
// columns the list generation reads, with the roundings carried so no field shows 60.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbelux::catalogo {

// 62 characters and CR LF.
inline constexpr std::size_t kAnchoCampos = 62;
inline constexpr std::size_t kAnchoLinea = kAnchoCampos + 2;
using LineaCatalogo = std::array<char, kAnchoLinea>;

struct DatosLinea {
  std::int32_t numero = 0;
  std::string_view nombre;       // readable designation; empty writes "(numero)"
  std::string_view dia_juliano;  // 12 characters on the first line, empty on the others
  double ascension_recta = 0;    // radians, [0, 2 pi)
  double declinacion = 0;        // radians
  std::optional<double> magnitud;  // none, or not finite: unknown, written 99.9
};

// Right ascension to a tenth of a second of time, declination to the arcsecond, the
// magnitude to a tenth, each rounded once as a whole and then split into its fields.
LineaCatalogo FormatearLinea(const DatosLinea& datos);

// The Julian day of the first line, "2459842.5000". Needs 1e6 <= dia_juliano < 1e7.
std::string TextoDiaJuliano(double dia_juliano);

}  // namespace orbelux::catalogo
