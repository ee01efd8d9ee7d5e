// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/default_elements.h"

#include <string>

#include "ephemeris/element_source.h"

namespace orbelux::consola {

namespace {

bool Existe(SistemaArchivos& sistema, const char* nombre) {
  try {
    return sistema.Estado(nombre).tipo != EstadoArchivo::Tipo::NoExiste;
  } catch (const FalloArchivo& e) {
    // Estado speaks of a file to write; this one is to be read.
    throw efemerides::ErrorLecturaElementos(e.what());
  }
}

}  // namespace

std::vector<std::filesystem::path> ElementosConCometasPorOmision(SistemaArchivos& sistema) {
  std::vector<std::filesystem::path> archivos;
  for (const char* nombre : {"MPCORB.DAT", "MPCORB.DAT.gz"}) {
    if (Existe(sistema, nombre)) {
      archivos.emplace_back(nombre);
      break;
    }
  }
  if (Existe(sistema, "CometEls.txt")) archivos.emplace_back("CometEls.txt");
  if (!archivos.empty()) return archivos;
  throw efemerides::ErrorLecturaElementos(
      "no están ni MPCORB.DAT ni MPCORB.DAT.gz ni CometEls.txt en el directorio actual (" +
      TextoRuta(DirectorioActual()) + "); indique los ficheros de elementos con --elementos");
}

std::filesystem::path ElementosPorOmision(SistemaArchivos& sistema) {
  for (const char* nombre : {"MPCORB.DAT", "MPCORB.DAT.gz"}) {
    if (Existe(sistema, nombre)) return nombre;
  }
  throw efemerides::ErrorLecturaElementos(
      "no están ni MPCORB.DAT ni MPCORB.DAT.gz en el directorio actual (" +
      TextoRuta(DirectorioActual()) + "); indique el fichero de elementos con --elementos");
}

}  // namespace orbelux::consola
