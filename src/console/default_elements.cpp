// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/default_elements.h"

#include <string>
#include <system_error>

#include "ephemeris/element_source.h"
#include "platform/file_system.h"

namespace orbelux::consola {

std::filesystem::path ElementosPorOmision() {
  std::error_code error;
  for (const char* nombre : {"MPCORB.DAT", "MPCORB.DAT.gz"}) {
    if (std::filesystem::exists(nombre, error)) return nombre;
  }
  throw efemerides::ErrorLecturaElementos(
      "no están ni MPCORB.DAT ni MPCORB.DAT.gz en el directorio actual (" +
      TextoRuta(DirectorioActual()) + "); indique el fichero de elementos con --elementos");
}

}  // namespace orbelux::consola
