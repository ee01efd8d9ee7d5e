// SPDX-License-Identifier: GPL-3.0-or-later
// Where the sky is seen from: an observatory of the Minor Planet Center's list (built into the
// library) or a place given by its geodetic coordinates, and that place's position and velocity
// relative to the centre of the Earth at an instant.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/earth_track.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/vector3.h"
#include "platform/fallo.h"

namespace orbelux::efemerides {

// A place on the Earth from which the sky is seen: an MPC code or geodetic coordinates.
struct Sitio {
  std::string codigo;      // "950", or empty for coordinates given by the user
  std::string nombre;      // "La Palma", UTF-8; empty for coordinates
  double longitud = 0;     // east longitude, radians
  double rho_cos_phi = 0;  // parallax constants, Earth radii (6378.137 km)
  double rho_sin_phi = 0;
  // False for the list's space telescopes and roving observers, which only a name search
  // returns: no position can be seen from them.
  bool con_coordenadas = true;
  bool Geocentro() const;  // code 500, or no site at all
};

// A code the list holds but without a fixed place on the Earth (space telescopes, roving
// observers), or a geodetic place ERFA cannot take: no position can be seen from it.
class ErrorSitio : public Fallo {
 public:
  using Fallo::Fallo;
};

// nullopt for an unknown code; throws ErrorSitio with a Spanish message for a code without
// coordinates (space telescopes, roving observers).
std::optional<Sitio> BuscarObservatorio(std::string_view codigo);

// Codes whose name contains the word, case and accents ignored, in code order. Codes without
// coordinates are listed too (con_coordenadas false), so the user learns why one is refused.
std::vector<Sitio> BuscarObservatoriosPorNombre(std::string_view palabra);

// WGS84 geodetic east longitude and latitude (degrees) and height (m), via eraGd2gc. The
// caller checks the ranges it accepts; throws ErrorSitio for what ERFA refuses.
Sitio SitioGeodesico(double longitud_grados, double latitud_grados, double altura_m);

// The observer relative to the centre of the Earth on ICRF (GCRS) axes, AU and AU/day, at the
// instant: the site's terrestrial vector rotated with eraC2t06a (UT1 taken as UTC, polar
// motion 0). Exactly zero for the geocentre; throws ErrorSitio for a code without coordinates.
struct EstadoObservador {
  Vector3 posicion;
  Vector3 velocidad;
};
EstadoObservador ObservadorGeocentrico(const Sitio& sitio, const Instante& instante);

// The same with the Earth's axis given (PoloCelesteAbreviado): for many instants, where the
// full nutation of each would cost more than everything else.
EstadoObservador ObservadorGeocentrico(const Sitio& sitio, const Instante& instante,
                                       const PoloCeleste& polo);

}  // namespace orbelux::efemerides
