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

std::wstring RutaWin32(const std::filesystem::path& ruta) {
  const std::wstring& nativa = ruta.native();
  // A folder's own limit is 12 characters short of MAX_PATH, room for an 8.3 name.
  if (nativa.size() < MAX_PATH - 12 || nativa.starts_with(L"\\\\?\\")) return nativa;
  // GetFullPathNameW, unlike std::filesystem::absolute here, resolves "..", turns "/" into
  // "\\" and knows a network share's root, all of which the prefix needs done beforehand.
  std::wstring completa(::GetFullPathNameW(nativa.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD largo = ::GetFullPathNameW(nativa.c_str(), static_cast<DWORD>(completa.size()),
                                         completa.data(), nullptr);
  if (largo == 0 || largo >= completa.size()) return nativa;
  completa.resize(largo);
  if (completa.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + completa.substr(2);
  return L"\\\\?\\" + completa;
}

}  // namespace orbelux
#endif
