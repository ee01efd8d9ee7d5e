// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/console_output.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#endif

namespace orbelux {

#ifdef _WIN32
namespace {

// The console's code page before ours, for the exit and the console control handler,
// which have nothing else to read it from; 0 while there is nothing to give back.
std::atomic<UINT> g_pagina_anterior{0};

void DevolverPagina() {
  const UINT anterior = g_pagina_anterior.exchange(0);
  if (anterior != 0) ::SetConsoleOutputCP(anterior);
}

BOOL WINAPI AlRecibirControl(DWORD) {
  DevolverPagina();
  return FALSE;
}

}  // namespace

void PrepararSalidaConsola() {
  static const bool preparada = [] {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    const UINT anterior = ::GetConsoleOutputCP();
    if (anterior != 0 && anterior != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
      g_pagina_anterior = anterior;
      std::atexit(DevolverPagina);
      ::SetConsoleCtrlHandler(AlRecibirControl, TRUE);
    }
    return true;
  }();
  static_cast<void>(preparada);
}
#else
void PrepararSalidaConsola() {}
#endif

}  // namespace orbelux
