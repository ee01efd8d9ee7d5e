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
#include "ephemeris/elements_format.h"
#include "ephemeris/orbital_elements.h"

namespace orbelux::efemerides {

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
// The head of the file is settled as Preambulo says, and any other line that is not a
// record refuses the file (in ast.dat a line's place is the asteroid's number). Blank lines
// and provisional designations are skipped, and so are numbered records beyond the range,
// whose other fields are not even looked at. LF, CR LF and a lone CR each end a line.
// Throws ErrorElementos (ErrorSinRegistros for a file without any record; also after
// kMaximoLineasSinRegistro lines in a row without a record), or ErrorLecturaElementos or
// FalloArchivo when the bytes cannot be read.
std::vector<ElementosOrbitales> LeerElementosMPC(FuenteBytes& fuente,
                                                 const OpcionesLectura& opciones);

}  // namespace orbelux::efemerides
