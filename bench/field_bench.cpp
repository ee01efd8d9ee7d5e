// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-campo on a synthetic file of 1.5 million records, against the floor of any
// program that must look at every record: `wc -l` of the plain file, `gzip -dc` of the
// compressed one. Medians of paired runs (query, floor, query, floor...), warm cache, and
// the query's peak memory.
//   field_bench [FOLDER] [--lejana]   (the files are generated there when missing; /tmp by
//   default). --lejana adds one query 4.2 years before the elements' epoch, where every
//   record is carried, against the catalogue maker's integration rate over the same span;
//   then a second query that night against wc -l, and first queries of nights about ten
//   days later, which find those carried elements in the cache, against first queries of
//   nights 25 to 30 days from the epoch.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/catalogue_maker.h"
#include "ephemeris/element_source.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "field/field_search.h"
#include "mpc_synthetic.h"

namespace {

namespace fs = std::filesystem;
namespace ef = orbelux::efemerides;

struct Medida {
  double segundos = 0;
  long kb = 0;  // peak resident memory of the child
};

// Runs a command through /bin/sh, its output thrown away unless it says where it goes.
Medida Ejecutar(const std::string& orden) {
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t hijo = fork();
  if (hijo == 0) {
    const std::string completa =
        orden.find('>') == std::string::npos ? orden + " > /dev/null" : orden;
    execl("/bin/sh", "sh", "-c", completa.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int estado = 0;
  rusage uso{};
  wait4(hijo, &estado, 0, &uso);
  Medida m;
  m.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  m.kb = uso.ru_maxrss;
  if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
    std::cerr << "falló: " << orden << '\n';
    std::exit(1);
  }
  return m;
}

double Mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Comparar(const std::string& nombre, const std::string& consulta, const std::string& suelo) {
  constexpr int kPares = 5;
  Ejecutar(consulta);  // warm the cache
  Ejecutar(suelo);
  std::vector<double> razones;
  std::vector<double> tiempos;
  std::vector<double> suelos;
  long kb = 0;
  for (int i = 0; i < kPares; ++i) {
    const Medida a = Ejecutar(consulta);
    const Medida b = Ejecutar(suelo);
    razones.push_back(a.segundos / b.segundos);
    tiempos.push_back(a.segundos);
    suelos.push_back(b.segundos);
    kb = std::max(kb, a.kb);
  }
  std::printf("%-28s consulta %.3f s  suelo %.3f s  razón %.2f  memoria máxima %.1f MB\n",
              nombre.c_str(), Mediana(tiempos), Mediana(suelos), Mediana(razones), kb / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> argumentos(argv + 1, argv + argc);
  const auto lejana = std::find(argumentos.begin(), argumentos.end(), "--lejana");
  const bool medir_lejana = lejana != argumentos.end();
  if (medir_lejana) argumentos.erase(lejana);
  const fs::path carpeta =
      !argumentos.empty() ? fs::path(argumentos[0]) : fs::temp_directory_path();
  fs::path plano;
  fs::path comprimido;
  try {
    const auto archivos = orbelux::sintetico::PrepararArchivosSinteticos(
        carpeta, ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
    plano = archivos.plano;
    comprimido = archivos.comprimido;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  // 30 days after the elements' epoch, from Sierra Nevada.
  const std::string fecha = "2026-12-21T00:00";
  const std::string programa = ORBELUX_CAMPO;
  // Every query reads the file: the cache (carried elements, a night's index) is measured
  // apart, below.
  const std::string base = programa +
                           " --sin-cache --centro 45,10 --radio 30 --mag-max 21 --fecha " + fecha +
                           " --observatorio J86 --elementos ";

  std::uint64_t registros = 0;
  // How much the culling leaves to compute exactly.
  for (const bool perturbado : {true, false}) {
    orbelux::campo::PeticionCampo p;
    p.ar_centro = 45 * 3.14159265358979323846 / 180;
    p.dec_centro = 10 * 3.14159265358979323846 / 180;
    p.radio = 30.0 / 60 * 3.14159265358979323846 / 180;
    p.magnitud_maxima = 21;
    p.instante = ef::InstanteDesdeCalendario(2026, 12, 21, 0, 0, 0);
    p.sitio = *ef::BuscarObservatorio("J86");
    p.perturbado = perturbado;
    ef::ArchivoElementos archivo(plano);
    const auto t0 = std::chrono::steady_clock::now();
    const auto r = orbelux::campo::BuscarEnCampo(archivo, p);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    registros = r.registros;
    std::printf(
        "%s: %llu registros, %llu candidatos calculados exactamente, %llu omitidos, "
        "%zu en el campo (%.3f s)\n",
        perturbado ? "perturbado" : "dos cuerpos", static_cast<unsigned long long>(r.registros),
        static_cast<unsigned long long>(r.candidatos), static_cast<unsigned long long>(r.omitidos),
        r.objetos.size(), s);
  }

  Comparar("plano / wc -l", base + "'" + plano.string() + "'", "wc -l '" + plano.string() + "'");
  Comparar("gzip / gzip -dc", base + "'" + comprimido.string() + "'",
           "gzip -dc '" + comprimido.string() + "'");
  Comparar("plano --dos-cuerpos / wc -l", base + "'" + plano.string() + "' --dos-cuerpos",
           "wc -l '" + plano.string() + "'");
  Comparar("gzip --dos-cuerpos / gzip -dc", base + "'" + comprimido.string() + "' --dos-cuerpos",
           "gzip -dc '" + comprimido.string() + "'");
  std::printf("Objetivos: plano <= 3, gzip <= 1.3, memoria < 200 MB\n");

  {
    // A night's index, in a cache folder of the bench's own, emptied first: the night's first
    // query builds it, and a later one that night elsewhere in the sky reads only its cells.
    const fs::path cache = carpeta / "orbelux_campo_cache";
    fs::remove_all(cache);
    const std::string entorno = "XDG_CACHE_HOME='" + cache.string() + "' ";
    const Medida primera =
        Ejecutar(entorno + programa + " --centro 45,10 --radio 30 --mag-max 21 --fecha " + fecha +
                 " --observatorio J86 --elementos '" + plano.string() + "'");
    std::printf("primera consulta de la noche   %.3f s  memoria máxima %.1f MB\n", primera.segundos,
                primera.kb / 1024.0);
    Comparar("segunda de la noche / wc -l",
             entorno + programa + " --centro 200,-15 --radio 30 --mag-max 21 --fecha " +
                 "2026-12-21T04:00 --observatorio J86 --elementos '" + plano.string() + "'",
             "wc -l '" + plano.string() + "'");
    std::printf("Objetivo: segunda de la noche <= 0.25\n");
  }

  if (medir_lejana) {
    // The catalogue maker integrates its first kMaximoAsteroides numbered records from the
    // same epoch to the same date: its rate per object, scaled to the file, is the floor
    // of a query that must carry every record.
    const std::string lejos = "2022-09-08T22:00";
    // A cache folder of its own, empty, so that the query carries every record once.
    const fs::path cache = carpeta / "orbelux_campo_cache";
    fs::remove_all(cache);
    const std::string con_cache = "XDG_CACHE_HOME='" + cache.string() + "' ";
    const Medida consulta =
        Ejecutar(con_cache + programa + " --centro 45,10 --radio 60 --observatorio J86 --fecha " +
                 lejos + " --elementos '" + plano.string() + "'");
    // It writes its ast.dat in a folder of its own, beside the elements.
    const fs::path trabajo = carpeta / "orbelux_campo_catalogo";
    fs::create_directories(trabajo);
    const Medida catalogo = Ejecutar("cd '" + trabajo.string() + "' && " + ORBELUX_CATALOGO +
                                     " --elementos '" + plano.string() + "' --fecha " + lejos);
    const double suelo = catalogo.segundos * static_cast<double>(registros) /
                         static_cast<double>(orbelux::catalogo::kMaximoAsteroides);
    std::printf(
        "a 4,2 años de la época      consulta %.1f s  integración de todo %.1f s  razón %.2f  "
        "memoria máxima %.1f MB\n",
        consulta.segundos, suelo, consulta.segundos / suelo, consulta.kb / 1024.0);
    std::printf("Objetivos: razón <= 1.3, memoria < 200 MB\n");
    Comparar("segunda de esa noche / wc -l",
             con_cache + programa + " --centro 200,-15 --radio 60 --fecha 2022-09-09T03:00" +
                 " --observatorio J86 --elementos '" + plano.string() + "'",
             "wc -l '" + plano.string() + "'");
    std::printf("Objetivo: <= 0.25\n");
    // Around ten days later the grid epoch is the same: the query reads the carried
    // elements and builds its night's index; against the first query of a night 25 to 30
    // days from the elements' epoch, which builds its own. Each pair on nights of its own.
    const auto primera = [&](const std::string& fecha_hora) {
      return con_cache + programa + " --centro 45,10 --radio 30 --mag-max 21 --fecha " +
             fecha_hora + " --observatorio J86 --elementos '" + plano.string() + "'";
    };
    Ejecutar(primera("2026-12-15T00:00"));  // the near grid epoch's own carried elements
    std::vector<double> razones;
    std::vector<double> lejanas;
    std::vector<double> cercanas;
    long kb = 0;
    for (int dia = 0; dia < 6; ++dia) {
      const Medida a = Ejecutar(primera("2022-09-" + std::to_string(13 + dia) + "T22:00"));
      const Medida b = Ejecutar(primera("2026-12-" + std::to_string(16 + dia) + "T00:00"));
      razones.push_back(a.segundos / b.segundos);
      lejanas.push_back(a.segundos);
      cercanas.push_back(b.segundos);
      kb = std::max({kb, a.kb, b.kb});
    }
    std::printf(
        "+10 días / a 30 días de la época (primeras de sus noches)  consulta %.3f s  "
        "suelo %.3f s  razón %.2f  memoria máxima %.1f MB\n",
        Mediana(lejanas), Mediana(cercanas), Mediana(razones), kb / 1024.0);
    std::printf("Objetivo: razón <= 1.5\n");
  }
  return 0;
}
