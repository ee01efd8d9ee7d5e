// SPDX-License-Identifier: GPL-3.0-or-later
// Where a line of the MPC's comet file (CometEls.txt) turns into elements: one line per
// comet, columns counted from 1:
//    1-4   periodic number        5  orbit type (C, P, D, X, I, A)
//    6-12  packed provisional designation (a fragment's letter in 11-12)
//   15-18 / 20-21 / 23-29  perihelion time T, TT: year, month, day with decimals
//   31-39  perihelion distance q (AU)      42-49  eccentricity e
//   52-59  argument of perihelion   62-69  node   72-79  inclination (degrees, J2000)
//   82-85 / 86-87 / 88-89  epoch of osculation (blank: the orbit is meant unperturbed)
//   92-95  H, the absolute total magnitude M1   97-100  G, the slope n (either may be blank)
//  103-158 the designation and name as printed ("2P/Encke", "96P-B/Machholz")
//  160-    the reference, which may run past column 168 (not read).
// Non-gravitational forces are not in the file, and so not in the motion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ephemeris/elements_format.h"
#include "ephemeris/orbital_elements.h"

namespace orbelux::efemerides {

// Whether a line has the layout of a comet record (the classifier of FormatoCometas).
bool EsRegistroCometa(std::string_view linea);

// The fields of one comet record into `el` (FormaOrbita::Perihelio, LeyMagnitud::Total,
// numero 0); the message of the first that does not convert, naming the file, the line
// and the columns, or that gives no conic (q not positive, e negative or absurd).
std::optional<std::string> ConvertirCometa(std::string_view linea, std::uint64_t numero_linea,
                                           const std::string& archivo, ElementosOrbitales& el);

// The designation and name of columns 103-158, trimmed: "C/2023 A3 (Tsuchinshan-ATLAS)".
std::string_view NombreCometa(std::string_view linea);

}  // namespace orbelux::efemerides
