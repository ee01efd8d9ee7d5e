// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/earth_track.h"

#include <erfa.h>

#include <algorithm>
#include <cmath>

#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"
#include "platform/parallel_batches.h"

namespace orbelux::efemerides {

namespace {

// GM of the Earth and the Moon together, AU^3/day^2: k^2 times their mass in Suns.
constexpr double kGmTierraLuna = kGauss * kGauss / 328900.56;

}  // namespace

PoloCeleste PoloCelesteAbreviado(const FechaJuliana& tt) {
  double dpsi = 0;
  double deps = 0;
  eraNut00b(tt.entera, tt.fraccion, &dpsi, &deps);
  double epsa = 0;
  double rb[3][3];
  double rp[3][3];
  double rbp[3][3];
  double rn[3][3];
  double rbpn[3][3];
  eraPn06(tt.entera, tt.fraccion, dpsi, deps, &epsa, rb, rp, rbp, rn, rbpn);
  PoloCeleste polo;
  eraBpn2xy(rbpn, &polo.x, &polo.y);
  polo.s = eraS06(tt.entera, tt.fraccion, polo.x, polo.y);
  return polo;
}

TierraEnInstante TierraERFA(const FechaJuliana& tdb) {
  double h[2][3];
  double b[2][3];
  // Status +1 only says the date lies outside 1900-2100, where the series degrades slowly.
  eraEpv00(tdb.entera, tdb.fraccion, h, b);
  double luna[2][3];
  eraMoon98(tdb.entera, tdb.fraccion, luna);
  return {{h[0][0], h[0][1], h[0][2]},
          {h[1][0], h[1][1], h[1][2]},
          {b[0][0] - h[0][0], b[0][1] - h[0][1], b[0][2] - h[0][2]},
          {b[1][0] - h[1][0], b[1][1] - h[1][1], b[1][2] - h[1][2]},
          {luna[0][0], luna[0][1], luna[0][2]},
          {luna[1][0], luna[1][1], luna[1][2]},
          PoloCelesteAbreviado(tdb)};
}

TrayectoTierra::TrayectoTierra(std::span<const double> instantes, unsigned hilos) {
  std::vector<double> tiempos;
  tiempos.reserve(instantes.size());
  for (const double t : instantes) {
    if (std::isfinite(t)) tiempos.push_back(t);
  }
  std::sort(tiempos.begin(), tiempos.end());

  // The two nodes around each instant, or one anchor per cluster: whichever costs fewer
  // calls to ERFA. Rows an hour apart share their nodes; rows days apart do not.
  std::vector<double> rejilla;
  std::vector<double> grupos;
  for (const double t : tiempos) {
    const double k = std::floor(t / kPaso);
    if (rejilla.empty() || rejilla.back() < k) rejilla.push_back(k);
    rejilla.push_back(k + 1);
    if (grupos.empty() || t - grupos.back() > 2 * kRadioGrupo) grupos.push_back(t);
  }
  rejilla.erase(std::unique(rejilla.begin(), rejilla.end()), rejilla.end());
  interpolada_ = rejilla.size() < grupos.size();
  const std::vector<double>& en = interpolada_ ? rejilla : grupos;
  const double escala = interpolada_ ? kPaso : 1;

  nodos_.resize(en.size());
  constexpr std::size_t kLote = 64;
  RepartirEnLotes(en.size(), kLote, std::max(hilos, 1u), [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t i = desde; i < hasta; ++i) {
      nodos_[i].t = en[i] * escala;
      nodos_[i].tierra = TierraERFA({kJ2000, nodos_[i].t});
    }
  });
}

TierraEnInstante TrayectoTierra::En(double t) const {
  const auto despues = std::lower_bound(nodos_.begin(), nodos_.end(), t,
                                        [](const Nodo& n, double x) { return n.t < x; });
  if (interpolada_) {
    // Cubic Hermite from the positions and velocities at the two nodes around t, exact
    // derivatives of the same series: metres off over half a day.
    const double t0 = std::floor(t / kPaso) * kPaso;
    auto a = despues;
    if (a != nodos_.begin() && (a == nodos_.end() || a->t != t)) --a;
    if (a != nodos_.end() && a + 1 != nodos_.end() && a->t == t0 && (a + 1)->t == t0 + kPaso) {
      const TierraEnInstante& p = a->tierra;
      const TierraEnInstante& q = (a + 1)->tierra;
      const double s = (t - t0) / kPaso;
      const double s2 = s * s;
      const double s3 = s2 * s;
      const auto hermite = [&](const Vector3& r0, const Vector3& v0, const Vector3& r1,
                               const Vector3& v1, Vector3& r, Vector3& v) {
        r = (2 * s3 - 3 * s2 + 1) * r0 + (kPaso * (s3 - 2 * s2 + s)) * v0 + (3 * s2 - 2 * s3) * r1 +
            (kPaso * (s3 - s2)) * v1;
        v = ((6 * s2 - 6 * s) / kPaso) * r0 + (3 * s2 - 4 * s + 1) * v0 +
            ((6 * s - 6 * s2) / kPaso) * r1 + (3 * s2 - 2 * s) * v1;
      };
      TierraEnInstante e;
      hermite(p.posicion, p.velocidad, q.posicion, q.velocidad, e.posicion, e.velocidad);
      // The Moon's curve over half a day is gentler than the Earth's wobble it causes: a
      // couple of hundred metres, a tenth of an arcsecond seen from here.
      hermite(p.luna, p.velocidad_luna, q.luna, q.velocidad_luna, e.luna, e.velocidad_luna);
      // Straight lines for the rest: the Sun moves about the barycentre at metres a second,
      // and the pole's fastest nutation (13.7 days, 0.09") bends from a line by 0.6 mas.
      e.polo = {(1 - s) * p.polo.x + s * q.polo.x, (1 - s) * p.polo.y + s * q.polo.y,
                (1 - s) * p.polo.s + s * q.polo.s};
      e.posicion_sol = (1 - s) * p.posicion_sol + s * q.posicion_sol;
      e.velocidad_sol = (1 - s) * p.velocidad_sol + s * q.velocidad_sol;
      return e;
    }
  } else {
    // The nearest anchor, carried by its velocity and the Sun's pull: over minutes the
    // rest (the Moon's pull) moves the Earth by a metre.
    auto cerca = despues;
    if (cerca != nodos_.begin() && (cerca == nodos_.end() || t - (cerca - 1)->t < cerca->t - t)) {
      --cerca;
    }
    if (cerca != nodos_.end() && std::abs(t - cerca->t) <= 2 * kRadioGrupo) {
      const TierraEnInstante& p = cerca->tierra;
      const double dt = t - cerca->t;
      const double r = Modulo(p.posicion);
      const Vector3 aceleracion = (-kGauss * kGauss / (r * r * r)) * p.posicion;
      TierraEnInstante e = p;
      e.posicion = p.posicion + dt * p.velocidad + (dt * dt / 2) * aceleracion;
      e.velocidad = p.velocidad + dt * aceleracion;
      e.posicion_sol = p.posicion_sol + dt * p.velocidad_sol;
      // The Moon too, by its velocity and the Earth's pull: centimetres over the minutes.
      const double d = Modulo(p.luna);
      const Vector3 hacia_tierra = (-kGmTierraLuna / (d * d * d)) * p.luna;
      e.luna = p.luna + dt * p.velocidad_luna + (dt * dt / 2) * hacia_tierra;
      e.velocidad_luna = p.velocidad_luna + dt * hacia_tierra;
      return e;
    }
  }
  return TierraERFA({kJ2000, t});
}

}  // namespace orbelux::efemerides
