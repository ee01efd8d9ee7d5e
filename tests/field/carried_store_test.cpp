// SPDX-License-Identifier: GPL-3.0-or-later
// Carried elements kept in the cache: the records come back bit for bit, a run that reads
// them gives the listing of a run that integrates, and a damaged entry, a changed file, an
// unwritable folder or a bound too small for the entry still give that listing.
#include "field/carried_store.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/carried_elements.h"
#include "ephemeris/element_source.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "field/command_line.h"
#include "field/field_output.h"
#include "field/field_search.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;

constexpr double kPi = 3.14159265358979323846;
const std::string kEjemplo = ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat";
// The bundled elements osculate at 2022-08-09.0 TT: four years and more later.
constexpr double kDiaLejano = 2459800.5 + 1581.9;

ef::ElementosOrbitales Elementos(double semilla) {
  ef::ElementosOrbitales el;
  el.epoca = 2459800.5;
  el.semieje = 2.7 + semilla;
  el.excentricidad = 0.1 + semilla / 7;
  el.inclinacion = 10.5 + semilla;
  el.nodo = 80.25 + semilla;
  el.perihelio = 73.125 + semilla;
  el.anomalia_media = 1.0 / 3 + semilla;
  return el;
}

TEST(TablaAcarreos, CadaRegistroVuelveBitABitPorSuLinea) {
  std::string carga;
  AnotarAcarreo(carga, 3, Elementos(0.1));
  AnotarAcarreo(carga, 7, std::nullopt);
  AnotarAcarreo(carga, 12, Elementos(0.3));
  const std::optional<TablaAcarreos> tabla = TablaAcarreos::Leer(carga, 2461380);
  ASSERT_TRUE(tabla);
  const struct {
    const char* nombre;
    std::uint64_t linea;
    TablaAcarreos::Hallado hallado;
    double semilla;
  } casos[] = {{"primero", 3, TablaAcarreos::Hallado::Acarreado, 0.1},
               {"sin acarreo", 7, TablaAcarreos::Hallado::SinAcarreo, 0},
               {"ultimo", 12, TablaAcarreos::Hallado::Acarreado, 0.3},
               {"antes de todos", 1, TablaAcarreos::Hallado::NoGuardado, 0},
               {"entre dos", 8, TablaAcarreos::Hallado::NoGuardado, 0},
               {"despues de todos", 13, TablaAcarreos::Hallado::NoGuardado, 0}};
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    ef::ElementosOrbitales el = Elementos(5);
    el.forma = ef::FormaOrbita::Perihelio;
    const ef::ElementosOrbitales antes = el;
    EXPECT_EQ(tabla->Buscar(caso.linea, el), caso.hallado);
    const ef::ElementosOrbitales esperado =
        caso.hallado == TablaAcarreos::Hallado::Acarreado ? Elementos(caso.semilla) : antes;
    EXPECT_EQ(el.semieje, esperado.semieje);
    EXPECT_EQ(el.excentricidad, esperado.excentricidad);
    EXPECT_EQ(el.inclinacion, esperado.inclinacion);
    EXPECT_EQ(el.nodo, esperado.nodo);
    EXPECT_EQ(el.perihelio, esperado.perihelio);
    EXPECT_EQ(el.anomalia_media, esperado.anomalia_media);
    if (caso.hallado == TablaAcarreos::Hallado::Acarreado) {
      EXPECT_EQ(el.epoca, 2461380);
      EXPECT_EQ(el.forma, ef::FormaOrbita::Semieje);
    } else {
      EXPECT_EQ(el.epoca, antes.epoca);
    }
  }
}

TEST(TablaAcarreos, UnaCargaQueNoEsUnaListaCrecienteEstaDanada) {
  std::string buena;
  AnotarAcarreo(buena, 3, Elementos(0));
  AnotarAcarreo(buena, 4, Elementos(0));
  std::string repetida;
  AnotarAcarreo(repetida, 3, Elementos(0));
  AnotarAcarreo(repetida, 3, Elementos(0));
  std::string al_reves;
  AnotarAcarreo(al_reves, 4, Elementos(0));
  AnotarAcarreo(al_reves, 3, Elementos(0));
  EXPECT_TRUE(TablaAcarreos::Leer(buena, 0));
  EXPECT_TRUE(TablaAcarreos::Leer("", 0));
  EXPECT_FALSE(TablaAcarreos::Leer(buena.substr(1), 0));
  EXPECT_FALSE(TablaAcarreos::Leer(buena + "x", 0));
  EXPECT_FALSE(TablaAcarreos::Leer(repetida, 0));
  EXPECT_FALSE(TablaAcarreos::Leer(al_reves, 0));
}

TEST(ApunteAcarreos, LosBloquesSeJuntanEnElOrdenDelArchivo) {
  ApunteAcarreos apunte;
  std::string b0, b1, b2;
  AnotarAcarreo(b0, 1, Elementos(0));
  AnotarAcarreo(b1, 5, Elementos(0));
  AnotarAcarreo(b1, 6, Elementos(0));
  AnotarAcarreo(b2, 9, Elementos(0));
  apunte.Anotar(2, b2);
  apunte.Anotar(0, b0);
  apunte.Anotar(3, "");
  apunte.Anotar(1, b1);
  std::string juntas;
  for (const std::string_view pieza : apunte.Piezas()) juntas += pieza;
  EXPECT_EQ(juntas, b0 + b1 + b2);
}

// One run of the search over the file at `ruta`, with the cache in `carpeta` or without.
struct Busqueda {
  ResultadoCampo resultado;
  std::string csv;
};

Busqueda Buscar(const std::filesystem::path& ruta, const std::filesystem::path* carpeta,
                std::uint64_t tamano = kTamanoMaximoPorOmision) {
  PeticionCampo p;
  p.instante = ef::InstanteDesdeDiaJulianoUTC(kDiaLejano);
  p.sitio = *ef::BuscarObservatorio("J86");
  p.ar_centro = 100 * kPi / 180;
  p.dec_centro = 20 * kPi / 180;
  p.radio = kPi;
  p.hilos = 2;
  const std::string texto = LeerArchivo(ruta);
  ef::FuenteMemoria fuente(texto);
  FuenteCampo f{&fuente, "elementos", std::nullopt};
  std::optional<AlmacenCache> cache;
  if (carpeta != nullptr) {
    cache.emplace(SistemaReal(), *carpeta, tamano);
    p.cache = &*cache;
    f.clave.emplace();
    f.clave->AnadirArchivo(SistemaReal(), ruta);
  }
  Busqueda b;
  b.resultado = BuscarEnCampo({f}, p);
  b.csv = TextoCsv(b.resultado);
  return b;
}

std::vector<std::filesystem::path> Entradas(const std::filesystem::path& carpeta) {
  std::vector<std::filesystem::path> entradas;
  if (!std::filesystem::exists(carpeta)) return entradas;
  for (const auto& e : std::filesystem::directory_iterator(carpeta)) {
    if (e.path().extension() == ".cache") entradas.push_back(e.path());
  }
  return entradas;
}

TEST(AcarreosEnCache, ElMismoListadoConLaCacheSinEllaYConUnaEntradaDanada) {
  DirectorioTemporal dir;
  const std::filesystem::path elementos = dir / "elementos.dat";
  EscribirArchivo(elementos, LeerArchivo(kEjemplo));
  const std::filesystem::path carpeta = dir / "cache";
  const Busqueda sin = Buscar(elementos, nullptr);
  ASSERT_GT(sin.resultado.objetos.size(), 200u);
  ASSERT_GT(sin.resultado.acarreados, 200u);

  const Busqueda primera = Buscar(elementos, &carpeta);
  EXPECT_EQ(primera.csv, sin.csv);
  EXPECT_EQ(primera.resultado.acarreados, sin.resultado.acarreados);
  EXPECT_TRUE(primera.resultado.avisos_cache.empty());
  const std::vector<std::filesystem::path> entradas = Entradas(carpeta);
  ASSERT_EQ(entradas.size(), 1u);

  const Busqueda segunda = Buscar(elementos, &carpeta);
  EXPECT_EQ(segunda.csv, sin.csv);
  EXPECT_EQ(segunda.resultado.acarreados, 0u);
  EXPECT_TRUE(segunda.resultado.avisos_cache.empty());

  // A byte of the payload flipped: found by the checksum, said once, computed and kept again.
  std::string entrada = LeerArchivo(entradas[0]);
  entrada[entrada.size() - 20] ^= 0x40;
  EscribirArchivo(entradas[0], entrada);
  const Busqueda danada = Buscar(elementos, &carpeta);
  EXPECT_EQ(danada.csv, sin.csv);
  EXPECT_EQ(danada.resultado.acarreados, sin.resultado.acarreados);
  ASSERT_EQ(danada.resultado.avisos_cache.size(), 1u);
  EXPECT_NE(danada.resultado.avisos_cache[0].find("dañada"), std::string::npos);
  const Busqueda rehecha = Buscar(elementos, &carpeta);
  EXPECT_EQ(rehecha.csv, sin.csv);
  EXPECT_EQ(rehecha.resultado.acarreados, 0u);

  // A payload that passes the checksum but is no list of records.
  AlmacenCache almacen(SistemaReal(), carpeta);
  ClaveCache clave;
  clave.AnadirArchivo(SistemaReal(), elementos);
  const ef::Instante instante = ef::InstanteDesdeDiaJulianoUTC(kDiaLejano);
  ASSERT_EQ(almacen.Guardar(ClaveAcarreos(clave, ef::EpocaDeAcarreo(instante)), "corta").resultado,
            EscrituraCache::Resultado::Guardada);
  const Busqueda ajena = Buscar(elementos, &carpeta);
  EXPECT_EQ(ajena.csv, sin.csv);
  ASSERT_EQ(ajena.resultado.avisos_cache.size(), 1u);
  EXPECT_NE(ajena.resultado.avisos_cache[0].find("no es una lista"), std::string::npos);
}

TEST(AcarreosEnCache, UnArchivoCambiadoNoLeeLoDelAnterior) {
  DirectorioTemporal dir;
  const std::filesystem::path elementos = dir / "elementos.dat";
  const std::filesystem::path carpeta = dir / "cache";
  std::string texto = LeerArchivo(kEjemplo);
  EscribirArchivo(elementos, texto);
  const Busqueda antes = Buscar(elementos, &carpeta);
  // Ceres' mean anomaly (columns 27-35) moved by a degree: its place moves, and so must the
  // listing, though the file keeps its size.
  ASSERT_EQ(texto.substr(25, 1), " ");
  const std::size_t col = 27;
  std::string anomalia = texto.substr(col - 1, 9);
  anomalia[2] = anomalia[2] == '9' ? '8' : static_cast<char>(anomalia[2] + 1);
  texto.replace(col - 1, 9, anomalia);
  EscribirArchivo(elementos, texto);
  const Busqueda sin = Buscar(elementos, nullptr);
  const Busqueda despues = Buscar(elementos, &carpeta);
  EXPECT_NE(sin.csv, antes.csv);
  EXPECT_EQ(despues.csv, sin.csv);
  EXPECT_EQ(despues.resultado.acarreados, sin.resultado.acarreados);
  EXPECT_EQ(Entradas(carpeta).size(), 2u);
}

const prueba::ProgramaEnPrueba Ejecutar(ProgramaCampo);

// The program with XDG_CACHE_HOME at `xdg`.
prueba::Ejecucion EjecutarConCache(const std::filesystem::path& xdg,
                                   const std::vector<std::string>& mas) {
  consola::Entorno entorno;
  const std::string valor = xdg.string();
  entorno.variable = [valor](std::string_view nombre) -> std::optional<std::string> {
    // The folder the cache goes in on either system.
    if (nombre == "XDG_CACHE_HOME" || nombre == "LOCALAPPDATA") return valor;
    return std::nullopt;
  };
  std::vector<std::string> argumentos = {"--centro",    "100,20",    "--radio",        "600",
                                         "--jd",        "2461382.4", "--formato",      "csv",
                                         "--elementos", kEjemplo,    "--observatorio", "J86"};
  argumentos.insert(argumentos.end(), mas.begin(), mas.end());
  return Ejecutar(argumentos, entorno);
}

TEST(AcarreosEnCache, ElProgramaDaLoMismoConCualquierCache) {
  DirectorioTemporal dir;
  const prueba::Ejecucion referencia = EjecutarConCache(dir / "nada", {"--sin-cache"});
  ASSERT_EQ(referencia.codigo, 0) << referencia.errores;
  EXPECT_EQ(referencia.errores, "");
  EXPECT_FALSE(std::filesystem::exists(dir / "nada"));
  EscribirArchivo(dir / "fichero", "no es una carpeta");
  const struct {
    const char* nombre;
    std::filesystem::path xdg;
    std::vector<std::string> mas;
    const char* aviso;  // the one line on standard error, or nothing
    std::size_t entradas;
  } casos[] = {
      {"primera", dir.ruta(), {}, nullptr, 1},
      {"segunda", dir.ruta(), {}, nullptr, 1},
      {"carpeta imposible", dir / "fichero", {}, "no se puede usar la caché", 0},
      {"limite pequeno",
       dir / "pequena",
       {"--cache-max", "2k"},
       "no caben en una caché de 2000",
       0},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const prueba::Ejecucion e = EjecutarConCache(caso.xdg, caso.mas);
    EXPECT_EQ(e.codigo, 0);
    EXPECT_EQ(e.salida, referencia.salida);
    if (caso.aviso == nullptr) {
      EXPECT_EQ(e.errores, "");
    } else {
      EXPECT_NE(e.errores.find(caso.aviso), std::string::npos) << e.errores;
      EXPECT_EQ(std::count(e.errores.begin(), e.errores.end(), '\n'), 1) << e.errores;
    }
    EXPECT_EQ(Entradas(caso.xdg / "orbelux").size(), caso.entradas);
  }
}

TEST(AcarreosEnCache, LaAyudaDiceDondeEstaYCuantoCrece) {
  const prueba::Ejecucion ayuda = Ejecutar({"--ayuda"});
  for (const char* texto : {"$XDG_CACHE_HOME/orbelux", "~/.cache/orbelux", "%LOCALAPPDATA%",
                            "--cache-max", "1 GB", "--sin-cache"}) {
    EXPECT_NE(ayuda.salida.find(texto), std::string::npos) << texto;
  }
  const prueba::Ejecucion mala =
      Ejecutar({"--centro", "100,20", "--elementos", kEjemplo, "--cache-max", "mucho"});
  EXPECT_EQ(mala.codigo, 2);
  EXPECT_NE(mala.errores.find("--cache-max mucho"), std::string::npos) << mala.errores;
}

}  // namespace
}  // namespace orbelux::campo
