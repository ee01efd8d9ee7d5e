// SPDX-License-Identifier: GPL-3.0-or-later
// The cache folder: keys from the inputs' identity, entries checked on reading, a folder
// that cannot be written, the size bound and writers at the same time.
#include "platform/cache_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/faulty_fs.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;
using prueba::Averia;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using Lectura = LecturaCache::Resultado;
using Escritura = EscrituraCache::Resultado;
using Reloj = fs::file_time_type::clock;

ClaveCache Clave(std::string_view valor) {
  ClaveCache clave;
  clave.AnadirParte("prueba", valor);
  return clave;
}

TEST(AlmacenCache, GuardaYDevuelveCadaCargaBajoSuClave) {
  std::string binaria(300000, '\0');
  for (std::size_t i = 0; i < binaria.size(); ++i) binaria[i] = static_cast<char>(i * 7);
  const std::map<std::string, std::string> cargas = {{"vacía", ""}, {"binaria", binaria}};
  DirectorioTemporal dir;
  AlmacenCache almacen(SistemaReal(), dir / "c");
  for (const auto& [nombre, carga] : cargas) {
    EXPECT_EQ(almacen.Guardar(Clave(nombre), carga).resultado, Escritura::Guardada);
  }
  for (const auto& [nombre, carga] : cargas) {
    const LecturaCache leida = almacen.Leer(Clave(nombre));
    EXPECT_EQ(leida.resultado, Lectura::Hallada) << nombre;
    EXPECT_EQ(leida.carga, carga) << nombre;
  }
  // A payload in pieces reads as one.
  EXPECT_EQ(almacen.Guardar(Clave("piezas"), {"ab", "", binaria, "cd"}).resultado,
            Escritura::Guardada);
  EXPECT_EQ(almacen.Leer(Clave("piezas")).carga, "ab" + binaria + "cd");
  // One written as it is made that outgrows the bound is dropped, its temporary file too.
  const auto archivos = [&] {
    return std::distance(fs::directory_iterator(dir / "c"), fs::directory_iterator());
  };
  const auto antes = archivos();
  {
    AlmacenCache estrecho(SistemaReal(), dir / "c", TamanoEntrada(Clave("larga"), 10));
    EntradaNueva nueva(estrecho, Clave("larga"));
    nueva.Anadir("0123456789");
    nueva.Anadir("x");
    EXPECT_EQ(nueva.Confirmar().resultado, Escritura::NoCabe);
  }
  EXPECT_EQ(almacen.Leer(Clave("larga")).resultado, Lectura::Ausente);
  EXPECT_EQ(archivos(), antes);
  EXPECT_EQ(almacen.Leer(Clave("otra")).resultado, Lectura::Ausente);
  // Another key's entry under this key's name, as two keys hashing alike would leave it.
  fs::copy_file(dir / "c" / Clave("vacía").NombreArchivo(),
                dir / "c" / Clave("otra").NombreArchivo());
  EXPECT_EQ(almacen.Leer(Clave("otra")).resultado, Lectura::Ausente);
}

TEST(ClaveCache, LasPartesNoSeConfundenAlJuntarse) {
  ClaveCache a, b, c;
  a.AnadirParte("x", "1");
  a.AnadirParte("y", "2");
  b.AnadirParte("x", "1\n1:y=1:2");
  c.AnadirParte("y", "2");
  c.AnadirParte("x", "1");
  EXPECT_NE(a.texto(), b.texto());
  EXPECT_NE(a.NombreArchivo(), c.NombreArchivo());
  EXPECT_EQ(HuellaFnv(""), 0xcbf29ce484222325ull);
  EXPECT_EQ(HuellaFnv("foobar"), 0x85944171f73967e8ull);
}

// Each change to an elements file, its time kept unless the change is the time: which of
// them a key sees.
TEST(ClaveCache, CambiaConElTamanoLaFechaLaCabezaYLaColaDelArchivo) {
  constexpr std::size_t kGrande = 3 * kTramoHuella + 12345;
  constexpr std::size_t kNada = ~std::size_t{0};
  struct Caso {
    const char* nombre;
    std::size_t tamano;
    std::size_t byte;  // flipped, or kNada
    bool anadir, tocar_fecha, cambia_clave;
  };
  for (const Caso& caso : {
           Caso{"nothing", kGrande, kNada, false, false, false},
           Caso{"one more byte", kGrande, kNada, true, false, true},
           Caso{"the time", kGrande, kNada, false, true, true},
           Caso{"first byte", kGrande, 0, false, false, true},
           Caso{"last of the head", kGrande, kTramoHuella - 1, false, false, true},
           Caso{"first of the tail", kGrande, kGrande - kTramoHuella, false, false, true},
           Caso{"last byte", kGrande, kGrande - 1, false, false, true},
           // Between head and tail a large file is not read: size and time stand for it.
           Caso{"middle of a large file", kGrande, kGrande / 2, false, false, false},
           Caso{"middle of a small file", 2 * kTramoHuella, kTramoHuella, false, false, true},
       }) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    std::string contenido(caso.tamano, '\0');
    for (std::size_t i = 0; i < contenido.size(); ++i)
      contenido[i] = static_cast<char>(i * 31 + i / 977);
    const fs::path ruta = dir / "MPCORB.DAT";
    const auto fecha = Reloj::now() - std::chrono::hours(50);
    const auto clave = [&] {
      fs::last_write_time(ruta, caso.tocar_fecha ? fecha + std::chrono::seconds(1) : fecha);
      ClaveCache c;
      c.AnadirArchivo(SistemaReal(), ruta);
      return c;
    };
    EscribirArchivo(ruta, contenido);
    fs::last_write_time(ruta, fecha);
    ClaveCache antes;
    antes.AnadirArchivo(SistemaReal(), ruta);
    if (caso.byte != kNada) contenido[caso.byte] ^= 1;
    if (caso.anadir) contenido += 'x';
    EscribirArchivo(ruta, contenido);
    EXPECT_EQ(antes.NombreArchivo() != clave().NombreArchivo(), caso.cambia_clave);
  }
}

// Blocks from threads in any order make the payload in their order; a missing one keeps
// the entry out.
TEST(EntradaEnOrden, LosBloquesSeEscribenEnSuOrden) {
  DirectorioTemporal dir;
  AlmacenCache almacen(SistemaReal(), dir.ruta());
  std::string vistos;
  {
    EntradaEnOrden entrada(almacen, Clave("entera"), [&](std::string_view b) { vistos += b; });
    for (const auto& [indice, bloque] :
         std::vector<std::pair<int, std::string>>{{2, "cc"}, {0, "a"}, {3, ""}, {1, "bb"}}) {
      entrada.Anotar(static_cast<std::uint64_t>(indice), bloque);
    }
    EXPECT_EQ(entrada.Largo(), 5u);
    EXPECT_EQ(entrada.Terminar().resultado, Escritura::Guardada);
  }
  EXPECT_EQ(vistos, "abbcc");
  EXPECT_EQ(almacen.Leer(Clave("entera")).carga, "abbcc");
  {
    EntradaEnOrden entrada(almacen, Clave("hueca"));
    entrada.Anotar(0, "a");
    entrada.Anotar(2, "c");
    EXPECT_EQ(entrada.Largo(), 1u);
    EXPECT_NE(entrada.Terminar().resultado, Escritura::Guardada);
  }
  EXPECT_EQ(almacen.Leer(Clave("hueca")).resultado, Lectura::Ausente);
}

// Every way an entry can be damaged on disk, what a read makes of it, and the store after.
TEST(AlmacenCache, UnaEntradaDanadaSeDaPorDanadaYSeVuelveAGuardar) {
  const ClaveCache clave = Clave("k");
  const std::size_t carga = TamanoEntrada(clave, 0), largo = TamanoEntrada(clave, 1000);
  constexpr std::size_t kNada = ~std::size_t{0};
  struct Caso {
    const char* nombre;
    std::size_t byte;   // flipped, or kNada
    std::size_t largo;  // the file cut or grown to this
    Lectura esperado;
  };
  for (const Caso& caso : {
           Caso{"a payload byte", carga + 3, largo, Lectura::Danada},
           Caso{"the last byte", largo - 1, largo, Lectura::Danada},
           Caso{"the magic", 0, largo, Lectura::Danada},
           Caso{"the key's length", 12, largo, Lectura::Danada},
           Caso{"the header checksum", 19, largo, Lectura::Danada},
           Caso{"a byte of the key", 21, largo, Lectura::Danada},
           Caso{"the payload length", largo - 12, largo, Lectura::Danada},
           Caso{"the payload checksum", largo - 2, largo, Lectura::Danada},
           Caso{"cut by one byte", kNada, largo - 1, Lectura::Danada},
           Caso{"cut in the header", kNada, 15, Lectura::Danada},
           Caso{"cut in the key", kNada, 22, Lectura::Danada},
           Caso{"cut in the tail", kNada, largo - 5, Lectura::Danada},
           Caso{"empty", kNada, 0, Lectura::Danada},
           Caso{"one byte more", kNada, largo + 1, Lectura::Danada},
           // Another version's entry is simply not there, and is rebuilt without a word.
           Caso{"another version", 8, largo, Lectura::Ausente},
       }) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    AlmacenCache almacen(SistemaReal(), dir.ruta());
    ASSERT_EQ(almacen.Guardar(clave, std::string(1000, 'p')).resultado, Escritura::Guardada);
    std::string bytes = LeerArchivo(dir / clave.NombreArchivo());
    if (caso.byte != kNada) bytes[caso.byte] ^= 2;
    bytes.resize(caso.largo, 'p');
    EscribirArchivo(dir / clave.NombreArchivo(), bytes);
    const LecturaCache leida = almacen.Leer(clave);
    EXPECT_EQ(leida.resultado, caso.esperado);
    EXPECT_TRUE(leida.carga.empty());
    EXPECT_EQ(leida.mensaje.find(clave.NombreArchivo()) != std::string::npos,
              caso.esperado == Lectura::Danada)
        << leida.mensaje;
    ASSERT_EQ(almacen.Guardar(clave, "nueva").resultado, Escritura::Guardada);
    EXPECT_EQ(almacen.Leer(clave).carga, "nueva");
  }
}

// Three entries an hour apart, some read, then a fourth stored under a bound.
TEST(AlmacenCache, ElLimiteDescartaLasMenosUsadasPrimero) {
  struct Caso {
    const char* nombre;
    std::string leidas;      // read before the fourth is stored
    std::uint64_t entradas;  // the bound, in entries
    std::int64_t margen;     // and bytes
    std::string quedan;
  };
  for (const Caso& caso :
       {Caso{"the oldest goes", "", 3, 0, "bcd"},
        Caso{"a byte short of three keeps two", "", 3, -1, "cd"},
        Caso{"a read makes it the newest", "a", 3, 0, "acd"}, Caso{"two reads", "ba", 3, 0, "abd"},
        Caso{"too large by itself", "", 0, 1000, "abc"}}) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    const std::uint64_t entrada = TamanoEntrada(Clave("a"), 1000);
    AlmacenCache almacen(SistemaReal(), dir.ruta(), caso.entradas * entrada + caso.margen);
    for (const char* nombre : {"a", "b", "c"}) {
      ASSERT_EQ(AlmacenCache(SistemaReal(), dir.ruta())
                    .Guardar(Clave(nombre), std::string(1000, 'x'))
                    .resultado,
                Escritura::Guardada);
      fs::last_write_time(dir / Clave(nombre).NombreArchivo(),
                          Reloj::now() - std::chrono::hours(200 - *nombre));
    }
    for (const char nombre : caso.leidas) {
      ASSERT_EQ(almacen.Leer(Clave(std::string(1, nombre))).resultado, Lectura::Hallada);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const EscrituraCache escrita = almacen.Guardar(Clave("d"), std::string(1000, 'x'));
    EXPECT_EQ(escrita.resultado, caso.entradas == 0 ? Escritura::NoCabe : Escritura::Guardada);
    EXPECT_EQ(escrita.descartadas,
              caso.entradas == 0 ? 0 : static_cast<int>(4 - caso.quedan.size()));
    std::string quedan;
    for (const char nombre : std::string("abcd")) {
      if (fs::exists(dir / Clave(std::string(1, nombre)).NombreArchivo())) quedan += nombre;
    }
    EXPECT_EQ(quedan, caso.quedan);
  }
}

// Whatever stops the folder from being written, the answer is to work without the cache,
// with one line to say why and no entry left in the folder.
TEST(AlmacenCache, SinPoderEscribirSeTrabajaSinCache) {
  for (const Averia averia : {Averia::Ninguna, Averia::CrearTemporal, Averia::EscribirAMitad,
                              Averia::Sincronizar, Averia::Renombrar}) {
    SCOPED_TRACE(static_cast<int>(averia));
    DirectorioTemporal dir;
    EscribirArchivo(dir / "archivo", "");
    // Without a failure made on purpose, the folder's path goes through a file.
    const fs::path carpeta = averia == Averia::Ninguna ? dir / "archivo" / "orbelux" : dir / "c";
    prueba::SistemaConAverias sistema(averia, 500);
    AlmacenCache almacen(sistema, carpeta);
    const EscrituraCache escrita = almacen.Guardar(Clave("k"), std::string(2000, 'x'));
    EXPECT_EQ(escrita.resultado, Escritura::SinCache);
    EXPECT_NE(escrita.mensaje.find("sin ella"), std::string::npos) << escrita.mensaje;
    EXPECT_EQ(escrita.mensaje.find('\n'), std::string::npos);
    // POSIX says a path through a file is wrong, Windows that nothing is there.
    const Lectura leida = almacen.Leer(Clave("k")).resultado;
    EXPECT_TRUE(leida == Lectura::Ausente || leida == Lectura::SinCache);
    if (averia == Averia::Ninguna) continue;
    for (const auto& e : fs::directory_iterator(dir / "c")) {
      EXPECT_EQ(e.path().filename(), AlmacenCache::kNombreCandado);
    }
  }
  AlmacenCache ninguna(SistemaReal(), fs::path());
  EXPECT_EQ(ninguna.Leer(Clave("k")).resultado, Lectura::SinCache);
  EXPECT_EQ(ninguna.Guardar(Clave("k"), "x").resultado, Escritura::SinCache);
}

// Writers in threads of their own, each with its own lock as processes have, and a reader
// meanwhile: the reader never sees half an entry, and what is left is whole, within the
// bound, with no temporary file.
TEST(AlmacenCache, EscritoresALaVezDejanEntradasEnterasYDentroDelLimite) {
  DirectorioTemporal dir;
  constexpr int kHilos = 6;
  constexpr std::size_t kCarga = 200000;
  const std::uint64_t limite = 4 * TamanoEntrada(Clave("misma"), kCarga);
  std::atomic<int> terminados{0};
  std::vector<std::thread> hilos;
  for (int h = 0; h < kHilos; ++h) {
    hilos.emplace_back([&, h] {
      AlmacenCache almacen(SistemaReal(), dir.ruta(), limite);
      for (int i = 0; i < 5; ++i) {
        almacen.Guardar(Clave("misma"), std::string(kCarga, static_cast<char>('a' + h)));
        almacen.Guardar(Clave(std::to_string(h * 10 + i)), std::string(kCarga, 'z'));
      }
      ++terminados;
    });
  }
  AlmacenCache lector(SistemaReal(), dir.ruta(), limite);
  while (terminados < kHilos) {
    const LecturaCache leida = lector.Leer(Clave("misma"));
    ASSERT_TRUE(leida.resultado == Lectura::Hallada || leida.resultado == Lectura::Ausente)
        << leida.mensaje;
    if (leida.resultado == Lectura::Hallada) {
      ASSERT_EQ(leida.carga, std::string(kCarga, leida.carga[0]));
    }
  }
  for (auto& hilo : hilos) hilo.join();
  std::uint64_t total = 0;
  for (const auto& e : fs::directory_iterator(dir.ruta())) {
    EXPECT_EQ(e.path().filename().string().find(kMarcaTemporal), std::string::npos);
    total += fs::file_size(e.path());
  }
  EXPECT_LE(total, limite);
  EXPECT_GT(total, 0u);
}

// A writer held inside its trim (listing the folder) until told to go on.
class SistemaQueSeDetiene final : public prueba::SistemaReenviado {
 public:
  std::vector<EntradaDirectorio> Listar(const fs::path& directorio) override {
    dentro = true;
    while (!seguir) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return SistemaReenviado::Listar(directorio);
  }
  std::atomic<bool> dentro{false}, seguir{false};
};

class SistemaQueAnota final : public prueba::SistemaReenviado {
 public:
  void Renombrar(const fs::path& origen, const fs::path& destino) override {
    renombrado = true;
    SistemaReenviado::Renombrar(origen, destino);
  }
  std::atomic<bool> renombrado{false};
};

// Replacing an entry and trimming the folder are one turn: a second writer's replace waits
// until the first writer has trimmed, so no trim works from a stale listing.
TEST(AlmacenCache, ReemplazarYRecortarSonUnSoloTurno) {
  DirectorioTemporal dir;
  SistemaQueSeDetiene lento;
  SistemaQueAnota segundo;
  std::thread primero([&] { AlmacenCache(lento, dir.ruta()).Guardar(Clave("a"), "1"); });
  while (!lento.dentro) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::thread otro([&] { AlmacenCache(segundo, dir.ruta()).Guardar(Clave("b"), "2"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(segundo.renombrado);
  lento.seguir = true;
  primero.join();
  otro.join();
  EXPECT_TRUE(segundo.renombrado);
}

TEST(CarpetaCache, SigueLasVariablesDelSistema) {
  struct Caso {
    std::map<std::string, std::string> variables;
    fs::path carpeta;
  };
#ifndef _WIN32
  const std::vector<Caso> casos = {
      {{{"XDG_CACHE_HOME", "/x/cache"}, {"HOME", "/home/u"}}, "/x/cache/orbelux"},
      {{{"HOME", "/home/u"}}, "/home/u/.cache/orbelux"},
      {{{"XDG_CACHE_HOME", "cache"}, {"HOME", "/home/u"}}, "/home/u/.cache/orbelux"},
      {{{"XDG_CACHE_HOME", ""}, {"HOME", "/home/u"}}, "/home/u/.cache/orbelux"},
      {{{"HOME", "u"}}, ""},
      {{}, ""},
  };
#else
  const std::vector<Caso> casos = {
      {{{"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}, {"HOME", "C:\\h"}},
       L"C:\\Users\\u\\AppData\\Local\\orbelux"},
      {{{"LOCALAPPDATA", "Local"}, {"HOME", "C:\\h"}}, ""},
      {{{"HOME", "C:\\h"}}, ""},
  };
#endif
  for (const Caso& caso : casos) {
    EXPECT_EQ(CarpetaCache([&](std::string_view nombre) -> std::optional<std::string> {
                const auto it = caso.variables.find(std::string(nombre));
                return it == caso.variables.end() ? std::nullopt : std::optional(it->second);
              }),
              caso.carpeta)
        << caso.carpeta;
  }
}

TEST(LeerTamano, CifrasConUnidadDecimal) {
  for (const auto& [texto, bytes] :
       std::vector<std::pair<const char*, std::uint64_t>>{{"0", 0},
                                                          {"1000000", 1000000},
                                                          {"500M", 500000000},
                                                          {"2g", 2000000000},
                                                          {"7k", 7000},
                                                          {"1T", 1000000000000},
                                                          {"18446744073709551615", ~0ull}}) {
    EXPECT_EQ(LeerTamano(texto), bytes) << texto;
  }
  for (const char* malo : {"", "M", "-1", "1.5G", "2GB", "2 G", "G2", "18446744073709551616",
                           "18446744073709552k", "20000000T"}) {
    EXPECT_THROW(LeerTamano(malo), ErrorTamano) << malo;
  }
}

}  // namespace
}  // namespace orbelux

namespace orbelux {
namespace {

TEST(AlmacenCache, UnaEntradaSeLeePorPartes) {
  std::string carga(100000, '\0');
  for (std::size_t i = 0; i < carga.size(); ++i) carga[i] = static_cast<char>(i * 13 + 1);
  DirectorioTemporal dir;
  AlmacenCache almacen(SistemaReal(), dir / "c");
  ASSERT_EQ(almacen.Guardar(Clave("partes"), carga).resultado, Escritura::Guardada);
  LecturaPorPartes lectura = almacen.AbrirPorPartes(Clave("partes"));
  ASSERT_EQ(lectura.resultado, Lectura::Hallada);
  EntradaPorPartes& entrada = *lectura.entrada;
  EXPECT_EQ(entrada.Largo(), carga.size());
  const struct {
    const char* nombre;
    std::uint64_t desde;
    std::size_t largo;
    bool bien;
  } partes[] = {{"el principio", 0, 10, true},       {"saltando", 5000, 300, true},
                {"justo detras", 5300, 1, true},     {"hacia atras", 5000, 1, true},
                {"hasta el final", 99990, 10, true}, {"mas alla del final", 99995, 10, false}};
  std::string parte;
  for (const auto& p : partes) {
    SCOPED_TRACE(p.nombre);
    ASSERT_EQ(entrada.Leer(p.desde, p.largo, parte), p.bien);
    if (p.bien) {
      EXPECT_EQ(parte, carga.substr(static_cast<std::size_t>(p.desde), p.largo));
    }
  }
  EXPECT_EQ(almacen.AbrirPorPartes(Clave("otra")).resultado, Lectura::Ausente);
  // A damaged header or a cut entry is found before any part is read.
  const fs::path ruta = dir / "c" / Clave("partes").NombreArchivo();
  const std::string buena = LeerArchivo(ruta);
  for (const auto& [nombre, mala] :
       std::map<std::string, std::string>{{"cabecera", std::string(buena).replace(20, 1, "\x7f")},
                                          {"cortada", buena.substr(0, buena.size() - 1)}}) {
    SCOPED_TRACE(nombre);
    EscribirArchivo(ruta, mala);
    EXPECT_EQ(almacen.AbrirPorPartes(Clave("partes")).resultado, Lectura::Danada);
  }
  EXPECT_EQ(AlmacenCache(SistemaReal(), {}).AbrirPorPartes(Clave("partes")).resultado,
            Lectura::SinCache);
}

}  // namespace
}  // namespace orbelux
