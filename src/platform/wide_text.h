// SPDX-License-Identifier: GPL-3.0-or-later
// Windows speaks UTF-16; the programs keep every text in UTF-8. These convert at the edge: a
// box's text, an argument, a system message. An unpaired surrogate or an invalid byte
// becomes U+FFFD, so nothing is ever lost silently in one direction and refused in the other.
#pragma once

#ifdef _WIN32
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orbelux {

std::string TextoUtf8(std::wstring_view texto);
std::wstring TextoAncho(std::string_view utf8);

// The command line of a wmain, without the program's name, as UTF-8.
std::vector<std::string> ArgumentosUtf8(int argc, wchar_t** argv);

// A path as the Win32 file functions should get it: as it is while it is short, and from
// MAX_PATH characters on absolute with the "\\?\" prefix ("\\?\UNC\" for a network share),
// which every Windows 10 and 11 takes whether or not long paths are enabled on the machine.
std::wstring RutaWin32(const std::filesystem::path& ruta);

}  // namespace orbelux
#endif
