// SPDX-License-Identifier: GPL-3.0-or-later
// Windows speaks UTF-16; the programs keep every text in UTF-8. These convert at the edge: a
// box's text, an argument, a system message. An unpaired surrogate or an invalid byte
// becomes U+FFFD, so nothing is ever lost silently in one direction and refused in the other.
#pragma once

#ifdef _WIN32
#include <string>
#include <string_view>
#include <vector>

namespace orbelux {

std::string TextoUtf8(std::wstring_view texto);
std::wstring TextoAncho(std::string_view utf8);

// The command line of a wmain, without the program's name, as UTF-8.
std::vector<std::string> ArgumentosUtf8(int argc, wchar_t** argv);

}  // namespace orbelux
#endif
