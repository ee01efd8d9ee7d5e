// SPDX-License-Identifier: GPL-3.0-or-later
// Where an MPC record line turns into elements: the columns of the MPC export format (the
// format of MPCORB.DAT), each field checked and converted, with a message naming the
// file, the line and the columns of the first field that does not convert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ephemeris/elements_format.h"
#include "ephemeris/orbital_elements.h"

namespace orbelux::efemerides {

// 1-based inclusive columns; whatever part of them the line reaches.
std::string_view Columnas(std::string_view linea, std::size_t desde, std::size_t hasta);

// The fields of one record into `el`, as FormatoMPC().Convertir gives them (`numero` is
// stored as given: 0 for an object with a provisional designation only); the message of the
// first that does not convert, or that gives no ellipse (e outside [0, 1), a not positive).
std::optional<std::string> ConvertirRegistro(std::string_view linea, std::int32_t numero,
                                             std::uint64_t numero_linea, const std::string& archivo,
                                             CacheEpoca& cache, ElementosOrbitales& el);

// The readable designation of columns 167-194, trimmed: "(1) Ceres", "2009 VA45".
std::string_view DesignacionLegible(std::string_view linea);

}  // namespace orbelux::efemerides
