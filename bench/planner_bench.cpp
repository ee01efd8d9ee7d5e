// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux-efemerides on a synthetic file of 1.5 million records: one name looked up in the
// gzip file against `gzip -dc` of it (a name may name any record, so the whole file is
// read), one number against the same floor (read until found), and 10,000 rows of one
// object against a single row. Medians of paired runs, warm cache.
//   planner_bench [FOLDER]   (the files are generated there when missing; /tmp by default;
//                             the same files as field_bench's)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "mpc_synthetic.h"

namespace {

namespace fs = std::filesystem;

double Ejecutar(const std::string& orden) {
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t hijo = fork();
  if (hijo == 0) {
    const std::string completa =
        orden.find('>') == std::string::npos ? orden + " > /dev/null" : orden;
    execl("/bin/sh", "sh", "-c", completa.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int estado = 0;
  waitpid(hijo, &estado, 0);
  if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
    std::cerr << "falló: " << orden << '\n';
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Comparar(const std::string& nombre, const std::string& consulta, const std::string& suelo,
              bool diferencia) {
  constexpr int kPares = 5;
  Ejecutar(consulta);  // warm the cache
  Ejecutar(suelo);
  std::vector<double> razones, tiempos, suelos;
  for (int i = 0; i < kPares; ++i) {
    const double a = Ejecutar(consulta);
    const double b = Ejecutar(suelo);
    razones.push_back(diferencia ? a - b : a / b);
    tiempos.push_back(a);
    suelos.push_back(b);
  }
  std::printf("%-34s consulta %.3f s  suelo %.3f s  %s %.3f\n", nombre.c_str(), Mediana(tiempos),
              Mediana(suelos), diferencia ? "diferencia (s)" : "razón", Mediana(razones));
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path carpeta = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  fs::path comprimido;
  try {
    comprimido = orbelux::sintetico::PrepararArchivosSinteticos(
                     carpeta, ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat")
                     .comprimido;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  const std::string programa = ORBELUX_EFEMERIDES;
  const std::string gz = "'" + comprimido.string() + "'";
  Comparar("un nombre en gzip / gzip -dc",
           programa + " vesta --fecha 2026-12-21 --observatorio J86 --elementos " + gz,
           "gzip -dc " + gz, false);
  Comparar("un número en gzip / gzip -dc",
           programa + " 4 --fecha 2026-12-21 --observatorio J86 --elementos " + gz,
           "gzip -dc " + gz, false);
  const std::string ejemplo = "'" ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat'";
  Comparar("10000 filas / 1 fila",
           programa +
               " 4 --inicio 2026-12-01 --fin 2026-12-07T22:39 --paso 1m --observatorio "
               "J86 --elementos " +
               ejemplo,
           programa + " 4 --fecha 2026-12-01 --observatorio J86 --elementos " + ejemplo, true);
  std::printf("Objetivos: un nombre en gzip <= 1.3, 10000 filas <= 0.2 s más que una\n");
  return 0;
}
