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

CieloLocal::CieloLocal(const LugarGeodesico& g, const ef::Instante& instante,
                       const ef::TierraEnInstante& tierra,
                       const ef::Vector3& observador_geocentrico)
    : astrometria_(new Astrometria) {
  // eraApco13's own steps, with the Earth and its axis given.
  double ebpv[2][3] = {
      {tierra.posicion.x + tierra.posicion_sol.x, tierra.posicion.y + tierra.posicion_sol.y,
       tierra.posicion.z + tierra.posicion_sol.z},
      {tierra.velocidad.x + tierra.velocidad_sol.x, tierra.velocidad.y + tierra.velocidad_sol.y,
       tierra.velocidad.z + tierra.velocidad_sol.z}};
  double ehp[3] = {tierra.posicion.x, tierra.posicion.y, tierra.posicion.z};
  double refa = 0;
  double refb = 0;
  eraRefco(PresionEnAltura(g.altura), kTemperatura, kHumedad, kLongitudOnda, &refa, &refb);
  const ef::PoloCeleste& polo = tierra.polo;
  eraApco(instante.tdb.entera, instante.tdb.fraccion, ebpv, ehp, polo.x, polo.y, polo.s,
          eraEra00(instante.utc.entera, instante.utc.fraccion), g.longitud, g.latitud, g.altura, 0,
          0, eraSp00(instante.tt.entera, instante.tt.fraccion), refa, refb, &astrometria_->astrom);

  const eraASTROM& a = astrometria_->astrom;
  // The Sun from the observer: opposite to eh, the unit vector from the Sun to the
  // observer; over the 8 minutes of its light the Sun itself barely moves.
  double hacia_sol[3] = {-a.eh[0], -a.eh[1], -a.eh[2]};
  double ar_sol = 0;
  double dec_sol = 0;
  eraC2s(hacia_sol, &ar_sol, &dec_sol);
  altura_sol_ = Observado(ar_sol, dec_sol).altura;

  // The Moon from the site: geocentric, less the site's geocentric place.
  const ef::Vector3& luna_geo = tierra.luna;
  const ef::Vector3 luna = luna_geo - observador_geocentrico;
  luna_ = (1 / ef::Modulo(luna)) * luna;
  const ef::Vector3 sol_geo = ef::Vector3{} - tierra.posicion;
  // The phase angle at the Moon between the Sun and the observer.
  const double fase = Angulo(sol_geo - luna_geo, observador_geocentrico - luna_geo);
  luna_iluminada_ = (1 + std::cos(fase)) / 2;
}

CieloLocal::CieloLocal(const ef::Sitio& sitio, const LugarGeodesico& g,
                       const ef::Instante& instante)
    : CieloLocal(sitio, g, instante, ef::TierraERFA(instante.tdb)) {}

CieloLocal::CieloLocal(const ef::Sitio& sitio, const LugarGeodesico& g,
                       const ef::Instante& instante, const ef::TierraEnInstante& tierra)
    : CieloLocal(g, instante, tierra,
                 ef::ObservadorGeocentrico(sitio, instante, tierra.polo).posicion) {}

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
