// SPDX-License-Identifier: GPL-3.0-or-later
// Angles as users write them, for --centro and --lugar: one reader for every form, which
// says which piece it cannot read.
#pragma once

#include <string_view>

#include "console/options.h"

namespace orbelux::consola {

// An angle that cannot be read; what() names the piece and says why, in Spanish.
class ErrorAngulo : public Fallo {
 public:
  using Fallo::Fallo;
};

// An angle as written, in the unit written.
struct AnguloEscrito {
  double valor = 0;
  bool horas = false;   // marked h, m or s: `valor` is in hours
  bool grados = false;  // marked °, º, d, ' or ": `valor` is in degrees
  bool partes = false;  // written in more than one part (sexagesimal)
};

// One angle: a decimal number ("-3.3842"), or up to three parts (degrees or hours, minutes,
// seconds) separated by blanks, colons or marks: "07h42m00s", "07:42:00", "7 42",
// "+26°40'00\"", "+26d40m00s", "-3:23:03.1". The typeset minus (U+2212) is a minus. The sign, on
// the first part only, is the whole angle's; minutes and seconds are under 60, and only the last
// part may have decimals. Throws ErrorAngulo.
AnguloEscrito LeerAngulo(std::string_view texto);

// A centre of the sky, degrees.
struct Centro {
  double ar = 0;   // [0, 360)
  double dec = 0;  // [-90, 90]
};

// --centro: the right ascension and the declination, separated by a comma or by blanks
// ("07h42m00s +26°40'00\"", "07:42:00 +26:40:00", "7 42 +26 40", "115.5,26.67"). A right
// ascension in parts or marked h is in hours; one plain number is degrees. Throws ErrorUso,
// naming the option, the part (right ascension or declination) and the piece it cannot read.
Centro LeerCentro(std::string_view texto);

}  // namespace orbelux::consola
