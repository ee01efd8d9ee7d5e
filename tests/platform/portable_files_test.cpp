// SPDX-License-Identifier: GPL-3.0-or-later
// Lines, refusing what is not a file, and the atomic replace: what every system the
// programs run on must do alike (the POSIX-only cases are in atomic_write_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/atomic_write.h"
#include "platform/line_reader.h"
#include "support/faulty_fs.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

using prueba::Averia;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::SistemaConAverias;

// A file served in pieces of a fixed size, so that line ends fall across reads.
class ArchivoEnTrozos final : public ArchivoLectura {
 public:
  ArchivoEnTrozos(std::string contenido, std::size_t trozo)
      : contenido_(std::move(contenido)), trozo_(trozo) {}
  std::size_t Leer(char* destino, std::size_t maximo) override {
    const std::size_t n = std::min({maximo, trozo_, contenido_.size() - pos_});
    contenido_.copy(destino, n, pos_);
    pos_ += n;
    return n;
  }

 private:
  std::string contenido_;
  std::size_t trozo_;
  std::size_t pos_ = 0;
};

std::vector<std::string> Lineas(const std::string& contenido, std::size_t trozo,
                                std::size_t ancho = 100) {
  ArchivoEnTrozos archivo(contenido, trozo);
  LectorLineas lector(archivo, ancho);
  std::vector<std::string> lineas;
  while (!lector.AlFinal()) lineas.emplace_back(lector.LeerLinea());
  return lineas;
}

struct CasoLineas {
  const char* nombre;
  std::string contenido;
  std::vector<std::string> esperadas;
};

TEST(LectorLineas, LineEndsOfEveryKind) {
  const std::vector<CasoLineas> casos = {
      {"empty file", "", {}},
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lone lf", "a\nb\n", {"a", "b"}},
      {"lone cr", "a\rb\r", {"a", "b"}},
      {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"last line without end", "a\r\nb", {"a", "b"}},
      {"blank lines", "\r\n\r\n", {"", ""}},
      {"lf cr is two ends", "a\n\rb", {"a", "", "b"}},
      {"cr cr lf", "a\r\r\nb", {"a", "", "b"}},
      {"other bytes are content", std::string("a\0\tb\xE9\r\n", 7), {std::string("a\0\tb\xE9", 5)}},
  };
  for (const auto& caso : casos) {
    for (std::size_t trozo : {1u, 2u, 3u, 65536u}) {
      SCOPED_TRACE(std::string(caso.nombre) + ", pieces of " + std::to_string(trozo));
      EXPECT_EQ(Lineas(caso.contenido, trozo), caso.esperadas);
    }
  }
}

TEST(LectorLineas, KeepsOnlyTheWidthAskedForAndSkipsTheRest) {
  const std::string larga(200000, 'x');
  EXPECT_EQ(Lineas("abcdef\r\n" + larga + "\r\nz", 7, 4),
            (std::vector<std::string>{"abcd", "xxxx", "z"}));
}

TEST(SistemaReal, RefusesWhatIsNotARegularFile) {
  DirectorioTemporal dir;
  std::filesystem::create_directory(dir / "ast.dat");
  EXPECT_THROW(SistemaReal().AbrirLectura(dir / "ast.dat"), FalloArchivo);
  EXPECT_THROW(SistemaReal().AbrirLectura(dir / "missing"), FalloArchivo);
}

TEST(EscrituraAtomica, ReplacesTheFileWholeWhenConfirmed) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "out.txt", "old");
  {
    EscrituraAtomica escritura(SistemaReal(), dir / "out.txt");
    escritura.Escribir("new ");
    escritura.Escribir(std::string(100000, 'n'));
    EXPECT_EQ(LeerArchivo(dir / "out.txt"), "old");
    escritura.Confirmar();
  }
  EXPECT_EQ(LeerArchivo(dir / "out.txt"), "new " + std::string(100000, 'n'));
  EXPECT_EQ(dir.Listado(), "out.txt");
}

TEST(EscrituraAtomica, AnUnconfirmedWriteLeavesNothingBehind) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "out.txt", "old");
  {
    EscrituraAtomica escritura(SistemaReal(), dir / "out.txt");
    escritura.Escribir("half");
  }
  EXPECT_EQ(LeerArchivo(dir / "out.txt"), "old");
  EXPECT_EQ(dir.Listado(), "out.txt");
}

TEST(EscrituraAtomica, EveryFailureNamesTheDestinationAndKeepsTheOldFile) {
  struct Caso {
    const char* nombre;
    Averia averia;
  };
  for (const Caso& caso :
       {Caso{"create", Averia::CrearTemporal}, Caso{"disk full", Averia::EscribirAMitad},
        Caso{"fsync", Averia::Sincronizar}, Caso{"rename", Averia::Renombrar}}) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    EscribirArchivo(dir / "out.txt", "old");
    SistemaConAverias sistema(caso.averia, 70000);
    try {
      EscrituraAtomica escritura(sistema, dir / "out.txt");
      escritura.Escribir(std::string(150000, 'n'));
      escritura.Confirmar();
      ADD_FAILURE() << "no failure";
    } catch (const FalloArchivo& fallo) {
      EXPECT_EQ(fallo.operacion(), FalloArchivo::Operacion::Escritura);
      EXPECT_EQ(fallo.ruta(), dir / "out.txt");
    }
    EXPECT_EQ(LeerArchivo(dir / "out.txt"), "old");
    EXPECT_EQ(dir.Listado(), "out.txt");
  }
}

}  // namespace
}  // namespace orbelux
