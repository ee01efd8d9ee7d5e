// SPDX-License-Identifier: GPL-3.0-or-later
// The elements file as the reader gets it: through the file system's seam, plain or gzip,
// and every way it can fail.
#include "ephemeris/element_source.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "support/faulty_fs.h"
#include "support/temp_dir.h"

namespace orbelux::efemerides {
namespace {

namespace fs = std::filesystem;
using prueba::Averia;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::SistemaConAverias;

std::string Gzip(std::string_view texto) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string salida(deflateBound(&z, texto.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(texto.data()));
  z.avail_in = static_cast<uInt>(texto.size());
  z.next_out = reinterpret_cast<Bytef*>(salida.data());
  z.avail_out = static_cast<uInt>(salida.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  salida.resize(z.total_out);
  deflateEnd(&z);
  return salida;
}

std::string LeerTodo(ArchivoLectura& archivo, std::size_t trozo = 1000) {
  std::string texto;
  std::vector<char> bloque(trozo);
  while (const std::size_t n = archivo.Leer(bloque.data(), bloque.size()))
    texto.append(bloque.data(), n);
  return texto;
}

// What reading the whole file gives, or the message of its failure.
std::string Resultado(const fs::path& ruta, SistemaArchivos& sistema = SistemaReal()) {
  try {
    ArchivoElementos archivo(ruta, sistema);
    return LeerTodo(archivo);
  } catch (const ErrorLecturaElementos& e) {
    return std::string("error: ") + e.what();
  }
}

const std::string kTexto = [] {
  std::string texto;
  for (int i = 0; i < 20000; ++i) texto += "linea " + std::to_string(i) + "\n";
  return texto;
}();

TEST(ArchivoElementos, DaElTextoDeCadaForma) {
  const std::string gz = Gzip(kTexto);
  struct Caso {
    const char* nombre;
    std::string bytes;
    std::string texto;
  };
  const Caso casos[] = {
      {"plain", kTexto, kTexto},
      {"gzip", gz, kTexto},
      {"two gzip members", Gzip("uno\n") + Gzip("dos\n"), "uno\ndos\n"},
      {"a member with nothing in it", Gzip("") + Gzip("dos\n"), "dos\n"},
      {"bytes after the last member are ignored", Gzip("uno\n") + "basura", "uno\n"},
      {"empty", "", ""},
      {"one byte like gzip's first", "\x1f", "\x1f"},
      {"plain starting like a gzip header would not", "\x1f\x8a rest", "\x1f\x8a rest"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    EscribirArchivo(dir / "e.dat", caso.bytes);
    EXPECT_EQ(Resultado(dir / "e.dat"), caso.texto);
  }
}

TEST(ArchivoElementos, CadaFalloDiceElNombreUnaVezYSuMotivo) {
  DirectorioTemporal dir(true);
  const std::string gz = Gzip(kTexto);
  EscribirArchivo("truncado.gz", gz.substr(0, gz.size() / 2));
  std::string daniado = gz;
  daniado[gz.size() / 2] ^= 0x55;
  daniado[gz.size() / 2 + 1] ^= 0x55;
  EscribirArchivo("daniado.gz", daniado);
#ifndef _WIN32
  ASSERT_EQ(::mkfifo("tuberia", 0600), 0);
#endif
  fs::create_directory("carpeta");
  struct Caso {
    const char* ruta;
    std::string mensaje;
  };
  const Caso casos[] = {
      {"no_esta.dat", "error: no_esta.dat: no se puede abrir: no existe"},
#ifndef _WIN32  // Windows has no FIFOs
      {"tuberia", "error: tuberia: no se puede abrir: no es un archivo normal"},
#endif
      {"carpeta", "error: carpeta: no se puede abrir: no es un archivo normal"},
      {"truncado.gz", "error: truncado.gz: el fichero comprimido está incompleto"},
      {"daniado.gz", "error: daniado.gz: el contenido comprimido está dañado ("},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.ruta);
    EXPECT_EQ(Resultado(caso.ruta).substr(0, caso.mensaje.size()), caso.mensaje);
  }
}

TEST(ArchivoElementos, LeePorElSistemaDeArchivosYSusAverias) {
  DirectorioTemporal dir;
  const std::string gz = Gzip(kTexto);
  EscribirArchivo(dir / "plano.dat", kTexto);
  EscribirArchivo(dir / "comprimido.dat", gz);
  for (const char* nombre : {"plano.dat", "comprimido.dat"}) {
    SCOPED_TRACE(nombre);
    SistemaConAverias sano;
    EXPECT_EQ(Resultado(dir / nombre, sano), kTexto);
    EXPECT_EQ(sano.lecturas_abiertas, 1);
    EXPECT_EQ(sano.bytes_leidos, fs::file_size(dir / nombre));

    SistemaConAverias sin_abrir(Averia::AbrirLectura);
    EXPECT_EQ(Resultado(dir / nombre, sin_abrir),
              "error: " + TextoRuta(dir / nombre) + ": no se puede abrir: averia provocada");
    SistemaConAverias a_mitad(Averia::LeerAMitad, gz.size() / 2);
    EXPECT_EQ(Resultado(dir / nombre, a_mitad),
              "error: " + TextoRuta(dir / nombre) + ": error de lectura: averia provocada");
  }
}

TEST(ArchivoElementos, AvisaDeLosBytesLeidosDelTamanoDelArchivo) {
  DirectorioTemporal dir;
  const std::string gz = Gzip(kTexto + kTexto + kTexto);
  EscribirArchivo(dir / "comprimido.dat", gz);
  EscribirArchivo(dir / "plano.dat", kTexto);
  for (const char* nombre : {"plano.dat", "comprimido.dat"}) {
    SCOPED_TRACE(nombre);
    const std::uint64_t tamano = fs::file_size(dir / nombre);
    std::vector<std::uint64_t> avances;
    ArchivoElementos archivo(dir / nombre, SistemaReal(),
                             [&](std::uint64_t hechos, std::uint64_t total) {
                               EXPECT_EQ(total, tamano);
                               avances.push_back(hechos);
                             });
    EXPECT_EQ(archivo.Tamano(), tamano);
    LeerTodo(archivo);
    ASSERT_FALSE(avances.empty());
    EXPECT_TRUE(std::is_sorted(avances.begin(), avances.end()));
    EXPECT_EQ(avances.back(), tamano);
  }
}

}  // namespace
}  // namespace orbelux::efemerides
