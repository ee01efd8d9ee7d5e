// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fallo.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace orbelux {

namespace fs = std::filesystem;

FalloArchivo::FalloArchivo(Operacion operacion, fs::path ruta, std::string motivo)
    : Fallo(TextoRuta(ruta) + ": " + motivo),
      operacion_(operacion),
      ruta_(std::move(ruta)),
      motivo_(std::move(motivo)) {}

std::string MotivoError(int codigo) {
  switch (codigo) {
    case ENOENT:
      return "no existe";
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case EROFS:
      return "sistema de archivos de solo lectura";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "no queda espacio en el disco";
    case ELOOP:
    case EMLINK:
      return "demasiados enlaces";
    case EISDIR:
      return "es un directorio";
    case ENOTDIR:
      return "una parte de la ruta no es un directorio";
    case ENAMETOOLONG:
      return "el nombre es demasiado largo";
    case EIO:
      return "error de entrada/salida del disco";
    default:
      return std::generic_category().message(codigo);
  }
}

std::string TextoRuta(const fs::path& ruta) {
  const std::u8string texto = ruta.u8string();
  return {texto.begin(), texto.end()};
}

}  // namespace orbelux
