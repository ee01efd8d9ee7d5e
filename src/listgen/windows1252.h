// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1252, the single-byte encoding of the report, from UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace orbelux {

// Every character Windows-1252 lacks, every malformed UTF-8 sequence, and CR and LF
// (which would break the report's lines) become "?".
std::string Utf8AWindows1252(std::string_view utf8);

}  // namespace orbelux
