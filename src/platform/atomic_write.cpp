// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_write.h"

#include <utility>

namespace orbelux {

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kBloqueEscritura = std::size_t{64} * 1024;
}

EscrituraAtomica::EscrituraAtomica(SistemaArchivos& sistema, fs::path destino)
    : sistema_(sistema), destino_(std::move(destino)) {
  try {
    Preparar();
  } catch (const FalloArchivo& fallo) {
    Descartar();
    Fallar(fallo);
  }
  pendiente_.reserve(kBloqueEscritura);
}

void EscrituraAtomica::Preparar() {
  final_ = sistema_.ResolverEnlaces(destino_);
  const EstadoArchivo anterior = sistema_.Estado(final_);
  // Renaming over a device, a FIFO or a socket would replace it, and as root even
  // /dev/null; a directory would fail later with a vaguer reason.
  if (anterior.tipo == EstadoArchivo::Tipo::Otro) {
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_,
                       std::string(kNoEsArchivoNormal));
  }
  sistema_.BorrarTemporalesAbandonados(final_);
  temporal_ = sistema_.CrearTemporal(final_);
  ruta_temporal_ = temporal_->ruta();
  if (anterior.tipo == EstadoArchivo::Tipo::Normal) temporal_->TomarPermisos(anterior);
}

void EscrituraAtomica::Descartar() noexcept {
  if (hecho_ || ruta_temporal_.empty()) {
    temporal_.reset();
    return;
  }
  // Removed while still open and locked, so that no signal in between can leave it (on
  // Windows the file is open with FILE_SHARE_DELETE, and goes when the handle closes).
  sistema_.Borrar(ruta_temporal_);
  temporal_.reset();
  ruta_temporal_.clear();
}

EscrituraAtomica::~EscrituraAtomica() { Descartar(); }

void EscrituraAtomica::Escribir(std::string_view datos) {
  if (pendiente_.size() + datos.size() > kBloqueEscritura) Vaciar();
  if (datos.size() >= kBloqueEscritura) {
    try {
      temporal_->Escribir(datos);
    } catch (const FalloArchivo& fallo) {
      Fallar(fallo);
    }
    return;
  }
  pendiente_.append(datos);
}

void EscrituraAtomica::Vaciar() {
  if (pendiente_.empty()) return;
  try {
    temporal_->Escribir(pendiente_);
  } catch (const FalloArchivo& fallo) {
    Fallar(fallo);
  }
  pendiente_.clear();
}

void EscrituraAtomica::Confirmar() {
  Vaciar();
  try {
    temporal_->SincronizarYCerrar();
    sistema_.Renombrar(ruta_temporal_, final_);
  } catch (const FalloArchivo& fallo) {
    Fallar(fallo);
  }
  hecho_ = true;
  temporal_.reset();
  // Without this a power cut could lose the rename, and with it both files.
  try {
    sistema_.SincronizarDirectorio(DirectorioDe(final_));
  } catch (const FalloArchivo& fallo) {
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_,
                       "escrito, pero sin poder asegurarlo en el disco: " + fallo.motivo());
  }
}

void EscrituraAtomica::Fallar(const FalloArchivo& causa) {
  // The user is told about the file they asked for, not about the temporary one.
  throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_, causa.motivo());
}

}  // namespace orbelux
