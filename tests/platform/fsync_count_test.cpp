// SPDX-License-Identifier: GPL-3.0-or-later
// The real file system's fsync calls, counted where they reach the C library: a write that
// skipped one would lose data on a power cut and pass every other test.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/atomic_write.h"
#include "support/temp_dir.h"

namespace {

struct Sincronizado {
  bool directorio;
  ino_t nodo;
};
std::vector<Sincronizado>* g_sincronizados = nullptr;

}  // namespace

// Takes the place of the C library's fsync for this test program, and calls it.
extern "C" int fsync(int fd) {
  using Fsync = int (*)(int);
  static const auto real = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
  struct stat st {};
  if (g_sincronizados != nullptr && ::fstat(fd, &st) == 0) {
    g_sincronizados->push_back({S_ISDIR(st.st_mode), st.st_ino});
  }
  return real(fd);
}

namespace orbelux {
namespace {

TEST(SistemaReal, SincronizaElArchivoYDespuesSuDirectorio) {
  prueba::DirectorioTemporal dir;
  prueba::EscribirArchivo(dir / "out.txt", "old");
  std::vector<Sincronizado> sincronizados;
  g_sincronizados = &sincronizados;
  {
    EscrituraAtomica escritura(SistemaReal(), dir / "out.txt");
    escritura.Escribir("new");
    escritura.Confirmar();
  }
  g_sincronizados = nullptr;
  struct stat archivo {};
  struct stat carpeta {};
  ASSERT_EQ(::stat((dir / "out.txt").c_str(), &archivo), 0);
  ASSERT_EQ(::stat(dir.ruta().c_str(), &carpeta), 0);
  ASSERT_EQ(sincronizados.size(), 2u);
  EXPECT_FALSE(sincronizados[0].directorio);
  EXPECT_EQ(sincronizados[0].nodo, archivo.st_ino);
  EXPECT_TRUE(sincronizados[1].directorio);
  EXPECT_EQ(sincronizados[1].nodo, carpeta.st_ino);
}

}  // namespace
}  // namespace orbelux
