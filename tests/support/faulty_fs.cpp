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

class LecturaAveriada final : public ArchivoLectura {
 public:
  LecturaAveriada(std::unique_ptr<ArchivoLectura> real, fs::path ruta, bool falla,
                  std::size_t tras_bytes, std::size_t& leidos)
      : real_(std::move(real)),
        ruta_(std::move(ruta)),
        falla_(falla),
        tras_bytes_(tras_bytes),
        leidos_(leidos) {}

  std::size_t Leer(char* destino, std::size_t maximo) override {
    if (falla_) {
      if (leidos_ >= tras_bytes_) Fallar(FalloArchivo::Operacion::Lectura, ruta_);
      maximo = std::min(maximo, tras_bytes_ - leidos_);
    }
    const std::size_t n = real_->Leer(destino, maximo);
    leidos_ += n;
    return n;
  }

 private:
  std::unique_ptr<ArchivoLectura> real_;
  fs::path ruta_;
  bool falla_;
  std::size_t tras_bytes_;
  std::size_t& leidos_;
};

class EscrituraAveriada final : public ArchivoEscritura {
 public:
  EscrituraAveriada(std::unique_ptr<ArchivoEscritura> real, Averia averia, std::size_t tras_bytes,
                    std::size_t& escritos)
      : real_(std::move(real)), averia_(averia), tras_bytes_(tras_bytes), escritos_(escritos) {}

  const fs::path& ruta() const override { return real_->ruta(); }

  void Escribir(std::string_view datos) override {
    if (averia_ == Averia::EscribirAMitad && escritos_ + datos.size() > tras_bytes_) {
      // Part of the data reaches the disk before it fills up.
      real_->Escribir(datos.substr(0, tras_bytes_ - escritos_));
      escritos_ = tras_bytes_;
      Fallar(FalloArchivo::Operacion::Escritura, ruta());
    }
    real_->Escribir(datos);
    escritos_ += datos.size();
  }

  void SincronizarYCerrar() override {
    if (averia_ == Averia::Sincronizar) Fallar(FalloArchivo::Operacion::Escritura, ruta());
    real_->SincronizarYCerrar();
  }

 private:
  std::unique_ptr<ArchivoEscritura> real_;
  Averia averia_;
  std::size_t tras_bytes_;
  std::size_t& escritos_;
};

}  // namespace

std::unique_ptr<ArchivoLectura> SistemaConAverias::AbrirLectura(const fs::path& ruta) {
  if (averia_ == Averia::AbrirLectura) Fallar(FalloArchivo::Operacion::Lectura, ruta);
  ++lecturas_abiertas;
  return std::make_unique<LecturaAveriada>(SistemaReal().AbrirLectura(ruta), ruta,
                                           averia_ == Averia::LeerAMitad, tras_bytes_,
                                           bytes_leidos);
}

std::unique_ptr<ArchivoEscritura> SistemaConAverias::CrearTemporal(const fs::path& destino) {
  if (averia_ == Averia::CrearTemporal) Fallar(FalloArchivo::Operacion::Escritura, destino);
  return std::make_unique<EscrituraAveriada>(SistemaReal().CrearTemporal(destino), averia_,
                                             tras_bytes_, bytes_escritos);
}

void SistemaConAverias::Renombrar(const fs::path& origen, const fs::path& destino) {
  if (averia_ == Averia::Renombrar) Fallar(FalloArchivo::Operacion::Escritura, destino);
  SistemaReal().Renombrar(origen, destino);
}

void SistemaConAverias::Borrar(const fs::path& ruta) noexcept {
  ++temporales_borrados;
  SistemaReal().Borrar(ruta);
}

}  // namespace orbelux::prueba
