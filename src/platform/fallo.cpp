// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fallo.h"

#include <cerrno>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "platform/wide_text.h"
#endif

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

#ifdef _WIN32
std::string MotivoSistema(unsigned long codigo) {
  switch (codigo) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "no existe";
    case ERROR_ACCESS_DENIED:
      return "permiso denegado";
    case ERROR_WRITE_PROTECT:
      return "sistema de archivos de solo lectura";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "no queda espacio en el disco";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::string(kAbiertoEnOtroPrograma);
    case ERROR_CANT_RESOLVE_FILENAME:
      return "demasiados enlaces";
    case ERROR_DIRECTORY:
      return "una parte de la ruta no es un directorio";
    case ERROR_FILENAME_EXCED_RANGE:
      return "el nombre es demasiado largo";
    case ERROR_INVALID_NAME:
      return "el nombre no es válido";
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
      return "error de entrada/salida del disco";
    default:
      break;
  }
  wchar_t* texto = nullptr;
  const DWORD largo = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, codigo, 0, reinterpret_cast<wchar_t*>(&texto), 0, nullptr);
  std::wstring_view mensaje(texto, largo);
  // The system's texts end in ".\r\n".
  while (!mensaje.empty() && (mensaje.back() == L'\n' || mensaje.back() == L'\r' ||
                              mensaje.back() == L'.' || mensaje.back() == L' ')) {
    mensaje.remove_suffix(1);
  }
  std::string motivo =
      mensaje.empty() ? "error de Windows " + std::to_string(codigo) : TextoUtf8(mensaje);
  ::LocalFree(texto);
  return motivo;
}
#endif

std::string TextoRuta(const fs::path& ruta) {
  const std::u8string texto = ruta.u8string();
  return {texto.begin(), texto.end()};
}

}  // namespace orbelux
