// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/planet_table.h"

#include <algorithm>
#include <cmath>

#include <erfa.h>

#include "ephemeris/two_body.h"
#include "platform/parallel_batches.h"

namespace orbelux::efemerides {

namespace {

// DE440's GM in km^3/s^2; only their ratios to the Sun's enter the model.
constexpr double kGMSol = 132712440041.279419;
constexpr std::array<double, kCuerpos> kGM = {22031.868551,  324858.592,   398600.435507,
                                              4902.800118,   42828.375816, 126712764.1,
                                              37940584.8418, 5794556.4,    6836527.10058};

// eraPlan94's numbering of the planets, 3 being the Earth-Moon barycentre we do not use.
constexpr std::array<int, kCuerpos> kPlan94 = {1, 2, 0, 0, 4, 5, 6, 7, 8};

constexpr std::size_t kNodosExtra = 2;  // each side, for the five-point differences

}  // namespace

const std::array<double, kCuerpos> kRazonMasa = [] {
  std::array<double, kCuerpos> razon{};
  for (std::size_t i = 0; i < kCuerpos; ++i) razon[i] = kGM[i] / kGMSol;
  return razon;
}();

PosicionesCuerpos PosicionesERFA(double t) {
  PosicionesCuerpos r;
  double pv[2][3];
  // Statuses: eraPlan94 warns outside the years 1000-3000 and eraEpv00 outside
  // 1900-2100; both go on giving positions that degrade slowly, which is what we want
  // from a catalogue for any date the command line accepts.
  for (std::size_t i = 0; i < kCuerpos; ++i) {
    if (kPlan94[i] == 0) continue;
    eraPlan94(kJ2000, t, kPlan94[i], pv);
    r[i] = {pv[0][0], pv[0][1], pv[0][2]};
  }
  double heliocentrica[2][3];
  double baricentrica[2][3];
  eraEpv00(kJ2000, t, heliocentrica, baricentrica);
  const Vector3 tierra{heliocentrica[0][0], heliocentrica[0][1], heliocentrica[0][2]};
  r[static_cast<std::size_t>(Cuerpo::Tierra)] = tierra;
  eraMoon98(kJ2000, t, pv);
  r[static_cast<std::size_t>(Cuerpo::Luna)] = tierra + Vector3{pv[0][0], pv[0][1], pv[0][2]};
  return r;
}

TablaPlanetas::TablaPlanetas(double desde, double hasta, unsigned hilos,
                             const std::function<void(std::size_t, std::size_t)>& aviso) {
  Llenar(desde, hasta, hilos, aviso, nullptr);
}

TablaPlanetas::TablaPlanetas(const TablaPlanetas& anterior, double desde, double hasta,
                             unsigned hilos) {
  if (hasta < desde) std::swap(desde, hasta);
  // A node in from each end of `anterior` is a span that gives its nodes again.
  Llenar(std::min(desde, anterior.Desde() + kPaso), std::max(hasta, anterior.Hasta() - kPaso),
         hilos, {}, &anterior);
}

void TablaPlanetas::Llenar(double desde, double hasta, unsigned hilos,
                           const std::function<void(std::size_t, std::size_t)>& aviso,
                           const TablaPlanetas* anterior) {
  if (hasta < desde) std::swap(desde, hasta);
  // A node on each side beyond the span asked for, so that t = hasta never needs the
  // extrapolation of the last interval.
  origen_ = std::floor(desde / kPaso) * kPaso - kPaso;
  nodos_ = static_cast<std::size_t>(std::ceil((hasta - origen_) / kPaso)) + 2;

  // Positions and the Sun's acceleration at every node and at kNodosExtra more each side.
  const std::size_t total = nodos_ + 2 * kNodosExtra;
  std::vector<double> muestras(total * 3 * kCanales);
  const double k2 = kGauss * kGauss;
  auto Calcular = [&](std::size_t desde_nodo, std::size_t hasta_nodo) {
    for (std::size_t n = desde_nodo; n < hasta_nodo; ++n) {
      const double t =
          origen_ + kPaso * (static_cast<double>(n) - static_cast<double>(kNodosExtra));
      double* m = &muestras[n * 3 * kCanales];
      // Every node lies on the same grid of half days, so a node of the former table
      // holds what ERFA would give again, bit for bit.
      if (anterior != nullptr && t >= anterior->Desde() && t <= anterior->Hasta()) {
        const auto k = static_cast<std::size_t>((t - anterior->origen_) / kPaso);
        std::copy_n(&anterior->datos_[k * kPorNodo], 3 * kCanales, m);
        continue;
      }
      const PosicionesCuerpos r = PosicionesERFA(t);
      Vector3 sol;
      for (std::size_t j = 0; j < kCuerpos; ++j) {
        m[3 * j] = r[j].x;
        m[3 * j + 1] = r[j].y;
        m[3 * j + 2] = r[j].z;
        const double d = Modulo(r[j]);
        sol = sol + (k2 * kRazonMasa[j] / (d * d * d)) * r[j];
      }
      m[3 * kCuerpos] = sol.x;
      m[3 * kCuerpos + 1] = sol.y;
      m[3 * kCuerpos + 2] = sol.z;
    }
  };
  // A batch of nodes is some milliseconds of ERFA's series: small enough for a steady
  // progress bar, large enough that sharing costs nothing.
  constexpr std::size_t kNodosPorLote = 256;
  RepartirEnLotes(total, kNodosPorLote, std::clamp<unsigned>(hilos, 1, 8), Calcular, aviso);
  if (aviso) aviso(total, total);

  datos_.resize(nodos_ * kPorNodo);
  constexpr std::size_t kAncho = 3 * kCanales;
  for (std::size_t n = 0; n < nodos_; ++n) {
    double* destino = &datos_[n * kPorNodo];
    for (std::size_t c = 0; c < kAncho; ++c) {
      const std::size_t i = (n + kNodosExtra) * kAncho + c;  // the node itself
      destino[c] = muestras[i];
      // f'(t) h = (f(-2h) - 8 f(-h) + 8 f(h) - f(2h)) / 12, error h^5 f^(5) / 30.
      destino[kAncho + c] = (muestras[i - 2 * kAncho] - 8 * muestras[i - kAncho] +
                             8 * muestras[i + kAncho] - muestras[i + 2 * kAncho]) /
                            12;
    }
  }
}

void TablaPlanetas::Interpolar(double t, PosicionesCuerpos& r, Vector3& aceleracion_sol) const {
  // Truncation rather than floor(), which is a library call on a baseline x86-64 build;
  // x is never negative once clamped.
  const double x = std::clamp((t - origen_) * (1 / kPaso), 0.0, static_cast<double>(nodos_ - 1));
  const std::size_t n = std::min(static_cast<std::size_t>(x), nodos_ - 2);
  const double s = x - static_cast<double>(n);
  const double u = 1 - s;
  const double h00 = (1 + 2 * s) * u * u;
  const double h10 = s * u * u;
  const double h01 = s * s * (3 - 2 * s);
  const double h11 = -s * s * u;
  const double* p0 = &datos_[n * kPorNodo];
  const double* m0 = p0 + 3 * kCanales;
  const double* p1 = p0 + kPorNodo;
  const double* m1 = p1 + 3 * kCanales;
  double v[3 * kCanales];
  for (std::size_t c = 0; c < 3 * kCanales; ++c) {
    v[c] = h00 * p0[c] + h10 * m0[c] + h01 * p1[c] + h11 * m1[c];
  }
  for (std::size_t j = 0; j < kCuerpos; ++j) r[j] = {v[3 * j], v[3 * j + 1], v[3 * j + 2]};
  aceleracion_sol = {v[3 * kCuerpos], v[3 * kCuerpos + 1], v[3 * kCuerpos + 2]};
}

void TablaPlanetas::Posiciones(double t, PosicionesCuerpos& r) const {
  Vector3 ignorada;
  Interpolar(t, r, ignorada);
}

Vector3 TablaPlanetas::AceleracionSol(double t) const {
  PosicionesCuerpos r;
  Vector3 a;
  Interpolar(t, r, a);
  return a;
}

}  // namespace orbelux::efemerides
