// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/default_elements.h"

#include <string>

#include "ephemeris/element_source.h"

namespace orbelux::consola {

std::filesystem::path ElementosPorOmision(SistemaArchivos& sistema) {
  for (const char* nombre : {"MPCORB.DAT", "MPCORB.DAT.gz"}) {
    try {
      if (sistema.Estado(nombre).tipo != EstadoArchivo::Tipo::NoExiste) return nombre;
    } catch (const FalloArchivo& e) {
      // Estado speaks of a file to write; this one is to be read.
      throw efemerides::ErrorLecturaElementos(e.what());
    }
  }
  throw efemerides::ErrorLecturaElementos(
      "no están ni MPCORB.DAT ni MPCORB.DAT.gz en el directorio actual (" +
      TextoRuta(DirectorioActual()) + "); indique el fichero de elementos con --elementos");
}

}  // namespace orbelux::consola
