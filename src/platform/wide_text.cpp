// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wide_text.h"

#ifdef _WIN32
#include <windows.h>

namespace orbelux {

std::string TextoUtf8(std::wstring_view texto) {
  if (texto.empty()) return {};
  const int n = static_cast<int>(texto.size());
  const int largo =
      ::WideCharToMultiByte(CP_UTF8, 0, texto.data(), n, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(largo), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, texto.data(), n, utf8.data(), largo, nullptr, nullptr);
  return utf8;
}

std::wstring TextoAncho(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = static_cast<int>(utf8.size());
  const int largo = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
  std::wstring texto(static_cast<std::size_t>(largo), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, texto.data(), largo);
  return texto;
}

std::vector<std::string> ArgumentosUtf8(int argc, wchar_t** argv) {
  std::vector<std::string> argumentos;
  for (int i = 1; i < argc; ++i) argumentos.push_back(TextoUtf8(argv[i]));
  return argumentos;
}

}  // namespace orbelux
#endif
