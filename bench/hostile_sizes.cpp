// SPDX-License-Identifier: GPL-3.0-or-later
// A manual check, not part of the test suite: catalogues far beyond any real one.
//   1. one line of 1 GiB with no line end;
//   2. ten million short lines with the upper number bound at 1400.
// Prints the peak resident size of each run and how many bytes the run read.
// Usage: hostile_sizes [directory]   (default: the system's temporary directory)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "listgen/generation_run.h"

namespace {

using namespace orbelux;
namespace fs = std::filesystem;

class VentanaMuda final : public VentanaGeneracion {
 public:
  explicit VentanaMuda(double num_max) {
    const char* textos[] = {"0", "00", "00", "24", "00", "00", "-90", "00",
                            "00", "+90", "00", "00", "0", "", "-1", "100"};
    for (std::size_t i = 0; i < kNumCajas; ++i) campos_.textos[i] = textos[i];
    campos_[Caja::txtNumero_max] = std::to_string(num_max);
  }
  std::string TextoCaja(Caja caja) const override { return campos_[caja]; }
  void PonerTextoCaja(Caja caja, std::string_view texto) override {
    campos_[caja] = std::string(texto);
  }
  void PonerPuntero(Puntero) override {}
  void MostrarAviso(std::string_view texto, std::string_view) override {
    std::printf("  message: %.*s\n", static_cast<int>(texto.size()), texto.data());
  }
  void EnfocarCaja(Caja) override {}

 private:
  CamposFiltro campos_;
};

// The real file system, counting the bytes read.
class SistemaContado final : public SistemaArchivos {
 public:
  std::unique_ptr<ArchivoLectura> AbrirLectura(const fs::path& ruta) override {
    class Contada final : public ArchivoLectura {
     public:
      Contada(std::unique_ptr<ArchivoLectura> real, std::size_t& leidos)
          : real_(std::move(real)), leidos_(leidos) {}
      std::size_t Leer(char* destino, std::size_t maximo) override {
        const std::size_t n = real_->Leer(destino, maximo);
        leidos_ += n;
        return n;
      }

     private:
      std::unique_ptr<ArchivoLectura> real_;
      std::size_t& leidos_;
    };
    return std::make_unique<Contada>(SistemaReal().AbrirLectura(ruta), leidos);
  }
  EstadoArchivo Estado(const fs::path& ruta) override { return SistemaReal().Estado(ruta); }
  fs::path ResolverEnlaces(const fs::path& ruta) override {
    return SistemaReal().ResolverEnlaces(ruta);
  }
  void BorrarTemporalesAbandonados(const fs::path& destino) noexcept override {
    SistemaReal().BorrarTemporalesAbandonados(destino);
  }
  std::unique_ptr<ArchivoEscritura> CrearTemporal(const fs::path& destino) override {
    return SistemaReal().CrearTemporal(destino);
  }
  void Renombrar(const fs::path& origen, const fs::path& destino) override {
    SistemaReal().Renombrar(origen, destino);
  }
  void SincronizarDirectorio(const fs::path& directorio) override {
    SistemaReal().SincronizarDirectorio(directorio);
  }
  void Borrar(const fs::path& ruta) noexcept override { SistemaReal().Borrar(ruta); }
  void CrearDirectorios(const fs::path& ruta) override { SistemaReal().CrearDirectorios(ruta); }
  std::vector<EntradaDirectorio> Listar(const fs::path& directorio) override {
    return SistemaReal().Listar(directorio);
  }
  void MarcarUso(const fs::path& ruta) override { SistemaReal().MarcarUso(ruta); }
  std::unique_ptr<Candado> Bloquear(const fs::path& ruta) override {
    return SistemaReal().Bloquear(ruta);
  }

  std::size_t leidos = 0;
};

// Each case runs in a child process, so that its peak resident size is its own.
void Medir(const char* nombre, const fs::path& directorio, double num_max) {
  std::printf("%s\n", nombre);
  std::fflush(stdout);
  const pid_t hijo = ::fork();
  if (hijo == 0) {
    fs::current_path(directorio);
    SistemaContado sistema;
    VentanaMuda ventana(num_max);
    const auto inicio = std::chrono::steady_clock::now();
    GenerarLista(ventana, sistema);
    const double segundos =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
    rusage uso{};
    ::getrusage(RUSAGE_SELF, &uso);
    std::printf("  catalogue %.1f MiB, read %.1f MiB, %.2f s, peak resident %.1f MiB\n",
                static_cast<double>(fs::file_size("ast.dat")) / (1 << 20),
                static_cast<double>(sistema.leidos) / (1 << 20), segundos,
                static_cast<double>(uso.ru_maxrss) / 1024);
    std::fflush(stdout);
    ::_exit(0);
  }
  int estado = 0;
  ::waitpid(hijo, &estado, 0);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  const fs::path directorio = base / ("orbelux-hostil-" + std::to_string(::getpid()));
  fs::create_directories(directorio);
  {
    std::ofstream catalogo(directorio / "ast.dat", std::ios::binary);
    catalogo << "(1) Ceres              2461383.5000 05 07 03.4 +05 03 17  16.3";
    const std::string trozo(1 << 20, '7');
    for (int i = 0; i < 1024; ++i) catalogo << trozo;
  }
  Medir("one line of 1 GiB, no line end, number bound 1e12", directorio, 1e12);
  {
    std::ofstream catalogo(directorio / "ast.dat", std::ios::binary | std::ios::trunc);
    std::string bloque;
    for (int i = 0; i < 10000; ++i) bloque += "(n) short line\r\n";
    for (int i = 0; i < 1000; ++i) catalogo << bloque;
  }
  Medir("ten million short lines, number bound 1400", directorio, 1400);
  std::error_code ignorado;
  fs::remove_all(directorio, ignorado);
  return 0;
}
