// SPDX-License-Identifier: GPL-3.0-or-later
// The explicit Runge-Kutta pair of Dormand and Prince of order 8 with error estimators of
// orders 5 and 3 (Hairer, Norsett and Wanner, "Solving Ordinary Differential Equations I",
// 2nd ed., section II.10), with its step-size control, for a state of six components.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace orbelux::efemerides {

using Estado6 = std::array<double, 6>;

namespace dop853 {

// The published table. Stage i (0-based) is evaluated at t + c[i] h from
// y + h sum_j a[i][j] k[j]; the result is y + h sum_i b[i] k[i] (stages 0, 5-11).
inline constexpr int kEtapas = 12;

inline constexpr std::array<double, kEtapas> c = {0.0,
                                                  0.526001519587677318785587544488e-01,
                                                  0.789002279381515978178381316732e-01,
                                                  0.118350341907227396726757197510e+00,
                                                  0.281649658092772603273242802490e+00,
                                                  0.333333333333333333333333333333e+00,
                                                  0.25e+00,
                                                  0.307692307692307692307692307692e+00,
                                                  0.651282051282051282051282051282e+00,
                                                  0.6e+00,
                                                  0.857142857142857142857142857142e+00,
                                                  1.0};

inline constexpr std::array<std::array<double, kEtapas>, kEtapas> a = {{
    {},
    {5.26001519587677318785587544488e-2},
    {1.97250569845378994544595329183e-2, 5.91751709536136983633785987549e-2},
    {2.95875854768068491816892993775e-2, 0, 8.87627564304205475450678981324e-2},
    {2.41365134159266685502369798665e-1, 0, -8.84549479328286085344864962717e-1,
     9.24834003261792003115737966543e-1},
    {3.7037037037037037037037037037e-2, 0, 0, 1.70828608729473871279604482173e-1,
     1.25467687566822425016691814123e-1},
    {3.7109375e-2, 0, 0, 1.70252211019544039314978060272e-1, 6.02165389804559606850219397283e-2,
     -1.7578125e-2},
    {3.70920001185047927108779319836e-2, 0, 0, 1.70383925712239993810214054705e-1,
     1.07262030446373284651809199168e-1, -1.53194377486244017527936158236e-2,
     8.27378916381402288758473766002e-3},
    {6.24110958716075717114429577812e-1, 0, 0, -3.36089262944694129406857109825e0,
     -8.68219346841726006818189891453e-1, 2.75920996994467083049415600797e1,
     2.01540675504778934086186788979e1, -4.34898841810699588477366255144e1},
    {4.77662536438264365890433908527e-1, 0, 0, -2.48811461997166764192642586468e0,
     -5.90290826836842996371446475743e-1, 2.12300514481811942347288949897e1,
     1.52792336328824235832596922938e1, -3.32882109689848629194453265587e1,
     -2.03312017085086261358222928593e-2},
    {-9.3714243008598732571704021658e-1, 0, 0, 5.18637242884406370830023853209e0,
     1.09143734899672957818500254654e0, -8.14978701074692612513997267357e0,
     -1.85200656599969598641566180701e1, 2.27394870993505042818970056734e1,
     2.49360555267965238987089396762e0, -3.0467644718982195003823669022e0},
    {2.27331014751653820792359768449e0, 0, 0, -1.05344954667372501984066689879e1,
     -2.00087205822486249909675718444e0, -1.79589318631187989172765950534e1,
     2.79488845294199600508499808837e1, -2.85899827713502369474065508674e0,
     -8.87285693353062954433549289258e0, 1.23605671757943030647266201528e1,
     6.43392746015763530355970484046e-1},
}};

inline constexpr std::array<double, kEtapas> b = {5.42937341165687622380535766363e-2,
                                                  0,
                                                  0,
                                                  0,
                                                  0,
                                                  4.45031289275240888144113950566e0,
                                                  1.89151789931450038304281599044e0,
                                                  -5.8012039600105847814672114227e0,
                                                  3.1116436695781989440891606237e-1,
                                                  -1.52160949662516078556178806805e-1,
                                                  2.01365400804030348374776537501e-1,
                                                  4.47106157277725905176885569043e-2};

// The third-order estimate: b minus these weights on stages 0, 8 and 11.
inline constexpr double bhh0 = 0.244094488188976377952755905512e+00;
inline constexpr double bhh8 = 0.733846688281611857341361741547e+00;
inline constexpr double bhh11 = 0.220588235294117647058823529412e-01;

// The fifth-order estimate of the error, directly as weights of the stages.
inline constexpr std::array<double, kEtapas> er = {0.1312004499419488073250102996e-01,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   -0.1225156446376204440720569753e+01,
                                                   -0.4957589496572501915214079952e+00,
                                                   0.1664377182454986536961530415e+01,
                                                   -0.3503288487499736816886487290e+00,
                                                   0.3341791187130174790297318841e+00,
                                                   0.8192320648511571246570742613e-01,
                                                   -0.2235530786388629525884427845e-01};

}  // namespace dop853

struct ToleranciaDop853 {
  double relativa = 1e-11;
  double absoluta = 1e-15;
  // Days. A forcing with a short period that the error estimate resolves badly (it sees
  // (omega h)^9, not h^8, once omega h nears 2) makes the controller overshoot and
  // reject step after step; a cap below that period keeps it steady.
  double paso_maximo = std::numeric_limits<double>::infinity();
  // Days; 0: estimated from the derivatives, as Hairer and Wanner propose, which is safe
  // but, for an orbit, far too timid.
  double paso_inicial = 0;
};

// What one integration cost.
struct CuentaPasos {
  long aceptados = 0;
  long rechazados = 0;
  long evaluaciones = 0;
};

// Integrates dy/dt = f(t, y) from (t0, y) to t1 (t1 < t0 runs backwards), ending exactly
// on t1. f is called as f(t, y, dy). Returns false when the step size collapses or the
// number of steps runs out: the motion cannot be followed (a collision, a hyperbolic
// escape far out); y is then meaningless.
template <typename F>
bool IntegrarDop853(F&& f, double t0, double t1, Estado6& y, const ToleranciaDop853& tol,
                    CuentaPasos* cuenta = nullptr, long maximo_pasos = 1000000) {
  using namespace dop853;
  constexpr std::size_t n = 6;
  if (t1 == t0) return true;
  const double sentido = t1 > t0 ? 1.0 : -1.0;
  std::array<Estado6, kEtapas> k;
  f(t0, y, k[0]);
  long evaluaciones = 1;

  // The state is a position and a velocity: each component's error is measured against
  // its whole vector's length, not the component's own value, which would demand an
  // absurd accuracy of a coordinate that happens to pass through zero.
  auto Escalas = [&](const Estado6& a, const Estado6& b) {
    const double r = std::max(std::hypot(a[0], a[1], a[2]), std::hypot(b[0], b[1], b[2]));
    const double v = std::max(std::hypot(a[3], a[4], a[5]), std::hypot(b[3], b[4], b[5]));
    return std::array<double, 2>{tol.absoluta + tol.relativa * r, tol.absoluta + tol.relativa * v};
  };
  // Root mean square of the components over their scales.
  auto Norma = [&](const Estado6& x, const std::array<double, 2>& escala) {
    double suma = 0;
    for (std::size_t i = 0; i < n; ++i) suma += (x[i] / escala[i / 3]) * (x[i] / escala[i / 3]);
    return std::sqrt(suma / n);
  };

  // First step as proposed by Hairer and Wanner: one explicit Euler step measures how
  // fast the derivative turns.
  double h = std::min(tol.paso_inicial, tol.paso_maximo);
  if (!(h > 0)) {
    const std::array<double, 2> escala = Escalas(y, y);
    const double d0 = Norma(y, escala);
    const double d1 = Norma(k[0], escala);
    double h0 = (d0 <= 1e-5 || d1 <= 1e-5) ? 1e-6 : 0.01 * d0 / d1;
    h0 = std::min(h0, std::abs(t1 - t0));
    Estado6 y1;
    for (std::size_t i = 0; i < n; ++i) y1[i] = y[i] + sentido * h0 * k[0][i];
    Estado6 f1;
    f(t0 + sentido * h0, y1, f1);
    ++evaluaciones;
    Estado6 cambio;
    for (std::size_t i = 0; i < n; ++i) cambio[i] = f1[i] - k[0][i];
    const double d2 = Norma(cambio, escala) / h0;
    const double mayor = std::max(d1, d2);
    const double h1 = mayor <= 1e-15 ? std::max(1e-6, h0 * 1e-3) : std::pow(0.01 / mayor, 1.0 / 8);
    h = std::min({100 * h0, h1, tol.paso_maximo});
  }

  double t = t0;
  long aceptados = 0;
  long rechazados = 0;
  bool rechazado_antes = false;
  double error_anterior = 1e-4;
  bool ok = false;
  Estado6 yt;
  Estado6 y_nuevo;
  for (long paso = 0; paso < maximo_pasos; ++paso) {
    bool ultimo = false;
    // Stretch the last step a little rather than leave a sliver of one.
    if ((t + 1.01 * sentido * h - t1) * sentido >= 0) {
      h = std::abs(t1 - t);
      ultimo = true;
    }
    if (0.1 * h <= 1e-16 * std::max(1.0, std::abs(t))) break;
    const double hs = sentido * h;
    for (int e = 1; e < kEtapas; ++e) {
      for (std::size_t i = 0; i < n; ++i) {
        double suma = 0;
        for (int j = 0; j < e; ++j) suma += a[e][j] * k[j][i];
        yt[i] = y[i] + hs * suma;
      }
      f(t + c[e] * hs, yt, k[e]);
    }
    evaluaciones += kEtapas - 1;
    Estado6 e5;
    Estado6 e3;
    for (std::size_t i = 0; i < n; ++i) {
      double incremento = 0;
      double estimador = 0;
      for (int j = 0; j < kEtapas; ++j) {
        incremento += b[j] * k[j][i];
        estimador += er[j] * k[j][i];
      }
      y_nuevo[i] = y[i] + hs * incremento;
      e5[i] = estimador;
      e3[i] = incremento - bhh0 * k[0][i] - bhh8 * k[8][i] - bhh11 * k[11][i];
    }
    const std::array<double, 2> escala = Escalas(y, y_nuevo);
    double err5 = 0;
    double err3 = 0;
    for (std::size_t i = 0; i < n; ++i) {
      err5 += (e5[i] / escala[i / 3]) * (e5[i] / escala[i / 3]);
      err3 += (e3[i] / escala[i / 3]) * (e3[i] / escala[i / 3]);
    }
    double denominador = err5 + 0.01 * err3;
    if (denominador <= 0) denominador = 1;
    const double err = h * err5 * std::sqrt(1.0 / (static_cast<double>(n) * denominador));
    // Grow by at most 6, shrink by at most 3, with a safety factor of 0.9; the last
    // accepted error damps the change (Gustafsson's PI control, beta = 0.04), so that a
    // step shrinking towards a perihelion is not rejected over and over.
    const double fac11 = std::pow(err, 1.0 / 8 - 0.04 * 0.2);
    const double factor =
        std::max(1.0 / 6, std::min(3.0, fac11 / std::pow(error_anterior, 0.04) / 0.9));
    if (err <= 1 && std::isfinite(err)) {
      ++aceptados;
      y = y_nuevo;
      t = ultimo ? t1 : t + hs;
      if (ultimo) {
        ok = true;
        break;
      }
      f(t, y, k[0]);
      ++evaluaciones;
      error_anterior = std::max(err, 1e-4);
      double h_nuevo = std::min(h / factor, tol.paso_maximo);
      if (rechazado_antes) h_nuevo = std::min(h_nuevo, h);
      rechazado_antes = false;
      h = h_nuevo;
    } else {
      ++rechazados;
      rechazado_antes = true;
      h = std::isfinite(err) ? h / std::min(3.0, fac11 / 0.9) : h / 3;
    }
  }
  if (cuenta != nullptr) {
    cuenta->aceptados += aceptados;
    cuenta->rechazados += rechazados;
    cuenta->evaluaciones += evaluaciones;
  }
  return ok;
}

// One step of the pair without control: the step is known to be small against the
// motion's time scale (the light time), and the result is good to the method's order.
template <typename F>
void PasoDop853(F&& f, double t, double h, Estado6& y) {
  using namespace dop853;
  std::array<Estado6, kEtapas> k;
  f(t, y, k[0]);
  Estado6 yt;
  for (int e = 1; e < kEtapas; ++e) {
    for (std::size_t i = 0; i < 6; ++i) {
      double suma = 0;
      for (int j = 0; j < e; ++j) suma += a[e][j] * k[j][i];
      yt[i] = y[i] + h * suma;
    }
    f(t + c[e] * h, yt, k[e]);
  }
  for (std::size_t i = 0; i < 6; ++i) {
    double incremento = 0;
    for (int j = 0; j < kEtapas; ++j) incremento += b[j] * k[j][i];
    y[i] += h * incremento;
  }
}

}  // namespace orbelux::efemerides
