// SPDX-License-Identifier: GPL-3.0-or-later
// Where an elements file turns into element sets: the MPC export format (the format of
// MPCORB.DAT), read line by line with every field converted in place.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/element_source.h"
#include "ephemeris/orbital_elements.h"

namespace orbelux::efemerides {

// An unusable elements file: a record that does not parse, a number missing from the
// range asked for. what() names the file, the line and the field, in Spanish.
class ErrorElementos : public Fallo {
 public:
  ErrorElementos(const std::string& mensaje, std::uint64_t linea)
      : Fallo(mensaje), linea_(linea) {}
  // 0 when the error belongs to no one line (a missing number).
  std::uint64_t linea() const { return linea_; }

 private:
  std::uint64_t linea_;
};

// More lines than this in a row that hold no record (blank, or not a record at all) end
// the reading with an error: MPCORB.DAT itself never has more than a few dozen.
inline constexpr std::uint64_t kMaximoLineasSinRegistro = 10'000'000;

struct OpcionesLectura {
  // The name of the file as the user should see it in messages.
  std::string nombre;
  // Asteroids 1..hasta; without it, 1..M for the largest M such that all of 1..M are in
  // the file, but never beyond `tope`.
  std::optional<std::int32_t> hasta;
  std::int32_t tope = 32767;
};

// The elements of asteroids 1..N, element k - 1 for asteroid k.
//
// Everything up to a line of dashes is a header, provided that line comes before the
// first record. Blank lines and provisional designations are skipped, and so are numbered
// records beyond the range, whose other fields are not even looked at. LF, CR LF and a lone
// CR each end a line. Throws ErrorElementos (also after kMaximoLineasSinRegistro lines in a
// row without a record), or ErrorLecturaElementos or FalloArchivo when the bytes cannot be
// read.
std::vector<ElementosOrbitales> LeerElementosMPC(FuenteBytes& fuente,
                                                 const OpcionesLectura& opciones);

}  // namespace orbelux::efemerides
