// SPDX-License-Identifier: GPL-3.0-or-later
// Carried elements kept in the cache: the records come back bit for bit, a run that reads
// them gives the listing of a run that integrates, and a damaged entry, a changed file, an
// unwritable folder or a bound too small for the entry still give that listing.
#include "field/carried_store.h"
#include "field/night_index.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>
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

// One query over the files, with the cache in `carpeta` or without.
struct Consulta {
  double dia = kDiaLejano;  // JD UTC
  double ar = 100;          // degrees
  double dec = 20;
  double radio = 180;
  const char* observatorio = "J86";
};

struct Busqueda {
  ResultadoCampo resultado;
  std::string csv;
};

Busqueda Buscar(const std::vector<std::filesystem::path>& rutas,
                const std::filesystem::path* carpeta, const Consulta& c = {}) {
  PeticionCampo p;
  p.instante = ef::InstanteDesdeDiaJulianoUTC(c.dia);
  if (*c.observatorio != 0) p.sitio = *ef::BuscarObservatorio(c.observatorio);
  p.ar_centro = c.ar * kPi / 180;
  p.dec_centro = c.dec * kPi / 180;
  p.radio = c.radio * kPi / 180;
  p.hilos = 2;
  std::vector<std::string> textos;
  for (const auto& ruta : rutas) textos.push_back(LeerArchivo(ruta));
  std::vector<std::unique_ptr<ef::FuenteMemoria>> memorias;
  std::vector<FuenteCampo> fuentes;
  std::optional<AlmacenCache> cache;
  if (carpeta != nullptr) {
    cache.emplace(SistemaReal(), *carpeta);
    p.cache = &*cache;
  }
  for (std::size_t k = 0; k < rutas.size(); ++k) {
    memorias.push_back(std::make_unique<ef::FuenteMemoria>(textos[k]));
    fuentes.emplace_back(memorias.back().get(), rutas[k].filename().string());
    if (carpeta != nullptr) {
      fuentes.back().clave.emplace();
      fuentes.back().clave->AnadirArchivo(SistemaReal(), rutas[k]);
    }
  }
  Busqueda b;
  b.resultado = BuscarEnCampo(fuentes, p);
  CabeceraCampo cabecera;
  b.csv = TextoCsv(b.resultado) + TextoTabla(b.resultado, cabecera);
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

// The entry of the carried elements of `ruta` for a query on `dia`.
std::filesystem::path EntradaAcarreos(const std::filesystem::path& carpeta,
                                      const std::filesystem::path& ruta, double dia) {
  ClaveCache clave;
  clave.AnadirArchivo(SistemaReal(), ruta);
  const double epoca = ef::EpocaDeAcarreo(ef::InstanteDesdeDiaJulianoUTC(dia));
  return carpeta / ClaveAcarreos(clave, epoca).NombreArchivo();
}

TEST(AcarreosEnCache, ElMismoListadoConLaCacheSinEllaYConUnaEntradaDanada) {
  DirectorioTemporal dir;
  const std::filesystem::path elementos = dir / "elementos.dat";
  EscribirArchivo(elementos, LeerArchivo(kEjemplo));
  const std::filesystem::path carpeta = dir / "cache";
  // Each query on a night of its own, so that no night's index stands in for the carried
  // elements; all of them nearest the same grid epoch.
  const auto consulta = [](int noche) {
    Consulta c;
    c.dia = kDiaLejano + noche;
    return c;
  };
  ASSERT_EQ(ef::EpocaDeAcarreo(ef::InstanteDesdeDiaJulianoUTC(kDiaLejano)),
            ef::EpocaDeAcarreo(ef::InstanteDesdeDiaJulianoUTC(kDiaLejano + 4)));
  const Busqueda primera_sin = Buscar({elementos}, nullptr, consulta(0));
  ASSERT_GT(primera_sin.resultado.objetos.size(), 200u);
  ASSERT_GT(primera_sin.resultado.acarreados, 200u);

  const Busqueda primera = Buscar({elementos}, &carpeta, consulta(0));
  EXPECT_EQ(primera.csv, primera_sin.csv);
  EXPECT_EQ(primera.resultado.acarreados, primera_sin.resultado.acarreados);
  EXPECT_TRUE(primera.resultado.avisos_cache.empty());
  const std::filesystem::path entrada = EntradaAcarreos(carpeta, elementos, kDiaLejano);
  ASSERT_TRUE(std::filesystem::exists(entrada));

  const Busqueda segunda = Buscar({elementos}, &carpeta, consulta(1));
  EXPECT_EQ(segunda.csv, Buscar({elementos}, nullptr, consulta(1)).csv);
  EXPECT_EQ(segunda.resultado.acarreados, 0u);
  EXPECT_FALSE(segunda.resultado.con_indice);
  EXPECT_TRUE(segunda.resultado.avisos_cache.empty());

  // A byte of the payload flipped: found by the checksum, said once, computed and kept again.
  std::string bytes = LeerArchivo(entrada);
  bytes[bytes.size() - 20] ^= 0x40;
  EscribirArchivo(entrada, bytes);
  const Busqueda danada = Buscar({elementos}, &carpeta, consulta(2));
  EXPECT_EQ(danada.csv, Buscar({elementos}, nullptr, consulta(2)).csv);
  EXPECT_EQ(danada.resultado.acarreados, primera_sin.resultado.acarreados);
  ASSERT_EQ(danada.resultado.avisos_cache.size(), 1u);
  EXPECT_NE(danada.resultado.avisos_cache[0].find("dañada"), std::string::npos);
  EXPECT_EQ(Buscar({elementos}, &carpeta, consulta(3)).resultado.acarreados, 0u);

  // A payload that passes the checksum but is no list of records.
  AlmacenCache almacen(SistemaReal(), carpeta);
  ClaveCache clave;
  clave.AnadirArchivo(SistemaReal(), elementos);
  const ef::Instante instante = ef::InstanteDesdeDiaJulianoUTC(kDiaLejano);
  ASSERT_EQ(almacen.Guardar(ClaveAcarreos(clave, ef::EpocaDeAcarreo(instante)), "corta").resultado,
            EscrituraCache::Resultado::Guardada);
  const Busqueda ajena = Buscar({elementos}, &carpeta, consulta(4));
  EXPECT_EQ(ajena.csv, Buscar({elementos}, nullptr, consulta(4)).csv);
  ASSERT_EQ(ajena.resultado.avisos_cache.size(), 1u);
  EXPECT_NE(ajena.resultado.avisos_cache[0].find("no es una lista"), std::string::npos);
}

TEST(AcarreosEnCache, UnArchivoCambiadoNoLeeLoDelAnterior) {
  DirectorioTemporal dir;
  const std::filesystem::path elementos = dir / "elementos.dat";
  const std::filesystem::path carpeta = dir / "cache";
  std::string texto = LeerArchivo(kEjemplo);
  EscribirArchivo(elementos, texto);
  const Busqueda antes = Buscar({elementos}, &carpeta);
  // Ceres' mean anomaly (columns 27-35) moved by a degree: its place moves, and so must the
  // listing, though the file keeps its size.
  ASSERT_EQ(texto.substr(25, 1), " ");
  const std::size_t col = 27;
  std::string anomalia = texto.substr(col - 1, 9);
  anomalia[2] = anomalia[2] == '9' ? '8' : static_cast<char>(anomalia[2] + 1);
  texto.replace(col - 1, 9, anomalia);
  EscribirArchivo(elementos, texto);
  const Busqueda sin = Buscar({elementos}, nullptr);
  const Busqueda despues = Buscar({elementos}, &carpeta);
  EXPECT_NE(sin.csv, antes.csv);
  EXPECT_EQ(despues.csv, sin.csv);
  EXPECT_EQ(despues.resultado.acarreados, sin.resultado.acarreados);
  EXPECT_FALSE(despues.resultado.con_indice);
  // The carried elements, the kept records and the night's index of each version.
  EXPECT_EQ(Entradas(carpeta).size(), 6u);
}

// A night's index chooses the records of a later query that night: the listing is the
// one read from the files, near the epoch and far from it, asteroids and comets, from any
// site, at any hour of the night.
TEST(IndiceNoche, CadaConsultaDeLaNocheDaLoMismoQueLeerLosFicheros) {
  DirectorioTemporal dir;
  const std::vector<std::filesystem::path> rutas = {dir / "elementos.dat", dir / "cometas.txt"};
  EscribirArchivo(rutas[0], LeerArchivo(kEjemplo));
  EscribirArchivo(rutas[1], LeerArchivo(ORBELUX_EXAMPLES_DIR "/CometEls_muestra.txt"));
  const std::filesystem::path carpeta = dir / "cache";
  const struct {
    const char* nombre;
    double dia;  // JD UTC: the night runs from .0 to .0
  } fechas[] = {{"lejos de la epoca", std::floor(kDiaLejano) + 0.05},
                {"cerca de la epoca", 2459810.05}};
  for (const auto& fecha : fechas) {
    SCOPED_TRACE(fecha.nombre);
    Consulta cielo;
    cielo.dia = fecha.dia;
    const Busqueda todo = Buscar(rutas, nullptr, cielo);
    ASSERT_GT(todo.resultado.objetos.size(), 200u);
    // The first query of the night builds the index.
    const Busqueda primera = Buscar(rutas, &carpeta, cielo);
    EXPECT_FALSE(primera.resultado.con_indice);
    EXPECT_EQ(primera.csv, todo.csv);
    // Circles centred on an asteroid and on a comet of the whole sky's listing, elsewhere.
    std::vector<const ObjetoCampo*> centros;
    for (const ObjetoCampo& o : todo.resultado.objetos) {
      const bool cometa = o.designacion.find('/') != std::string::npos;
      if (centros.size() == (cometa ? 1u : 0u)) centros.push_back(&o);
    }
    centros.push_back(&todo.resultado.objetos.back());
    ASSERT_EQ(centros.size(), 3u);
    for (const ObjetoCampo* o : centros) {
      const struct {
        double horas;
        const char* observatorio;
      } momentos[] = {{0, ""}, {22.5, "J86"}};
      for (const auto& [horas, observatorio] : momentos) {
        {
          Consulta c;
          c.dia = fecha.dia + horas / 24;
          c.ar = o->ar + 0.3;
          c.dec = o->dec - 0.2;
          c.radio = 1.5;
          c.observatorio = observatorio;
          SCOPED_TRACE(o->designacion + " a las " + std::to_string(horas) + " h desde " +
                       observatorio);
          const Busqueda sin = Buscar(rutas, nullptr, c);
          const Busqueda con = Buscar(rutas, &carpeta, c);
          EXPECT_TRUE(con.resultado.con_indice);
          EXPECT_GE(sin.resultado.objetos.size(), 1u);
          EXPECT_EQ(con.csv, sin.csv);
          EXPECT_LT(con.resultado.candidatos, sin.resultado.candidatos + 1);
        }
      }
    }
  }
}

// A damaged index, or damaged records or carried rows it names, are found by their checksums
// on the query that reads them: said once, the listing unchanged, and all of it made again.
TEST(IndiceNoche, UnIndiceDanadoSeRehaceYLaConsultaNoCambia) {
  DirectorioTemporal dir;
  const std::filesystem::path elementos = dir / "elementos.dat";
  EscribirArchivo(elementos, LeerArchivo(kEjemplo));
  const std::filesystem::path carpeta = dir / "cache";
  Consulta c;
  Buscar({elementos}, &carpeta, c);
  ClaveCache archivo;
  archivo.AnadirArchivo(SistemaReal(), elementos);
  const std::filesystem::path acarreos = EntradaAcarreos(carpeta, elementos, c.dia);
  const std::filesystem::path textos = carpeta / ClaveTextos(archivo).NombreArchivo();
  std::filesystem::path indice;
  for (const auto& e : Entradas(carpeta)) {
    if (e != acarreos && e != textos) indice = e;
  }
  ASSERT_FALSE(indice.empty());
  ASSERT_TRUE(std::filesystem::exists(textos));
  c.radio = 10;
  const std::string esperado = Buscar({elementos}, nullptr, c).csv;
  // A byte flipped every `paso` bytes from `desde` into the entry's payload.
  constexpr std::size_t kUnaVez = std::size_t{1} << 40;
  const struct {
    const char* nombre;
    std::filesystem::path entrada;
    std::size_t desde;
    std::size_t paso;
  } casos[] = {{"the index's head", indice, 10, kUnaVez},
               {"the index's summary", indice, 40, kUnaVez},
               // Past the head and summary: every directory entry and every cell.
               {"its directory and cells", indice, 200, 16},
               {"every kept record", textos, 14, kLargoHueco},
               {"every carried row", acarreos, 10, kBytesAcarreo}};
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::string malo = LeerArchivo(caso.entrada);
    // After the entry's header (20 bytes) and key, before its tail (12).
    const std::size_t carga = 20 + static_cast<unsigned char>(malo[12]) +
                              256 * static_cast<std::size_t>(static_cast<unsigned char>(malo[13]));
    for (std::size_t i = carga + caso.desde; i < malo.size() - 12; i += caso.paso) malo[i] ^= 1;
    EscribirArchivo(caso.entrada, malo);
    const Busqueda b = Buscar({elementos}, &carpeta, c);
    EXPECT_EQ(b.csv, esperado);
    EXPECT_FALSE(b.resultado.con_indice);
    ASSERT_GE(b.resultado.avisos_cache.size(), 1u);
    EXPECT_NE(b.resultado.avisos_cache[0].find("dañada"), std::string::npos);
    const Busqueda rehecha = Buscar({elementos}, &carpeta, c);
    EXPECT_TRUE(rehecha.resultado.con_indice);
    EXPECT_EQ(rehecha.csv, esperado);
  }
}

// Two first queries of a night at once, far from the epoch: each writes the carried
// elements, the records and the index, one replacing the other's; both listings are the
// files', and so is a third that reads the index left.
TEST(IndiceNoche, DosConsultasALaVezDanElListadoDeLosFicheros) {
  DirectorioTemporal dir;
  const std::filesystem::path elementos = dir / "elementos.dat";
  EscribirArchivo(elementos, LeerArchivo(kEjemplo));
  const std::filesystem::path carpeta = dir / "cache";
  Consulta a;
  a.radio = 20;
  Consulta b = a;
  b.dia += 0.3;
  b.ar += 40;
  Busqueda con_a;
  Busqueda con_b;
  std::thread primera([&] { con_a = Buscar({elementos}, &carpeta, a); });
  std::thread segunda([&] { con_b = Buscar({elementos}, &carpeta, b); });
  primera.join();
  segunda.join();
  EXPECT_EQ(con_a.csv, Buscar({elementos}, nullptr, a).csv);
  EXPECT_EQ(con_b.csv, Buscar({elementos}, nullptr, b).csv);
  Consulta c = a;
  c.dec -= 30;
  const Busqueda tercera = Buscar({elementos}, &carpeta, c);
  EXPECT_TRUE(tercera.resultado.con_indice);
  EXPECT_EQ(tercera.csv, Buscar({elementos}, nullptr, c).csv);
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
      // The carried elements, the kept records and the night's index.
      {"primera", dir.ruta(), {}, nullptr, 3},
      {"segunda", dir.ruta(), {}, nullptr, 3},
      {"carpeta imposible", dir / "fichero", {}, "no se puede usar la caché", 0},
      {"limite pequeno", dir / "pequena", {"--cache-max", "2k"}, "límite de 2000 bytes", 0},
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
