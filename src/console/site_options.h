// SPDX-License-Identifier: GPL-3.0-or-later
// Where the console programs see the sky from: the values of --observatorio and --lugar, turned
// into a site of the ephemeris and into the words that tell the user where that is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/options.h"
#include "ephemeris/sites.h"

namespace orbelux::consola {

// A value the user has to correct: the program says why in Spanish and exits with 2.
class ErrorOpcionSitio : public ErrorUso {
 public:
  using ErrorUso::ErrorUso;
};

struct SitioElegido {
  efemerides::Sitio sitio;
  // For the summary: "950 La Palma", "lon -3.38420, lat +37.06400, 2896 m".
  std::string descripcion;
};

// The prefix of --observatorio that asks for a list instead of a site: "buscar:Calar", in
// either case.
inline constexpr std::string_view kPrefijoBusqueda = "buscar:";

// --observatorio CODE: an MPC code (letters in either case). Unknown codes and codes without
// coordinates (space telescopes, roving observers) are refused.
SitioElegido SitioDeObservatorio(std::string_view codigo);

// --observatorio buscar:PALABRA: one line per code whose name contains the word, case and
// accents ignored, in code order; a line that says so when none does.
std::string ListadoObservatorios(std::string_view palabra);

// --lugar LON,LAT[,ALT]: WGS84 east longitude and latitude in degrees, in any form LeerAngulo
// reads (negative west and south), altitude in metres (0 when left out). Refuses longitudes outside
// -360..360, latitudes beyond +-90 and altitudes outside -1000..10000 m.
SitioElegido SitioDeLugar(std::string_view valor);

// --observatorio and --lugar as read from the command line: they exclude each other.
void ComprobarObservatorioOLugar(const std::optional<std::string>& observatorio,
                                 const std::optional<std::string>& lugar);

// The listing asked for by --observatorio buscar:PALABRA; none for any other value.
std::optional<std::string> ListadoPedido(const std::optional<std::string>& observatorio);

// The site of --observatorio or --lugar, whichever was given; none when neither was. Throws
// ErrorUso, also when both were given.
std::optional<SitioElegido> SitioDeOpciones(const std::optional<std::string>& observatorio,
                                            const std::optional<std::string>& lugar);

}  // namespace orbelux::consola
