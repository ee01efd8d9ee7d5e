// SPDX-License-Identifier: GPL-3.0-or-later
// The cache folder: keys from the inputs' identity, entries checked on reading, a folder
// that cannot be written, the size bound and writers at the same time.
#include "platform/cache_store.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
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
using prueba::SistemaConAverias;
using Lectura = LecturaCache::Resultado;
using Escritura = EscrituraCache::Resultado;

ClaveCache Clave(std::string_view valor) {
  ClaveCache clave;
  clave.AnadirParte("prueba", valor);
  return clave;
}

// The names in a folder, sorted, or "" when there is no folder.
std::string Listado(const fs::path& carpeta) {
  std::error_code error;
  if (!fs::exists(carpeta, error)) return "";
  std::vector<std::string> nombres;
  for (const auto& e : fs::directory_iterator(carpeta))
    nombres.push_back(e.path().filename().string());
  std::sort(nombres.begin(), nombres.end());
  std::string texto;
  for (const auto& n : nombres) texto += (texto.empty() ? "" : " ") + n;
  return texto;
}

TEST(AlmacenCache, GuardaYDevuelveCadaCargaBajoSuClave) {
  std::string binaria;
  for (int i = 0; i < 300000; ++i) binaria += static_cast<char>(i * 7);
  const std::map<std::string, std::string> cargas = {{"vacía", ""},
                                                     {"texto", "hola\n"},
                                                     {"con ceros", std::string("a\0b\0", 4)},
                                                     {"grande", binaria}};
  DirectorioTemporal dir;
  AlmacenCache almacen(SistemaReal(), dir / "c");
  for (const auto& [nombre, carga] : cargas) {
    SCOPED_TRACE(nombre);
    const EscrituraCache escrita = almacen.Guardar(Clave(nombre), carga);
    EXPECT_EQ(escrita.resultado, Escritura::Guardada) << escrita.mensaje;
    EXPECT_TRUE(fs::exists(dir / "c" / Clave(nombre).NombreArchivo()));
  }
  for (const auto& [nombre, carga] : cargas) {
    SCOPED_TRACE(nombre);
    const LecturaCache leida = almacen.Leer(Clave(nombre));
    ASSERT_EQ(leida.resultado, Lectura::Hallada) << leida.mensaje;
    EXPECT_EQ(leida.carga, carga);
  }
  EXPECT_EQ(almacen.Leer(Clave("otra")).resultado, Lectura::Ausente);
  // A key whose text differs but whose file is there (as two keys hashing alike would be).
  fs::copy_file(dir / "c" / Clave("texto").NombreArchivo(),
                dir / "c" / Clave("otra").NombreArchivo());
  EXPECT_EQ(almacen.Leer(Clave("otra")).resultado, Lectura::Ausente);
}

TEST(ClaveCache, LasPartesNoSeConfundenAlJuntarse) {
  ClaveCache a;
  a.AnadirParte("x", "1");
  a.AnadirParte("y", "2");
  ClaveCache b;
  b.AnadirParte("x", "1\n1:y=1:2");
  ClaveCache c;
  c.AnadirParte("y", "2");
  c.AnadirParte("x", "1");
  EXPECT_NE(a.texto(), b.texto());
  EXPECT_NE(a.NombreArchivo(), c.NombreArchivo());
  EXPECT_EQ(a.NombreArchivo().size(), 22u);
  EXPECT_EQ(HuellaFnv(""), 0xcbf29ce484222325ull);
  EXPECT_EQ(HuellaFnv("a"), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(HuellaFnv("foobar"), 0x85944171f73967e8ull);
}

// Each change to an elements file, the file's time kept as it was unless the change is the
// time itself: which of them a key sees.
TEST(ClaveCache, CambiaConElTamanoLaFechaLaCabezaYLaColaDelArchivo) {
  const std::size_t kGrande = 3 * kTramoHuella + 12345;
  struct Caso {
    const char* nombre;
    std::size_t tamano;
    std::function<void(std::string&)> cambio;
    bool tocar_fecha;
    bool cambia_clave;
  };
  const std::vector<Caso> casos = {
      {"nothing", kGrande, [](std::string&) {}, false, false},
      {"one more byte", kGrande, [](std::string& s) { s += 'x'; }, false, true},
      {"the time", kGrande, [](std::string&) {}, true, true},
      {"first byte", kGrande, [](std::string& s) { s[0] ^= 1; }, false, true},
      {"last byte of the head", kGrande, [](std::string& s) { s[kTramoHuella - 1] ^= 1; }, false,
       true},
      {"first byte of the tail", kGrande, [&](std::string& s) { s[kGrande - kTramoHuella] ^= 1; },
       false, true},
      {"last byte", kGrande, [](std::string& s) { s.back() ^= 1; }, false, true},
      // Between head and tail a large file is not read: size and time stand for it.
      {"middle of a large file", kGrande, [](std::string& s) { s[s.size() / 2] ^= 1; }, false,
       false},
      {"middle of a small file", 2 * kTramoHuella, [](std::string& s) { s[s.size() / 2] ^= 1; },
       false, true},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    std::string contenido(caso.tamano, '\0');
    for (std::size_t i = 0; i < contenido.size(); ++i)
      contenido[i] = static_cast<char>(i * 31 + i / 977);
    const fs::path ruta = dir / "MPCORB.DAT";
    EscribirArchivo(ruta, contenido);
    const auto fecha = fs::file_time_type::clock::now() - std::chrono::hours(50);
    fs::last_write_time(ruta, fecha);
    ClaveCache antes;
    antes.AnadirArchivo(SistemaReal(), ruta);
    antes.AnadirParte("movimiento", "perturbado");

    caso.cambio(contenido);
    EscribirArchivo(ruta, contenido);
    fs::last_write_time(ruta, caso.tocar_fecha ? fecha + std::chrono::seconds(1) : fecha);
    ClaveCache despues;
    despues.AnadirArchivo(SistemaReal(), ruta);
    despues.AnadirParte("movimiento", "perturbado");
    EXPECT_EQ(antes.NombreArchivo() != despues.NombreArchivo(), caso.cambia_clave);
    EXPECT_EQ(antes.texto() != despues.texto(), caso.cambia_clave);
  }
}

// Every way an entry can be damaged on disk, and what a read makes of it.
TEST(AlmacenCache, UnaEntradaDanadaSeDaPorDanadaYSeVuelveAGuardar) {
  struct Caso {
    const char* nombre;
    std::function<void(std::string&)> dano;
    Lectura esperado;
  };
  const ClaveCache clave = Clave("k");
  const std::size_t carga_desde = TamanoEntrada(clave, 0);
  const std::vector<Caso> casos = {
      {"a payload byte", [&](std::string& s) { s[carga_desde + 3] ^= 0x10; }, Lectura::Danada},
      {"the last byte", [](std::string& s) { s.back() ^= 1; }, Lectura::Danada},
      {"the magic", [](std::string& s) { s[0] = 'X'; }, Lectura::Danada},
      {"the payload length", [](std::string& s) { s[16] ^= 1; }, Lectura::Danada},
      {"the payload checksum", [](std::string& s) { s[24] ^= 1; }, Lectura::Danada},
      {"the header checksum", [](std::string& s) { s[31] ^= 1; }, Lectura::Danada},
      {"a byte of the key", [](std::string& s) { s[33] ^= 1; }, Lectura::Danada},
      {"cut by one byte", [](std::string& s) { s.pop_back(); }, Lectura::Danada},
      {"cut in the header", [](std::string& s) { s.resize(20); }, Lectura::Danada},
      {"cut in the key", [](std::string& s) { s.resize(34); }, Lectura::Danada},
      {"empty", [](std::string& s) { s.clear(); }, Lectura::Danada},
      {"one byte more", [](std::string& s) { s += 'x'; }, Lectura::Danada},
      // Another version's entry is simply not there, and is rebuilt without a word.
      {"another version", [](std::string& s) { s[8] = 2; }, Lectura::Ausente},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    AlmacenCache almacen(SistemaReal(), dir.ruta());
    ASSERT_EQ(almacen.Guardar(clave, std::string(1000, 'p')).resultado, Escritura::Guardada);
    const fs::path ruta = dir / clave.NombreArchivo();
    std::string bytes = LeerArchivo(ruta);
    caso.dano(bytes);
    EscribirArchivo(ruta, bytes);
    const LecturaCache leida = almacen.Leer(clave);
    EXPECT_EQ(leida.resultado, caso.esperado);
    EXPECT_TRUE(leida.carga.empty());
    if (caso.esperado == Lectura::Danada) {
      EXPECT_NE(leida.mensaje.find(clave.NombreArchivo()), std::string::npos) << leida.mensaje;
      EXPECT_NE(leida.mensaje.find("dañada"), std::string::npos) << leida.mensaje;
    }
    ASSERT_EQ(almacen.Guardar(clave, "nueva").resultado, Escritura::Guardada);
    EXPECT_EQ(almacen.Leer(clave).carga, "nueva");
  }
}

// Entries of 1000 bytes of payload, their times set an hour apart, and a bound for three.
TEST(AlmacenCache, ElLimiteDescartaLasMenosUsadasPrimero) {
  struct Caso {
    const char* nombre;
    std::vector<std::string> leidas;  // read before the fourth is written
    std::uint64_t margen;             // bytes added to the bound of three entries
    std::vector<std::string> quedan;
  };
  const std::vector<Caso> casos = {
      {"the oldest goes", {}, 0, {"b", "c", "d"}},
      {"one byte short of three keeps two", {}, std::uint64_t(-1), {"c", "d"}},
      {"a read makes it the newest", {"a"}, 0, {"a", "c", "d"}},
      {"two reads", {"b", "a"}, 0, {"a", "b", "d"}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    const std::uint64_t entrada = TamanoEntrada(Clave("a"), 1000);
    AlmacenCache holgado(SistemaReal(), dir.ruta());
    AlmacenCache almacen(SistemaReal(), dir.ruta(), 3 * entrada + caso.margen);
    int horas = 10;
    for (const char* nombre : {"a", "b", "c"}) {
      ASSERT_EQ(holgado.Guardar(Clave(nombre), std::string(1000, *nombre)).resultado,
                Escritura::Guardada);
      fs::last_write_time(dir / Clave(nombre).NombreArchivo(),
                          fs::file_time_type::clock::now() - std::chrono::hours(horas--));
    }
    for (const std::string& nombre : caso.leidas) {
      ASSERT_EQ(almacen.Leer(Clave(nombre)).resultado, Lectura::Hallada);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const EscrituraCache escrita = almacen.Guardar(Clave("d"), std::string(1000, 'd'));
    EXPECT_EQ(escrita.resultado, Escritura::Guardada);
    EXPECT_EQ(escrita.descartadas, static_cast<int>(4 - caso.quedan.size()));
    for (const char* nombre : {"a", "b", "c", "d"}) {
      const bool queda =
          std::find(caso.quedan.begin(), caso.quedan.end(), nombre) != caso.quedan.end();
      EXPECT_EQ(fs::exists(dir / Clave(nombre).NombreArchivo()), queda) << nombre;
    }
  }
}

TEST(AlmacenCache, UnaEntradaMayorQueElLimiteNoSeGuarda) {
  DirectorioTemporal dir;
  AlmacenCache almacen(SistemaReal(), dir / "c", TamanoEntrada(Clave("k"), 100));
  EXPECT_EQ(almacen.Guardar(Clave("k"), std::string(100, 'x')).resultado, Escritura::Guardada);
  const EscrituraCache escrita = almacen.Guardar(Clave("j"), std::string(101, 'x'));
  EXPECT_EQ(escrita.resultado, Escritura::NoCabe);
  EXPECT_NE(escrita.mensaje.find("límite"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "c" / Clave("k").NombreArchivo()));
  EXPECT_FALSE(fs::exists(dir / "c" / Clave("j").NombreArchivo()));
}

// Whatever stops the folder from being written, the answer is to work without the cache,
// with one line to say why and nothing left in the folder.
TEST(AlmacenCache, SinPoderEscribirSeTrabajaSinCache) {
  struct Caso {
    const char* nombre;
    Averia averia;
    bool carpeta_bajo_archivo;
  };
  for (const Caso& caso :
       {Caso{"folder under a file", Averia::Ninguna, true},
        Caso{"no temporary file", Averia::CrearTemporal, false},
        Caso{"disk full", Averia::EscribirAMitad, false}, Caso{"fsync", Averia::Sincronizar, false},
        Caso{"rename", Averia::Renombrar, false}}) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    EscribirArchivo(dir / "archivo", "");
    const fs::path carpeta = caso.carpeta_bajo_archivo ? dir / "archivo" / "orbelux" : dir / "c";
    SistemaConAverias sistema(caso.averia, 500);
    AlmacenCache almacen(sistema, carpeta);
    const EscrituraCache escrita = almacen.Guardar(Clave("k"), std::string(2000, 'x'));
    EXPECT_EQ(escrita.resultado, Escritura::SinCache);
    EXPECT_NE(escrita.mensaje.find("sin ella"), std::string::npos) << escrita.mensaje;
    EXPECT_EQ(escrita.mensaje.find('\n'), std::string::npos);
    const std::string listado = Listado(carpeta);
    EXPECT_TRUE(listado.empty() || listado == "candado") << listado;
    EXPECT_NE(almacen.Leer(Clave("k")).resultado, Lectura::Hallada);
  }
  DirectorioTemporal dir;
  EscribirArchivo(dir / "archivo", "");
  // POSIX says a path through a file is wrong, Windows that it is not there: either way
  // there is nothing to read, and the store that follows says why.
  const auto leida = AlmacenCache(SistemaReal(), dir / "archivo" / "c").Leer(Clave("k")).resultado;
  EXPECT_TRUE(leida == Lectura::SinCache || leida == Lectura::Ausente);
  AlmacenCache ninguna(SistemaReal(), fs::path());
  EXPECT_EQ(ninguna.Leer(Clave("k")).resultado, Lectura::SinCache);
  EXPECT_EQ(ninguna.Guardar(Clave("k"), "x").resultado, Escritura::SinCache);
}

// Writers at once, each through its own lock, and a reader meanwhile: the reader never
// sees a half-written entry, and what is left is whole, within the bound, with no
// temporary file.
TEST(AlmacenCache, EscritoresALaVezDejanEntradasEnterasYDentroDelLimite) {
  DirectorioTemporal dir;
  constexpr int kHilos = 6;
  constexpr std::size_t kCarga = 200000;
  const std::uint64_t entrada = TamanoEntrada(Clave("misma"), kCarga);
  const auto escritor = [&](int h) {
    AlmacenCache almacen(SistemaReal(), dir.ruta(), 4 * entrada);
    for (int i = 0; i < 5; ++i) {
      almacen.Guardar(Clave("misma"), std::string(kCarga, static_cast<char>('a' + h)));
      almacen.Guardar(Clave(std::to_string(h * 10 + i)), std::string(kCarga, 'z'));
    }
  };
  std::atomic<int> terminados{0};
  std::vector<std::thread> hilos;
  for (int h = 0; h < kHilos; ++h) {
    hilos.emplace_back([&, h] {
      escritor(h);
      ++terminados;
    });
  }
  AlmacenCache lector(SistemaReal(), dir.ruta(), 4 * entrada);
  while (terminados < kHilos) {
    const LecturaCache leida = lector.Leer(Clave("misma"));
    ASSERT_NE(leida.resultado, Lectura::Danada) << leida.mensaje;
    ASSERT_NE(leida.resultado, Lectura::SinCache) << leida.mensaje;
    if (leida.resultado == Lectura::Hallada) {
      ASSERT_EQ(leida.carga, std::string(kCarga, leida.carga[0]));
    }
  }
  for (auto& hilo : hilos) hilo.join();
  std::uint64_t total = 0;
  for (const auto& e : fs::directory_iterator(dir.ruta())) {
    const std::string nombre = e.path().filename().string();
    EXPECT_EQ(nombre.find(kMarcaTemporal), std::string::npos) << nombre;
    if (nombre != AlmacenCache::kNombreCandado) total += fs::file_size(e.path());
  }
  EXPECT_LE(total, 4 * entrada);
  EXPECT_GT(total, 0u);
}

// A file system that holds a writer inside its trimming (while it lists the folder) until
// told to go on, and one that notes when a writer replaces its entry.
class SistemaQueSeDetiene final : public prueba::SistemaReenviado {
 public:
  std::vector<EntradaDirectorio> Listar(const fs::path& directorio) override {
    dentro = true;
    while (!seguir) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return SistemaReenviado::Listar(directorio);
  }
  std::atomic<bool> dentro{false};
  std::atomic<bool> seguir{false};
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

#ifndef _WIN32
// The same between processes, which is what two queries at once are.
TEST(AlmacenCache, DosProcesosALaVezDejanUnaEntradaEntera) {
  DirectorioTemporal dir;
  const std::uint64_t entrada = TamanoEntrada(Clave("misma"), 300000);
  std::vector<pid_t> hijos;
  for (char letra : {'a', 'b'}) {
    const pid_t hijo = ::fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
      AlmacenCache almacen(SistemaReal(), dir.ruta(), 3 * entrada);
      bool bien = true;
      for (int i = 0; i < 20; ++i) {
        bien &= almacen.Guardar(Clave("misma"), std::string(300000, letra)).resultado ==
                Escritura::Guardada;
        bien &=
            almacen
                .Guardar(Clave(std::string(1, letra) + std::to_string(i)), std::string(300000, 'z'))
                .resultado == Escritura::Guardada;
      }
      ::_exit(bien ? 0 : 1);
    }
    hijos.push_back(hijo);
  }
  for (const pid_t hijo : hijos) {
    int estado = 0;
    ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
  }
  std::uint64_t total = 0;
  for (const auto& e : fs::directory_iterator(dir.ruta())) {
    if (e.path().filename() != AlmacenCache::kNombreCandado) total += fs::file_size(e.path());
  }
  EXPECT_LE(total, 3 * entrada);
  // The last of the 80 writes leaves two entries beside it; "misma" may have been dropped
  // by then, but what there is of it is whole.
  const LecturaCache misma = AlmacenCache(SistemaReal(), dir.ruta()).Leer(Clave("misma"));
  EXPECT_NE(misma.resultado, Lectura::Danada);
  if (misma.resultado == Lectura::Hallada) {
    EXPECT_EQ(misma.carga, std::string(300000, misma.carga[0]));
  }
}
#endif

TEST(SistemaArchivos, UnCandadoEsperaAQueElOtroLoSuelte) {
  DirectorioTemporal dir;
  auto primero = SistemaReal().Bloquear(dir / "candado");
  std::atomic<bool> tomado{false};
  std::thread otro([&] {
    auto segundo = SistemaReal().Bloquear(dir / "candado");
    tomado = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(tomado);
  primero.reset();
  otro.join();
  EXPECT_TRUE(tomado);
}

#ifndef _WIN32
TEST(CarpetaCache, SigueXdgYLuegoHome) {
  struct Caso {
    const char* nombre;
    std::map<std::string, std::string> variables;
    const char* carpeta;
  };
  const std::vector<Caso> casos = {
      {"xdg", {{"XDG_CACHE_HOME", "/x/cache"}, {"HOME", "/home/u"}}, "/x/cache/orbelux"},
      {"home", {{"HOME", "/home/u"}}, "/home/u/.cache/orbelux"},
      {"relative xdg is ignored",
       {{"XDG_CACHE_HOME", "cache"}, {"HOME", "/home/u"}},
       "/home/u/.cache/orbelux"},
      {"empty xdg is ignored",
       {{"XDG_CACHE_HOME", ""}, {"HOME", "/home/u"}},
       "/home/u/.cache/orbelux"},
      {"relative home", {{"HOME", "u"}}, ""},
      {"nothing", {}, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(CarpetaCache([&](std::string_view nombre) -> std::optional<std::string> {
                const auto it = caso.variables.find(std::string(nombre));
                if (it == caso.variables.end()) return std::nullopt;
                return it->second;
              }),
              fs::path(caso.carpeta));
  }
}
#else
TEST(CarpetaCache, SigueLocalAppData) {
  const auto con = [](std::optional<std::string> valor) {
    return CarpetaCache([&](std::string_view nombre) -> std::optional<std::string> {
      return nombre == "LOCALAPPDATA" ? valor : std::optional<std::string>("C:\\otra");
    });
  };
  EXPECT_EQ(con("C:\\Users\\u\\AppData\\Local"),
            fs::path(L"C:\\Users\\u\\AppData\\Local\\orbelux"));
  EXPECT_EQ(con("Local"), fs::path());
  EXPECT_EQ(con(std::nullopt), fs::path());
}
#endif

TEST(LeerTamano, CifrasConUnidadDecimal) {
  const std::vector<std::pair<const char*, std::uint64_t>> buenos = {
      {"0", 0},
      {"1000000", 1000000},
      {"500M", 500000000},
      {"2G", 2000000000},
      {"2g", 2000000000},
      {"7k", 7000},
      {"1T", 1000000000000},
      {"18446744073709551615", ~0ull}};
  for (const auto& [texto, bytes] : buenos) {
    SCOPED_TRACE(texto);
    EXPECT_EQ(LeerTamano(texto), bytes);
  }
  for (const char* malo : {"", "M", "-1", "1.5G", "2GB", "2 G", "G2", "x", "18446744073709551616",
                           "18446744073709552k", "20000000T"}) {
    SCOPED_TRACE(malo);
    EXPECT_THROW(LeerTamano(malo), ErrorTamano);
  }
}

}  // namespace
}  // namespace orbelux
