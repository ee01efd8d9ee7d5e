// SPDX-License-Identifier: GPL-3.0-or-later
// Where an element set turns into a position when the planets pull: the osculating
// elements become a heliocentric state at their epoch, and the equations of motion are
// integrated from there to the instant wanted.
#pragma once

#include <stdexcept>

#include "ephemeris/dop853.h"
#include "ephemeris/orbital_elements.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/vector3.h"
#include "platform/fallo.h"

namespace orbelux::efemerides {

// The speed of light in AU per day.
inline constexpr double kLuzUADia = 299792.458 * 86400 / 149597870.7;

// Heliocentric position (AU) and velocity (AU/day) on the ICRF axes.
struct EstadoCartesiano {
  Vector3 r;
  Vector3 v;
};

// The state of an orbit at its elements' epoch, with GM = k^2.
EstadoCartesiano EstadoDeElementos(const ElementosOrbitales& elementos);

// The motion cannot be followed: the integrator's step collapsed, or the steps ran out.
class ErrorIntegracion : public Fallo {
 public:
  using Fallo::Fallo;
};

struct ModeloFuerzas {
  // The planets, the Earth and the Moon from the table (direct and indirect terms).
  bool planetas = true;
  // The Sun's first post-Newtonian term.
  bool relatividad = true;
};

// Heliocentric acceleration of a massless body at (r, v) and time t (TDB days from
// J2000). `tabla` may be null when the model has no planets.
Vector3 Aceleracion(const ModeloFuerzas& modelo, const TablaPlanetas* tabla, double t,
                    const Vector3& r, const Vector3& v);

// The working tolerance: relative 1e-11, and steps of at most 20 days, a quarter of
// Mercury's period: its pull on the Sun shakes the heliocentric frame, and longer steps
// only end in rejections.
inline constexpr ToleranciaDop853 kToleranciaTrabajo{
    .relativa = 1e-11, .absoluta = 1e-15, .paso_maximo = 20, .paso_inicial = 0};

// The steps one integration may take: a real orbit takes some tens a year (an asteroid
// grazing the Earth a few thousand more at the approach), so it stays far below; an
// absurd one (a small fraction of an AU, say) gives up instead of running for minutes.
inline constexpr long kPasosBase = 200000;
inline constexpr long kPasosPorAnio = 20000;
long MaximoPasos(double t0, double t1);

class MovimientoPerturbado final {
 public:
  // `tabla` must cover every instant the integrations will reach; it may be null when
  // the model has no planets. It is shared, read only, by every thread. Without an
  // initial step in `tolerancia`, each integration starts from a twentieth of the orbit's
  // own time scale r / v.
  MovimientoPerturbado(const TablaPlanetas* tabla, const ModeloFuerzas& modelo = {},
                       const ToleranciaDop853& tolerancia = kToleranciaTrabajo);

  // The state at t1 of the body that was in `estado` at t0 (TDB days from J2000), in
  // either direction. Throws ErrorIntegracion, past MaximoPasos(t0, t1) steps too.
  EstadoCartesiano Propagar(const EstadoCartesiano& estado, double t0, double t1,
                            CuentaPasos* cuenta = nullptr) const;

  const ModeloFuerzas& Modelo() const { return modelo_; }

 private:
  const TablaPlanetas* tabla_;
  ModeloFuerzas modelo_;
  ToleranciaDop853 tolerancia_;
};

// The state dt days later (dt of either sign, a fraction of a day) under the Sun alone:
// the light time's short step back, over which the planets' pull is negligible.
EstadoCartesiano PasoKepler(const EstadoCartesiano& estado, double dt);

}  // namespace orbelux::efemerides
