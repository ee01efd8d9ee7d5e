// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/perturbed_motion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "ephemeris/two_body.h"

namespace orbelux::efemerides {

namespace {

constexpr double kK2 = kGauss * kGauss;
constexpr double kC2 = kLuzUADia * kLuzUADia;

Estado6 AEstado(const EstadoCartesiano& e) { return {e.r.x, e.r.y, e.r.z, e.v.x, e.v.y, e.v.z}; }
EstadoCartesiano DeEstado(const Estado6& y) { return {{y[0], y[1], y[2]}, {y[3], y[4], y[5]}}; }

// The Sun's pull with its first post-Newtonian term (the Schwarzschild field in
// harmonic coordinates, to first order in 1/c^2).
Vector3 AceleracionSolar(const Vector3& r, const Vector3& v, bool relatividad) {
  const double r2 = Producto(r, r);
  const double d = std::sqrt(r2);
  const double k2_r3 = kK2 / (r2 * d);
  Vector3 a = (-k2_r3) * r;
  if (relatividad) {
    const double v2 = Producto(v, v);
    const double rv = Producto(r, v);
    a = a + (k2_r3 / kC2) * ((4 * kK2 / d - v2) * r + (4 * rv) * v);
  }
  return a;
}

}  // namespace

EstadoCartesiano EstadoDeElementos(const ElementosOrbitales& elementos) {
  // Any eccentricity: the state is Cartesian from here on.
  const OrbitaKepleriana orbita(elementos);
  EstadoCartesiano estado;
  orbita.PosicionYVelocidad(elementos.epoca, 0, estado.r, estado.v);
  return estado;
}

Vector3 Aceleracion(const ModeloFuerzas& modelo, const TablaPlanetas* tabla, double t,
                    const Vector3& r, const Vector3& v) {
  Vector3 a = AceleracionSolar(r, v, modelo.relatividad);
  if (modelo.planetas && tabla != nullptr) {
    PosicionesCuerpos cuerpos;
    Vector3 sol;
    tabla->Interpolar(t, cuerpos, sol);
    // Direct terms: each body pulls the asteroid; indirect: it pulls the Sun too, and
    // the frame rides on the Sun.
    Vector3 directa;
    for (std::size_t j = 0; j < kCuerpos; ++j) {
      const Vector3 d = cuerpos[j] - r;
      const double d2 = Producto(d, d);
      directa = directa + (kK2 * kRazonMasa[j] / (d2 * std::sqrt(d2))) * d;
    }
    a = a + directa - sol;
  }
  return a;
}

MovimientoPerturbado::MovimientoPerturbado(const TablaPlanetas* tabla, const ModeloFuerzas& modelo,
                                           const ToleranciaDop853& tolerancia)
    : tabla_(tabla), modelo_(modelo), tolerancia_(tolerancia) {
  if (tabla_ == nullptr) modelo_.planetas = false;
}

long MaximoPasos(double t0, double t1) {
  return kPasosBase + static_cast<long>(std::ceil(kPasosPorAnio * std::abs(t1 - t0) / 365.25));
}

EstadoCartesiano MovimientoPerturbado::Propagar(const EstadoCartesiano& estado, double t0,
                                                double t1, CuentaPasos* cuenta) const {
  Estado6 y = AEstado(estado);
  ToleranciaDop853 tolerancia = tolerancia_;
  if (!(tolerancia.paso_inicial > 0)) {
    tolerancia.paso_inicial = 0.05 * Modulo(estado.r) / Modulo(estado.v);
  }
  auto derivada = [this](double t, const Estado6& s, Estado6& ds) {
    const Vector3 r{s[0], s[1], s[2]};
    const Vector3 v{s[3], s[4], s[5]};
    const Vector3 a = Aceleracion(modelo_, tabla_, t, r, v);
    ds = {s[3], s[4], s[5], a.x, a.y, a.z};
  };
  if (!IntegrarDop853(derivada, t0, t1, y, tolerancia, cuenta, MaximoPasos(t0, t1))) {
    char dias[96];
    std::snprintf(dias, sizeof dias, " entre los días julianos %.1f y %.1f (TDB)", t0 + kJ2000,
                  t1 + kJ2000);
    throw ErrorIntegracion(std::string("la integración no puede seguir el movimiento") + dias);
  }
  return DeEstado(y);
}

EstadoCartesiano PasoKepler(const EstadoCartesiano& estado, double dt) {
  auto derivada = [](double, const Estado6& s, Estado6& ds) {
    const Vector3 a = AceleracionSolar({s[0], s[1], s[2]}, {s[3], s[4], s[5]}, false);
    ds = {s[3], s[4], s[5], a.x, a.y, a.z};
  };
  // Eighth order over a quarter of a day leaves errors far below a metre even at
  // 0.1 AU from the Sun; longer steps are cut into such pieces. Beyond 1 AU the motion's
  // own time scale grows as r^1.5, and the pieces with it: an absurd orbit thousands of AU
  // away, whose light time is decades, then takes a few pieces instead of millions.
  const double r = Modulo(estado.r);
  const double pieza = 0.25 * std::max(1.0, r * std::sqrt(r));
  const double cuantas = std::ceil(std::abs(dt) / pieza);
  const int piezas = cuantas >= 1 ? static_cast<int>(std::min(cuantas, 1e6)) : 1;
  Estado6 y = AEstado(estado);
  for (int i = 0; i < piezas; ++i) PasoDop853(derivada, 0, dt / piezas, y);
  return DeEstado(y);
}

}  // namespace orbelux::efemerides
