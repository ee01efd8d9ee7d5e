// SPDX-License-Identifier: GPL-3.0-or-later
// Where a place becomes an altitude: an astrometric place turned into the azimuth and
// altitude observed from a site, with refraction, by ERFA; the airmass; and the Sun and the
// Moon seen from the same site at the same instant.
#pragma once

#include <optional>

#include "ephemeris/earth_track.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/vector3.h"

namespace orbelux::planificador {

// A site as ERFA's observed places take it: WGS84 geodetic east longitude and latitude
// (radians) and height above the ellipsoid (metres).
struct LugarGeodesico {
  double longitud = 0;
  double latitud = 0;
  double altura = 0;
};

// The geodetic place of a site: an MPC code's parallax constants (Earth radii of
// 6378.137 km) through eraGc2gd on WGS84. Throws efemerides::ErrorSitio when ERFA cannot.
LugarGeodesico GeodesicoDeSitio(const efemerides::Sitio& sitio);

// The air the refraction is computed for: the standard atmosphere's pressure at the site's
// height, 1013.25 exp(-h / 8150) hPa, 10 °C, relative humidity 0.5, light of 0.55 µm.
double PresionEnAltura(double altura_m);
inline constexpr double kTemperatura = 10;
inline constexpr double kHumedad = 0.5;
inline constexpr double kLongitudOnda = 0.55;

// Kasten and Young (1989) for an observed altitude in degrees; nullopt below the horizon.
std::optional<double> MasaDeAire(double altura_grados);

struct Horizontal {
  double acimut = 0;  // degrees from north through east, [0, 360)
  double altura = 0;  // degrees, observed (refracted)
};

// The sky of one site at one instant: ERFA's astrometry parameters computed once (eraApco,
// as eraApco13 does, UT1 taken as UTC, no polar motion), then any number of places.
class CieloLocal final {
 public:
  // From the Earth (its axis and the Moon with it) and the site's geocentric position at the
  // instant, computed by the caller for many instants at once (the rows of an ephemeris).
  CieloLocal(const LugarGeodesico& geodesico, const efemerides::Instante& instante,
             const efemerides::TierraEnInstante& tierra,
             const efemerides::Vector3& observador_geocentrico);
  // The same for one instant, everything computed here.
  CieloLocal(const efemerides::Sitio& sitio, const LugarGeodesico& geodesico,
             const efemerides::Instante& instante);

 private:
  CieloLocal(const efemerides::Sitio& sitio, const LugarGeodesico& geodesico,
             const efemerides::Instante& instante, const efemerides::TierraEnInstante& tierra);

 public:
  ~CieloLocal();
  CieloLocal(const CieloLocal&) = delete;
  CieloLocal& operator=(const CieloLocal&) = delete;

  // The observed place of an astrometric ICRS right ascension and declination (radians):
  // eraAtciq then eraAtioq, the same as eraAtco13 in two halves.
  Horizontal Observado(double ar, double dec) const;
  // The Sun's observed altitude, degrees: its place from eraEpv00.
  double AlturaSol() const { return altura_sol_; }
  // The angle in degrees between the Moon (eraMoon98, seen from the site) and a place.
  double DistanciaLuna(double ar, double dec) const;
  // The Moon's illuminated fraction, 0 to 1, as seen from the site.
  double LunaIluminada() const { return luna_iluminada_; }

 private:
  struct Astrometria;
  Astrometria* astrometria_;
  efemerides::Vector3 luna_;  // topocentric direction, unit
  double altura_sol_ = 0;
  double luna_iluminada_ = 0;
};

}  // namespace orbelux::planificador
