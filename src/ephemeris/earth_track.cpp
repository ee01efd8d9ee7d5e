// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/earth_track.h"

#include <erfa.h>

#include <algorithm>
#include <cmath>

#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"
#include "platform/parallel_batches.h"

namespace orbelux::efemerides {

TierraEnInstante TierraERFA(const FechaJuliana& tdb) {
  double h[2][3];
  double b[2][3];
  // Status +1 only says the date lies outside 1900-2100, where the series degrades slowly.
  eraEpv00(tdb.entera, tdb.fraccion, h, b);
  return {{h[0][0], h[0][1], h[0][2]},
          {h[1][0], h[1][1], h[1][2]},
          {b[0][0] - h[0][0], b[0][1] - h[0][1], b[0][2] - h[0][2]},
          {b[1][0] - h[1][0], b[1][1] - h[1][1], b[1][2] - h[1][2]}};
}

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
      TierraEnInstante e;
      e.posicion = (2 * s3 - 3 * s2 + 1) * p.posicion + (kPaso * (s3 - 2 * s2 + s)) * p.velocidad +
                   (3 * s2 - 2 * s3) * q.posicion + (kPaso * (s3 - s2)) * q.velocidad;
      e.velocidad = ((6 * s2 - 6 * s) / kPaso) * p.posicion + (3 * s2 - 4 * s + 1) * p.velocidad +
                    ((6 * s - 6 * s2) / kPaso) * q.posicion + (3 * s2 - 2 * s) * q.velocidad;
      // The Sun moves about the barycentre at metres a second: a straight line will do.
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
      return e;
    }
  }
  return TierraERFA({kJ2000, t});
}

}  // namespace orbelux::efemerides
