// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window tests' main: --ppp=N tells them the screen's resolution they were started
// for (run_at_dpi.sh sets up a Wine prefix with it); 96 unless told.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace {
int ppp_esperado = 96;
}  // namespace

namespace orbelux::win32 {
int PppEsperado() { return ppp_esperado; }
}  // namespace orbelux::win32

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string_view argumento = argv[i];
    if (argumento.starts_with("--ppp=")) ppp_esperado = std::atoi(argv[i] + 6);
  }
  return RUN_ALL_TESTS();
}
