// SPDX-License-Identifier: GPL-3.0-or-later
// Files kept in memory, with one operation made to fail on request: lets a fuzz target
// run thousands of whole runs a second and break the disk at any step.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace orbelux::fuzz {

enum class Averia : unsigned char {
  Ninguna,
  AbrirLectura,
  Leer,
  CrearTemporal,
  Escribir,
  Sincronizar,
  Renombrar,
  SincronizarDirectorio,
  kCuantas
};

class ArchivosEnMemoria final : public SistemaArchivos {
 public:
  std::map<std::filesystem::path, std::string> archivos;
  Averia averia = Averia::Ninguna;
  std::size_t tras_bytes = 0;  // for Leer and Escribir

  std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) override {
    const auto it = archivos.find(ruta);
    if (averia == Averia::AbrirLectura || it == archivos.end()) Fallar(true, ruta);
    return std::make_unique<Lectura>(*this, it->second, ruta);
  }

  EstadoArchivo Estado(const std::filesystem::path& ruta) override {
    EstadoArchivo estado;
    if (archivos.contains(ruta)) estado.tipo = EstadoArchivo::Tipo::Normal;
    return estado;
  }

  std::filesystem::path ResolverEnlaces(const std::filesystem::path& ruta) override {
    return ruta;
  }

  void BorrarTemporalesAbandonados(const std::filesystem::path&) noexcept override {}

  std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) override {
    if (averia == Averia::CrearTemporal) Fallar(false, destino);
    std::filesystem::path ruta = destino;
    ruta += std::string(kMarcaTemporal) + std::to_string(++temporales_);
    archivos[ruta];
    return std::make_unique<Escritura>(*this, ruta);
  }

  void Renombrar(const std::filesystem::path& origen,
                 const std::filesystem::path& destino) override {
    if (averia == Averia::Renombrar) Fallar(false, destino);
    auto nodo = archivos.extract(origen);
    nodo.key() = destino;
    archivos.erase(destino);
    archivos.insert(std::move(nodo));
  }

  void SincronizarDirectorio(const std::filesystem::path& directorio) override {
    if (averia == Averia::SincronizarDirectorio) Fallar(false, directorio);
  }

  void Borrar(const std::filesystem::path& ruta) noexcept override { archivos.erase(ruta); }

  // Folders are implied by the files' paths, and no file has a time: the fuzz targets run
  // one program at a time and keep nothing between runs.
  void CrearDirectorios(const std::filesystem::path&) override {}
  std::vector<EntradaDirectorio> Listar(const std::filesystem::path& directorio) override {
    std::vector<EntradaDirectorio> entradas;
    for (const auto& [ruta, contenido] : archivos) {
      if (ruta.parent_path() == directorio) entradas.push_back({ruta.filename(), contenido.size()});
    }
    return entradas;
  }
  void MarcarUso(const std::filesystem::path& ruta) override {
    if (!archivos.contains(ruta)) Fallar(false, ruta);
  }
  std::unique_ptr<Candado> Bloquear(const std::filesystem::path& ruta) override {
    archivos.try_emplace(ruta);
    return std::make_unique<Candado>();
  }

 private:
  [[noreturn]] static void Fallar(bool lectura, const std::filesystem::path& ruta) {
    throw FalloArchivo(lectura ? FalloArchivo::Operacion::Lectura
                               : FalloArchivo::Operacion::Escritura,
                       ruta, "averia");
  }

  class Lectura final : public ArchivoLectura {
   public:
    Lectura(ArchivosEnMemoria& sistema, std::string contenido, std::filesystem::path ruta)
        : sistema_(sistema), contenido_(std::move(contenido)), ruta_(std::move(ruta)) {}
    std::size_t Leer(char* destino, std::size_t maximo) override {
      std::size_t n = std::min(maximo, contenido_.size() - pos_);
      if (sistema_.averia == Averia::Leer) {
        if (pos_ >= sistema_.tras_bytes && n > 0) Fallar(true, ruta_);
        n = std::min(n, sistema_.tras_bytes - pos_);
      }
      contenido_.copy(destino, n, pos_);
      pos_ += n;
      return n;
    }

   private:
    ArchivosEnMemoria& sistema_;
    std::string contenido_;
    std::filesystem::path ruta_;
    std::size_t pos_ = 0;
  };

  class Escritura final : public ArchivoEscritura {
   public:
    Escritura(ArchivosEnMemoria& sistema, std::filesystem::path ruta)
        : sistema_(sistema), ruta_(std::move(ruta)) {}
    const std::filesystem::path& ruta() const override { return ruta_; }
    void TomarPermisos(const EstadoArchivo&) override {}
    void Escribir(std::string_view datos) override {
      std::string& archivo = sistema_.archivos[ruta_];
      if (sistema_.averia == Averia::Escribir &&
          archivo.size() + datos.size() > sistema_.tras_bytes) {
        archivo.append(datos.substr(0, sistema_.tras_bytes - std::min(sistema_.tras_bytes,
                                                                      archivo.size())));
        Fallar(false, ruta_);
      }
      archivo.append(datos);
    }
    void SincronizarYCerrar() override {
      if (sistema_.averia == Averia::Sincronizar) Fallar(false, ruta_);
    }

   private:
    ArchivosEnMemoria& sistema_;
    std::filesystem::path ruta_;
  };

  int temporales_ = 0;
};

}  // namespace orbelux::fuzz
