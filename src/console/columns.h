// SPDX-License-Identifier: GPL-3.0-or-later
// How the console programs write numbers and places in their columns: fixed decimals,
// sexagesimal right ascension and declination, alignment by code points and CSV quoting.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orbelux::consola {

// A fixed-point number; "-0.00" is written "0.00", the sign of nothing.
std::string Fijo(double valor, int decimales);

// "HH MM SS.ss" of a right ascension in degrees, and "±DD MM SS.s" of a declination.
std::string TextoAscensionRecta(double grados);
std::string TextoDeclinacion(double grados);

// The width of UTF-8 text in code points, and the text padded with blanks to `ancho`.
std::size_t Anchura(std::string_view texto);
std::string Relleno(std::string_view texto, std::size_t ancho, bool a_la_izquierda);

// A table of aligned columns: the headings, then the rows, the first `columnas` fields of
// each (all of them when 0); the first column to the left, the others to the right, two
// blanks apart, no blanks at the end of a line.
std::string ColumnasAlineadas(const std::vector<std::string>& titulos,
                              const std::vector<std::vector<std::string>>& filas,
                              std::size_t columnas = 0);

// A CSV field, quoted when it holds a comma or a quote.
std::string Csv(std::string_view texto);

}  // namespace orbelux::consola
