// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/horizontal.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>

namespace orbelux::planificador {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr double kRadioTerrestre = 6378137.0;  // metres: the unit of the parallax constants

ef::Vector3 Unitario(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

double Angulo(const ef::Vector3& a, const ef::Vector3& b) {
  return std::atan2(ef::Modulo(ef::ProductoVectorial(a, b)), ef::Producto(a, b));
}

}  // namespace

struct CieloLocal::Astrometria {
  eraASTROM astrom;
};

LugarGeodesico GeodesicoDeSitio(const ef::Sitio& sitio) {
  double xyz[3] = {sitio.rho_cos_phi * std::cos(sitio.longitud) * kRadioTerrestre,
                   sitio.rho_cos_phi * std::sin(sitio.longitud) * kRadioTerrestre,
                   sitio.rho_sin_phi * kRadioTerrestre};
  LugarGeodesico g;
  if (eraGc2gd(ERFA_WGS84, xyz, &g.longitud, &g.latitud, &g.altura) != 0) {
    throw ef::ErrorSitio("no se puede calcular la latitud y la altitud geodésicas del lugar");
  }
  return g;
}

double PresionEnAltura(double altura_m) { return 1013.25 * std::exp(-altura_m / 8150); }

std::optional<double> MasaDeAire(double altura_grados) {
  if (altura_grados < 0) return std::nullopt;
  const double z = 90 - altura_grados;
  return 1 / (std::cos(z * kGrado) + 0.50572 * std::pow(96.07995 - z, -1.6364));
}

CieloLocal::CieloLocal(const ef::Sitio& sitio, const LugarGeodesico& g,
                       const ef::Instante& instante)
    : astrometria_(new Astrometria) {
  double eo = 0;
  const int estado = eraApco13(instante.utc.entera, instante.utc.fraccion, 0, g.longitud, g.latitud,
                               g.altura, 0, 0, PresionEnAltura(g.altura), kTemperatura, kHumedad,
                               kLongitudOnda, &astrometria_->astrom, &eo);
  if (estado < 0) {
    delete astrometria_;
    throw ErrorCieloLocal("ERFA no puede situar el lugar en ese instante");
  }
  const eraASTROM& a = astrometria_->astrom;
  // The Sun from the observer: opposite to eh, the unit vector from the Sun to the
  // observer; over the 8 minutes of its light the Sun itself barely moves.
  const ef::Vector3 sol{-a.eh[0], -a.eh[1], -a.eh[2]};
  double ar_sol = 0;
  double dec_sol = 0;
  double hacia_sol[3] = {sol.x, sol.y, sol.z};
  eraC2s(hacia_sol, &ar_sol, &dec_sol);
  altura_sol_ = Observado(ar_sol, dec_sol).altura;

  // The Moon from the site: geocentric from eraMoon98, less the site's geocentric place.
  double pv_luna[2][3];
  eraMoon98(instante.tt.entera, instante.tt.fraccion, pv_luna);
  const ef::Vector3 luna_geo{pv_luna[0][0], pv_luna[0][1], pv_luna[0][2]};
  const ef::Vector3 observador = ef::ObservadorGeocentrico(sitio, instante).posicion;
  const ef::Vector3 luna = luna_geo - observador;
  luna_ = (1 / ef::Modulo(luna)) * luna;
  double pvh[2][3];
  double pvb[2][3];
  eraEpv00(instante.tdb.entera, instante.tdb.fraccion, pvh, pvb);
  const ef::Vector3 sol_geo{-pvh[0][0], -pvh[0][1], -pvh[0][2]};
  // The phase angle at the Moon between the Sun and the observer.
  const double fase = Angulo(sol_geo - luna_geo, observador - luna_geo);
  luna_iluminada_ = (1 + std::cos(fase)) / 2;
}

CieloLocal::~CieloLocal() { delete astrometria_; }

Horizontal CieloLocal::Observado(double ar, double dec) const {
  double ri = 0;
  double di = 0;
  eraAtciq(ar, dec, 0, 0, 0, 0, &astrometria_->astrom, &ri, &di);
  double aob = 0;
  double zob = 0;
  double hob = 0;
  double dob = 0;
  double rob = 0;
  eraAtioq(ri, di, &astrometria_->astrom, &aob, &zob, &hob, &dob, &rob);
  Horizontal h;
  h.acimut = eraAnp(aob) / kGrado;
  h.altura = 90 - zob / kGrado;
  return h;
}

double CieloLocal::DistanciaLuna(double ar, double dec) const {
  return Angulo(Unitario(ar, dec), luna_) / kGrado;
}

}  // namespace orbelux::planificador
