// SPDX-License-Identifier: GPL-3.0-or-later
// The real file system with one step made to fail on purpose, to prove that every
// failure ends in a message, with nothing lost and nothing left behind.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orbelux::prueba {

// Forwards every call to another file system, the real one unless told: a fake derives
// from it and overrides only the calls it changes.
class SistemaReenviado : public SistemaArchivos {
 public:
  explicit SistemaReenviado(SistemaArchivos& destino = SistemaReal()) : destino_(destino) {}

  std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) override {
    return destino_.AbrirLectura(ruta);
  }
  EstadoArchivo Estado(const std::filesystem::path& ruta) override { return destino_.Estado(ruta); }
  std::filesystem::path ResolverEnlaces(const std::filesystem::path& ruta) override {
    return destino_.ResolverEnlaces(ruta);
  }
  void BorrarTemporalesAbandonados(const std::filesystem::path& destino) noexcept override {
    destino_.BorrarTemporalesAbandonados(destino);
  }
  std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) override {
    return destino_.CrearTemporal(destino);
  }
  void Renombrar(const std::filesystem::path& origen,
                 const std::filesystem::path& destino) override {
    destino_.Renombrar(origen, destino);
  }
  void SincronizarDirectorio(const std::filesystem::path& directorio) override {
    destino_.SincronizarDirectorio(directorio);
  }
  void Borrar(const std::filesystem::path& ruta) noexcept override { destino_.Borrar(ruta); }
  void CrearDirectorios(const std::filesystem::path& ruta) override {
    destino_.CrearDirectorios(ruta);
  }
  std::vector<EntradaDirectorio> Listar(const std::filesystem::path& directorio) override {
    return destino_.Listar(directorio);
  }
  void MarcarUso(const std::filesystem::path& ruta) override { destino_.MarcarUso(ruta); }
  std::unique_ptr<Candado> Bloquear(const std::filesystem::path& ruta) override {
    return destino_.Bloquear(ruta);
  }

 private:
  SistemaArchivos& destino_;
};

// The same for an open file, read or written.
class LecturaReenviada : public ArchivoLectura {
 public:
  explicit LecturaReenviada(std::unique_ptr<ArchivoLectura> real) : real_(std::move(real)) {}
  std::size_t Leer(char* destino, std::size_t maximo) override {
    return real_->Leer(destino, maximo);
  }
  std::uint64_t Tamano() const override { return real_->Tamano(); }
  void Saltar(std::uint64_t bytes) override { real_->Saltar(bytes); }
  std::optional<std::size_t> LeerEn(std::uint64_t desde, char* destino, std::size_t n) override {
    return real_->LeerEn(desde, destino, n);
  }

 private:
  std::unique_ptr<ArchivoLectura> real_;
};

class EscrituraReenviada : public ArchivoEscritura {
 public:
  explicit EscrituraReenviada(std::unique_ptr<ArchivoEscritura> real) : real_(std::move(real)) {}
  const std::filesystem::path& ruta() const override { return real_->ruta(); }
  void TomarPermisos(const EstadoArchivo& anterior) override { real_->TomarPermisos(anterior); }
  void Escribir(std::string_view datos) override { real_->Escribir(datos); }
  void SincronizarYCerrar() override { real_->SincronizarYCerrar(); }

 private:
  std::unique_ptr<ArchivoEscritura> real_;
};

enum class Averia {
  Ninguna,
  AbrirLectura,           // the file to read cannot be opened
  LeerAMitad,             // reading fails after `tras_bytes` bytes
  ResolverEnlaces,        // the destination's links cannot be followed
  Estado,                 // the destination cannot be looked at
  CrearTemporal,          // the temporary file cannot be created
  TomarPermisos,          // the old mode cannot be given to it
  EscribirAMitad,         // writing fails after `tras_bytes` bytes (disk full)
  Sincronizar,            // fsync fails
  Renombrar,              // the final rename fails
  SincronizarDirectorio,  // the directory's fsync fails
};

// The real file system with the one failure asked for, keeping a record of each call.
class SistemaConAverias final : public SistemaReenviado {
 public:
  explicit SistemaConAverias(Averia averia = Averia::Ninguna, std::size_t tras_bytes = 0)
      : averia_(averia), tras_bytes_(tras_bytes) {}

  std::unique_ptr<ArchivoLectura> AbrirLectura(const std::filesystem::path& ruta) override;
  EstadoArchivo Estado(const std::filesystem::path& ruta) override;
  std::filesystem::path ResolverEnlaces(const std::filesystem::path& ruta) override;
  void BorrarTemporalesAbandonados(const std::filesystem::path& destino) noexcept override;
  std::unique_ptr<ArchivoEscritura> CrearTemporal(const std::filesystem::path& destino) override;
  void Renombrar(const std::filesystem::path& origen,
                 const std::filesystem::path& destino) override;
  void SincronizarDirectorio(const std::filesystem::path& directorio) override;
  void Borrar(const std::filesystem::path& ruta) noexcept override;

  // What the code under test did, for checks.
  int lecturas_abiertas = 0;
  std::size_t bytes_leidos = 0;
  std::size_t bytes_escritos = 0;
  int temporales_borrados = 0;
  // Every call, by name, in order ("Escribir" once per call).
  std::vector<std::string> llamadas;

 private:
  Averia averia_;
  std::size_t tras_bytes_;
};

}  // namespace orbelux::prueba
