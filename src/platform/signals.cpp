// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/signals.h"

#ifndef _WIN32
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <string>
#include <system_error>

#include <unistd.h>

namespace orbelux {

namespace fs = std::filesystem;

namespace {

// The temporary files being written, for the signal handler, which may only read plain
// memory and call unlink: a fixed table of C strings, each slot claimed through its state.
// These are the process's only globals besides the window; a handler has nothing else.
constexpr std::size_t kHuecos = 16;
constexpr std::size_t kLargoHueco = 4096;
constexpr int kLibre = 0;
constexpr int kOcupandose = 1;
constexpr int kEnUso = 2;
struct Hueco {
  std::atomic<int> estado{kLibre};
  char ruta[kLargoHueco];
};
Hueco g_huecos[kHuecos];

constexpr int kSenales[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_anteriores[std::size(kSenales)];

void AlRecibirSenal(int senal, siginfo_t* info, void* contexto) {
  const int errno_guardado = errno;
  for (Hueco& hueco : g_huecos) {
    if (hueco.estado.load(std::memory_order_acquire) == kEnUso) ::unlink(hueco.ruta);
  }
  for (std::size_t i = 0; i < std::size(kSenales); ++i) {
    if (kSenales[i] != senal) continue;
    const struct sigaction& anterior = g_anteriores[i];
    if ((anterior.sa_flags & SA_SIGINFO) != 0 && anterior.sa_sigaction != nullptr) {
      anterior.sa_sigaction(senal, info, contexto);
    } else if ((anterior.sa_flags & SA_SIGINFO) == 0 && anterior.sa_handler != SIG_DFL &&
               anterior.sa_handler != SIG_IGN) {
      anterior.sa_handler(senal);
    } else {
      // The default action, so that whoever started the process sees the signal. It is
      // blocked while this handler runs and strikes as soon as it returns.
      ::sigaction(senal, &anterior, nullptr);
      ::raise(senal);
    }
  }
  errno = errno_guardado;
}

// Once per process. A signal the process was told to ignore (nohup) stays ignored, and
// a handler that was there before runs after ours.
void InstalarManejadores() {
  static const bool instalados = [] {
    for (std::size_t i = 0; i < std::size(kSenales); ++i) {
      struct sigaction actual {};
      if (::sigaction(kSenales[i], nullptr, &actual) != 0) continue;
      if ((actual.sa_flags & SA_SIGINFO) == 0 && actual.sa_handler == SIG_IGN) continue;
      g_anteriores[i] = actual;
      struct sigaction nueva {};
      nueva.sa_sigaction = AlRecibirSenal;
      nueva.sa_flags = SA_SIGINFO | SA_RESTART;
      sigemptyset(&nueva.sa_mask);
      for (const int otra : kSenales) sigaddset(&nueva.sa_mask, otra);
      ::sigaction(kSenales[i], &nueva, nullptr);
    }
    return true;
  }();
  static_cast<void>(instalados);
}

}  // namespace

// The slot holding `ruta`, or -1 when it does not fit (the file is then only cleaned up
// by a later run).
int RecordarTemporal(const fs::path& ruta) {
  InstalarManejadores();
  std::error_code error;
  const std::string absoluta = fs::absolute(ruta, error).native();
  if (error || absoluta.size() >= kLargoHueco) return -1;
  for (std::size_t i = 0; i < kHuecos; ++i) {
    int libre = kLibre;
    if (g_huecos[i].estado.compare_exchange_strong(libre, kOcupandose)) {
      std::memcpy(g_huecos[i].ruta, absoluta.c_str(), absoluta.size() + 1);
      g_huecos[i].estado.store(kEnUso, std::memory_order_release);
      return static_cast<int>(i);
    }
  }
  return -1;
}

void OlvidarTemporal(int hueco) {
  if (hueco >= 0) g_huecos[hueco].estado.store(kLibre, std::memory_order_release);
}
}  // namespace orbelux

#else
#include <windows.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <system_error>

#include "platform/wide_text.h"

namespace orbelux {

namespace fs = std::filesystem;

namespace {

// As on POSIX, a fixed table the handler reads without taking a lock; the handler runs on
// a thread of its own while the run goes on, so each slot is claimed through its state.
constexpr std::size_t kHuecos = 16;
constexpr std::size_t kLargoHueco = 4096;
constexpr int kLibre = 0;
constexpr int kOcupandose = 1;
constexpr int kEnUso = 2;
struct Hueco {
  std::atomic<int> estado{kLibre};
  wchar_t ruta[kLargoHueco];
};
Hueco g_huecos[kHuecos];

// Ctrl+C, Ctrl+Break, the console window closed, the user logging off: the files go, and
// the next handler, in the end the system's, ends the process as it always would. The
// temporary file is open with FILE_SHARE_DELETE, so it can be deleted from here.
BOOL WINAPI AlRecibirControl(DWORD) {
  for (Hueco& hueco : g_huecos) {
    if (hueco.estado.load(std::memory_order_acquire) == kEnUso) ::DeleteFileW(hueco.ruta);
  }
  return FALSE;
}

void InstalarManejador() {
  static const bool instalado = ::SetConsoleCtrlHandler(AlRecibirControl, TRUE) != 0;
  static_cast<void>(instalado);
}

}  // namespace

int RecordarTemporal(const fs::path& ruta) {
  InstalarManejador();
  std::error_code error;
  const std::wstring absoluta = RutaWin32(fs::absolute(ruta, error));
  if (error || absoluta.size() >= kLargoHueco) return -1;
  for (std::size_t i = 0; i < kHuecos; ++i) {
    int libre = kLibre;
    if (g_huecos[i].estado.compare_exchange_strong(libre, kOcupandose)) {
      std::wmemcpy(g_huecos[i].ruta, absoluta.c_str(), absoluta.size() + 1);
      g_huecos[i].estado.store(kEnUso, std::memory_order_release);
      return static_cast<int>(i);
    }
  }
  return -1;
}

void OlvidarTemporal(int hueco) {
  if (hueco >= 0) g_huecos[hueco].estado.store(kLibre, std::memory_order_release);
}

}  // namespace orbelux
#endif
