// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/culling_margin.h"


#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"

namespace orbelux::campo {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kInfinito = std::numeric_limits<double>::infinity();
constexpr double kK2 = ef::kGauss * ef::kGauss;
constexpr double kC = ef::kLuzUADia;

// The heliocentric distances (AU) each body of the force model keeps to, in the order of
// ef::Cuerpo: perihelion and aphelion of the planets' mean orbits (for the Moon, the
// Earth's widened by 0.0027 AU), widened by a further 2% for the slow changes of the
// orbits over the millennia ERFA's theory covers and for the table's interpolation.
struct Rango {
  double desde;
  double hasta;
};
constexpr std::array<Rango, ef::kCuerpos> kRangos = {{
    {0.3075 * 0.98, 0.4667 * 1.02},    // Mercury
    {0.7184 * 0.98, 0.7282 * 1.02},    // Venus
    {0.9833 * 0.98, 1.0167 * 1.02},    // Earth
    {0.9806 * 0.98, 1.0194 * 1.02},    // Moon
    {1.3814 * 0.98, 1.6660 * 1.02},    // Mars
    {4.9501 * 0.98, 5.4588 * 1.02},    // Jupiter
    {9.0412 * 0.98, 10.1238 * 1.02},   // Saturn
    {18.2861 * 0.98, 20.0965 * 1.02},  // Uranus
    {29.8100 * 0.98, 30.3300 * 1.02},  // Neptune
}};

// The Sun's barycentric speed never reaches 2e-5 AU/day (it is below 15 m/s).
constexpr double kVelocidadSol = 2e-5;

// The deviation may not exceed this part of the perihelion distance, nor this many AU:
// the bounds on the pull below assume the object stays within it of its two-body orbit.
constexpr double kFraccionPerihelio = 0.5;
constexpr double kDesviacionMaxima = 0.05;

// What the bound is multiplied by at the end, for the rounding of everything above.
constexpr double kSeguridad = 1.25;

// The bodies' greatest heliocentric speeds (AU/day), in the order of ef::Cuerpo, with 10%
// to spare: perihelion speeds, the Moon's with its 1.1 km/s about the Earth added.
constexpr std::array<double, ef::kCuerpos> kVelocidades = {
    0.0340 * 1.1, 0.0205 * 1.1, 0.0176 * 1.1, 0.0183 * 1.1, 0.0153 * 1.1,
    0.0080 * 1.1, 0.0059 * 1.1, 0.0043 * 1.1, 0.0032 * 1.1};

// The square of the object's speed in units of GM / r: 2 at the escape speed, which no
// bound orbit reaches, and a quarter more for the perturbed speed.
constexpr double kVelocidadCuadrada = 2.5;

// sqrt(K) |t| beyond which the growth bound is not even evaluated: cosh(50) is 3e21, so the
// deviation would exceed any delta long before, and cosh itself overflows at 710.
constexpr double kCrecimientoMaximo = 50;

// The greatest total displacement (AU) the light-time bound accepts; with it the light
// time is at most (distance + this) / c, which bounds the Sun's pull over it.
constexpr double kDesplazamientoMaximo = 1;

// Added to the angular bound (radians, 0.2 mas) so that a margin that equals the angle the
// caller measured, both rounded, still keeps the object.
constexpr double kHolguraRedondeo = 1e-9;

// Radial gaps below this (AU) are worth the pieces' look, when they are given.
constexpr double kHuecoHolgado = 1;

// The interpolated table the integration reads and ERFA's own positions differ by far less.
constexpr double kHolguraTabla = 1e-4;

struct Desviacion {
  double posicion = 0;   // AU
  double velocidad = 0;  // AU/day
  double r_min = 0;      // the least heliocentric distance the perturbed object can reach
};

// Perturbed motion x and two-body motion y start from the same state at the epoch, so
// d = x - y has d(0) = d'(0) = 0 and d'' = [F(x) - F(y)] + P(t, x), with F the Sun's
// Newtonian pull and P everything else the force model adds. While |d| <= delta, every
// point between x and y lies at least q - delta from the Sun, where the gradient of F has
// norm 2 GM / r^3, so |F(x) - F(y)| <= K |d| with K = 2 GM / (q - delta)^3; and |P| <= A,
// A bounding the direct and indirect pulls of the bodies and the Sun's relativistic term
// over the heliocentric distances [q - delta, Q + delta]. Then |d|'' <= A + K |d|, and by
// comparison with the solution of u'' = A + K u, u(0) = u'(0) = 0 (Gronwall):
//   |d(t)| <= (A / K) (cosh(sqrt(K) t) - 1),   |d'(t)| <= (A / sqrt(K)) sinh(sqrt(K) t).
// The bound is used only when it stays below delta over the whole span, which makes the
// assumption hold throughout (the bound grows with |t|, and |d| starts at 0).
// The least distance between the object and body j over the span, where their distances
// from the Sun overlap: during each piece of TramosCuerpos::kDias days the two-body object
// stays within v_max kDias / 2 of its position at the middle (v_max, its speed at
// perihelion), the perturbed one a further delta away, and the body within its own
// greatest speed times kDias / 2 of its place. Zero or less when that does not keep them
// apart, or the span goes beyond the pieces.
double HuecoPorTramos(const ef::ElementosOrbitales& el, const DatosMargen& datos, std::size_t j,
                      double delta) {
  if (datos.orbita == nullptr || datos.tramos == nullptr) return 0;
  const TramosCuerpos& tramos = *datos.tramos;
  const double q = el.semieje * (1 - el.excentricidad);
  const double v_max = ef::kGauss * std::sqrt((1 + el.excentricidad) / q);
  const double radio = (v_max + kVelocidades[j]) * TramosCuerpos::kDias / 2 + delta + kHolguraTabla;
  const double dias = datos.dias_desde_epoca;
  const int n = static_cast<int>(std::ceil(std::abs(dias) / TramosCuerpos::kDias));
  if (n > TramosCuerpos::kTramos) return 0;
  double hueco = std::numeric_limits<double>::infinity();
  for (int i = 0; i < std::max(n, 1); ++i) {
    const int k = dias >= 0 ? -1 - i : i;
    const double medio = tramos.Instante() + (k + 0.5) * TramosCuerpos::kDias;
    const ef::Vector3 objeto = datos.orbita->Posicion(ef::kJ2000, medio);
    hueco = std::min(hueco, ef::Modulo(objeto - tramos.Centro(k)[j]) - radio);
    if (!(hueco > 0)) return 0;
  }
  return hueco;
}

Desviacion Perturbacion(const ef::ElementosOrbitales& el, const DatosMargen& datos) {
  const double dias = datos.dias_desde_epoca;
  const double a = el.semieje;
  const double e = el.excentricidad;
  const double q = a * (1 - e);
  const double Q = a * (1 + e);
  const double delta = std::min(kFraccionPerihelio * q, kDesviacionMaxima);
  const double r_min = q - delta;
  const double r_max = Q + delta;
  double A = 0;
  for (std::size_t j = 0; j < ef::kCuerpos; ++j) {
    const Rango& rango = kRangos[j];
    double hueco = std::max(rango.desde - r_max, r_min - rango.hasta);
    // Close or overlapping ranges: where the two are along their orbits may keep them
    // further apart.
    if (hueco < kHuecoHolgado) hueco = std::max(hueco, HuecoPorTramos(el, datos, j, delta));
    if (!(hueco > 0)) return {kInfinito, kInfinito, r_min};
    const double gm = kK2 * ef::kRazonMasa[j];
    // Direct pull on the object, and the same body's pull on the Sun (the indirect term).
    A += gm / (hueco * hueco) + gm / (rango.desde * rango.desde);
  }
  // The Sun's first post-Newtonian term is at most GM / (c^2 r^2) (4 GM / r + 5 v^2), with
  // v^2 at most kVelocidadCuadrada GM / r.
  A += kK2 / (kC * kC * r_min * r_min) * (4 * kK2 / r_min + 5 * kVelocidadCuadrada * kK2 / r_min);
  const double K = 2 * kK2 / (r_min * r_min * r_min);
  const double raiz = std::sqrt(K);
  const double x = raiz * std::abs(dias);
  if (x > kCrecimientoMaximo) return {kInfinito, kInfinito, r_min};
  Desviacion d;
  d.posicion = (A / K) * (std::cosh(x) - 1);
  d.velocidad = (A / raiz) * std::sinh(x);
  d.r_min = r_min;
  if (!(d.posicion <= delta)) return {kInfinito, kInfinito, r_min};
  return d;
}

}  // namespace

TramosCuerpos::TramosCuerpos(double t)
    : t_(t),
      centros_(std::size_t{2} * kTramos),
      hechos_(std::make_unique<std::atomic<bool>[]>(std::size_t{2} * kTramos)) {}

const ef::PosicionesCuerpos& TramosCuerpos::Centro(int k) const {
  const int desde_el_primero = k + kTramos;
  const auto i = static_cast<std::size_t>(desde_el_primero);
  if (!hechos_[i].load(std::memory_order_acquire)) {
    const std::lock_guard<std::mutex> cerrojo(mutex_);
    if (!hechos_[i].load(std::memory_order_relaxed)) {
      centros_[i] = ef::PosicionesERFA(t_ + (k + 0.5) * kDias);
      hechos_[i].store(true, std::memory_order_release);
    }
  }
  return centros_[i];
}

double DesviacionPerturbada(const ef::ElementosOrbitales& el, const DatosMargen& datos) {
  return Perturbacion(el, datos).posicion;
}

double MargenAngular(const ef::ElementosOrbitales& el, const DatosMargen& datos) {
  const double q = el.semieje * (1 - el.excentricidad);
  if (!(q > 0) || !(datos.distancia > 0)) return kInfinito;
  Desviacion d;
  d.r_min = q;
  if (datos.perturbado) {
    d = Perturbacion(el, datos);
    if (!std::isfinite(d.posicion)) return kInfinito;
  }
  // The light time: the exact place is the object's position tau earlier, carried back
  // along its own motion. Its speed is at most the two-body orbit's at perihelion plus the
  // perturbation's, and the Sun's pull at r_min changes it by at most GM / r_min^2 per day.
  // tau itself is the exact distance over c, at most (distance + D) / c where D is the
  // total displacement, which gives D <= (Dp + s distance / c) / (1 - s / c).
  const double tau_max_simple = (datos.distancia + kDesplazamientoMaximo) / kC;
  const double velocidad = ef::kGauss * std::sqrt((1 + el.excentricidad) / q) + d.velocidad +
                           kK2 / (d.r_min * d.r_min) * tau_max_simple + kVelocidadSol;
  const double s = velocidad / kC;
  if (!(s < 0.5)) return kInfinito;
  const double total = (d.posicion + s * datos.distancia) / (1 - s);
  // A displacement D of a vector of length L turns its direction by at most asin(D / L).
  if (!(total < 0.5 * datos.distancia) || total > kDesplazamientoMaximo) return kInfinito;
  return kSeguridad * std::asin(total / datos.distancia) + kHolguraRedondeo;
}

}  // namespace orbelux::campo
