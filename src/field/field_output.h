// SPDX-License-Identifier: GPL-3.0-or-later
// The objects of a field as the user reads them: aligned columns under a header, or CSV.
#pragma once

#include <string>

#include "console/columns.h"
#include "field/field_search.h"

namespace orbelux::campo {

// What the header of the text output says besides the objects.
struct CabeceraCampo {
  std::string instante;   // "2026-12-07 21:30:00 UTC (día juliano 2461382.395833)"
  std::string lugar;      // "geocentro", "J86 Sierra Nevada"
  std::string elementos;  // the file's name
  double ar_centro = 0;   // degrees
  double dec_centro = 0;  // degrees
  double radio = 0;       // minutes of arc
  std::optional<double> magnitud_maxima;
  bool dos_cuerpos = false;
};

// "HH MM SS.ss" of a right ascension in degrees, and "±DD MM SS.s" of a declination.
using consola::TextoAscensionRecta;
using consola::TextoDeclinacion;

// The CSV: its header row, then one row per object, LF line ends.
std::string TextoCsv(const ResultadoCampo& resultado);

// The text: the header, then aligned columns with Spanish headings.
std::string TextoTabla(const ResultadoCampo& resultado, const CabeceraCampo& cabecera);

}  // namespace orbelux::campo
