// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed-column fields of the MPC export format, converted in place: packed numbers,
// packed epochs and the decimal numbers of the element columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orbelux::efemerides {

// The number of a packed numbered designation: five digits ("00001"), a letter and four
// digits from 100000 ("A0000", "a0000" = 360000) or "~" and four base-62 digits from
// 620000 ("~0000"). `campo` is columns 1-7; columns 6-7 must be blank or absent.
// Anything else, number 0 included, gives nullopt.
std::optional<std::int32_t> NumeroEmpaquetado(std::string_view campo);

// True for the packed provisional and survey designations of columns 1-7 ("K14A00A",
// "PLS2040", "T1S3138", and the "_" form of the longer cycles).
bool EsDesignacionProvisional(std::string_view campo);

// Julian date of 0h on a packed date ("K2289" = 2022-08-09, 2459800.5); nullopt when the
// century letter is not I, J or K, or the date does not exist.
std::optional<double> EpocaEmpaquetada(std::string_view campo);

// A decimal number standing in a fixed field: blanks around it, an optional sign, digits
// with at most one '.', at least one digit. Nothing else, no exponent; nullopt otherwise.
std::optional<double> NumeroDecimal(std::string_view campo);

// True when the field holds only blanks (or lies past the end of the line).
bool CampoEnBlanco(std::string_view campo);

}  // namespace orbelux::efemerides
