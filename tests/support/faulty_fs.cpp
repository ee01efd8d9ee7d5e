// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/faulty_fs.h"

#include <algorithm>
#include <string>
#include <utility>

namespace orbelux::prueba {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fallar(FalloArchivo::Operacion operacion, const fs::path& ruta) {
  throw FalloArchivo(operacion, ruta, "averia provocada");
}

class LecturaAveriada final : public LecturaReenviada {
 public:
  LecturaAveriada(std::unique_ptr<ArchivoLectura> real, fs::path ruta, bool falla,
                  std::size_t tras_bytes, std::size_t& leidos)
      : LecturaReenviada(std::move(real)),
        ruta_(std::move(ruta)),
        falla_(falla),
        tras_bytes_(tras_bytes),
        leidos_(leidos) {}

  std::size_t Leer(char* destino, std::size_t maximo) override {
    if (falla_) {
      if (leidos_ >= tras_bytes_) Fallar(FalloArchivo::Operacion::Lectura, ruta_);
      maximo = std::min(maximo, tras_bytes_ - leidos_);
    }
    const std::size_t n = LecturaReenviada::Leer(destino, maximo);
    leidos_ += n;
    return n;
  }

 private:
  fs::path ruta_;
  bool falla_;
  std::size_t tras_bytes_;
  std::size_t& leidos_;
};

class EscrituraAveriada final : public EscrituraReenviada {
 public:
  EscrituraAveriada(std::unique_ptr<ArchivoEscritura> real, Averia averia, std::size_t tras_bytes,
                    std::size_t& escritos, std::vector<std::string>& llamadas)
      : EscrituraReenviada(std::move(real)),
        averia_(averia),
        tras_bytes_(tras_bytes),
        escritos_(escritos),
        llamadas_(llamadas) {}

  void TomarPermisos(const EstadoArchivo& anterior) override {
    llamadas_.emplace_back("TomarPermisos");
    if (averia_ == Averia::TomarPermisos) Fallar(FalloArchivo::Operacion::Escritura, ruta());
    EscrituraReenviada::TomarPermisos(anterior);
  }

  void Escribir(std::string_view datos) override {
    llamadas_.emplace_back("Escribir");
    if (averia_ == Averia::EscribirAMitad && escritos_ + datos.size() > tras_bytes_) {
      // Part of the data reaches the disk before it fills up.
      EscrituraReenviada::Escribir(datos.substr(0, tras_bytes_ - escritos_));
      escritos_ = tras_bytes_;
      Fallar(FalloArchivo::Operacion::Escritura, ruta());
    }
    EscrituraReenviada::Escribir(datos);
    escritos_ += datos.size();
  }

  void SincronizarYCerrar() override {
    llamadas_.emplace_back("SincronizarYCerrar");
    if (averia_ == Averia::Sincronizar) Fallar(FalloArchivo::Operacion::Escritura, ruta());
    EscrituraReenviada::SincronizarYCerrar();
  }

 private:
  Averia averia_;
  std::size_t tras_bytes_;
  std::size_t& escritos_;
  std::vector<std::string>& llamadas_;
};

}  // namespace

std::unique_ptr<ArchivoLectura> SistemaConAverias::AbrirLectura(const fs::path& ruta) {
  llamadas.emplace_back("AbrirLectura");
  if (averia_ == Averia::AbrirLectura) Fallar(FalloArchivo::Operacion::Lectura, ruta);
  ++lecturas_abiertas;
  return std::make_unique<LecturaAveriada>(SistemaReenviado::AbrirLectura(ruta), ruta,
                                           averia_ == Averia::LeerAMitad, tras_bytes_,
                                           bytes_leidos);
}

EstadoArchivo SistemaConAverias::Estado(const fs::path& ruta) {
  llamadas.emplace_back("Estado");
  if (averia_ == Averia::Estado) Fallar(FalloArchivo::Operacion::Escritura, ruta);
  return SistemaReenviado::Estado(ruta);
}

fs::path SistemaConAverias::ResolverEnlaces(const fs::path& ruta) {
  llamadas.emplace_back("ResolverEnlaces");
  if (averia_ == Averia::ResolverEnlaces) Fallar(FalloArchivo::Operacion::Escritura, ruta);
  return SistemaReenviado::ResolverEnlaces(ruta);
}

void SistemaConAverias::BorrarTemporalesAbandonados(const fs::path& destino) noexcept {
  llamadas.emplace_back("BorrarTemporalesAbandonados");
  SistemaReenviado::BorrarTemporalesAbandonados(destino);
}

std::unique_ptr<ArchivoEscritura> SistemaConAverias::CrearTemporal(const fs::path& destino) {
  llamadas.emplace_back("CrearTemporal");
  if (averia_ == Averia::CrearTemporal) Fallar(FalloArchivo::Operacion::Escritura, destino);
  return std::make_unique<EscrituraAveriada>(SistemaReenviado::CrearTemporal(destino), averia_,
                                             tras_bytes_, bytes_escritos, llamadas);
}

void SistemaConAverias::Renombrar(const fs::path& origen, const fs::path& destino) {
  llamadas.emplace_back("Renombrar");
  if (averia_ == Averia::Renombrar) Fallar(FalloArchivo::Operacion::Escritura, destino);
  SistemaReenviado::Renombrar(origen, destino);
}

void SistemaConAverias::SincronizarDirectorio(const fs::path& directorio) {
  llamadas.emplace_back("SincronizarDirectorio");
  if (averia_ == Averia::SincronizarDirectorio) {
    Fallar(FalloArchivo::Operacion::Escritura, directorio);
  }
  SistemaReenviado::SincronizarDirectorio(directorio);
}

void SistemaConAverias::Borrar(const fs::path& ruta) noexcept {
  llamadas.emplace_back("Borrar");
  ++temporales_borrados;
  SistemaReenviado::Borrar(ruta);
}

}  // namespace orbelux::prueba
