// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window tests' main. Under Wine on an X server with no window manager, a window
// that is hidden or destroyed waits up to two seconds for a window manager to withdraw it;
// windows that Wine manages itself do not. So, before the first window, the tests ask Wine
// for that, in a volatile key that goes when Wine stops. Windows itself never reads the key.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string_view>

namespace {

bool BajoWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void VentanasSinGestor() {
  HKEY clave = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr,
                      REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &clave,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  static constexpr wchar_t kNo[] = L"N";
  RegSetValueExW(clave, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNo), sizeof kNo);
  RegCloseKey(clave);
}

int ppp_esperado = 96;

}  // namespace

namespace orbelux::win32 {
int PppEsperado() { return ppp_esperado; }
}  // namespace orbelux::win32

// --ppp=N: the screen's resolution the run was started for (a Wine prefix set to N).
int main(int argc, char* argv[]) {
  if (BajoWine()) VentanasSinGestor();
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string_view argumento = argv[i];
    if (argumento.starts_with("--ppp=")) ppp_esperado = std::atoi(argv[i] + 6);
  }
  return RUN_ALL_TESTS();
}
