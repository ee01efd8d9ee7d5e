// SPDX-License-Identifier: GPL-3.0-or-later
// Where elements become a place: one context per run (the instant, the site, the motion and,
// for perturbed motion, the planets over the span from the epochs to the instant) and one
// call that gives an object's astrometric place in it. Every program asks here, so no two
// of them can disagree about an object.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "ephemeris/astrometric.h"
#include "ephemeris/orbital_elements.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "ephemeris/vector3.h"

namespace orbelux::efemerides {

enum class Movimiento {
  // The elements integrated from their epoch under the Sun, the planets, the Earth and
  // the Moon: good to an arcsecond years away from the epoch.
  Perturbado,
  // Kepler's ellipse of the elements, as ephemeris services give for the same elements
  // near their epoch; arcminutes off a year away.
  DosCuerpos,
};

// Positions further than this from the elements' epoch may be minutes of arc off when
// two-body motion leaves out the planets.
inline constexpr double kDiasEpocaLejana = 200;

// Whether elements of this epoch (Julian date TT) are that far from the instant.
bool EpocaLejana(const Instante& instante, double epoca);

// Perturbed motion integrates over at most this span of years between the earliest and
// the latest of the epochs and the instant: beyond it the table of the planets alone
// would take minutes and hundreds of megabytes, and ERFA's planetary theory is good for
// the years 1000 to 3000 only.
inline constexpr double kMaximoAniosIntegracion = 200;

// A position that cannot be computed from elements that did parse, or a span of time
// too long to integrate.
class ErrorPosicion : public Fallo {
 public:
  using Fallo::Fallo;
};

// The span of TDB days from J2000 that the integrations from the epochs to the instant
// cover, with a day's room each side for the light time.
class IntervaloEpocas final {
 public:
  explicit IntervaloEpocas(double t) : desde_(t), hasta_(t) {}
  // An epoch, Julian date TT. True when it widened the span.
  bool Incluir(double epoca);
  void Incluir(const IntervaloEpocas& otro);
  double Desde() const { return desde_ - 1; }
  double Hasta() const { return hasta_ + 1; }
  // Throws ErrorPosicion, with the years the span covers, beyond kMaximoAniosIntegracion.
  void Comprobar() const;

 private:
  double desde_;
  double hasta_;
};

// The three places that give an object's motion: a minute before the instant, at it, and
// a minute after.
using LugaresConMovimiento = std::array<LugarAstrometrico, 3>;
inline constexpr double kMinutoMovimiento = 1.0 / 1440;  // days
// Their instants: a minute before, the instant, a minute after.
std::array<Instante, 3> InstantesConMovimiento(const Instante& instante);

// What an observer reads of a place and its motion: degrees, AU and arcseconds per minute.
struct ResumenLugar {
  double ar = 0;      // degrees, [0, 360)
  double dec = 0;     // degrees
  double mov_ar = 0;  // d(RA)/dt cos(Dec), arcseconds per minute
  double mov_dec = 0;
  double delta = 0;       // AU
  double r = 0;           // AU
  double elongacion = 0;  // degrees
  double fase = 0;        // degrees
  std::optional<double> v;
};

class ContextoEfemerides final {
 public:
  // The observer (PosicionObservador) at the instant and a minute to each side.
  ContextoEfemerides(const Instante& instante, const Sitio& sitio, Movimiento movimiento);
  // The same with the observer's heliocentric positions a minute before, at and a minute
  // after the instant, and the Sun's barycentric velocity, computed by the caller for many
  // contexts at once (the rows of an ephemeris, from a TrayectoTierra).
  ContextoEfemerides(const Instante& instante, const std::array<Vector3, 3>& observadores,
                     const Vector3& velocidad_sol, Movimiento movimiento);
  ~ContextoEfemerides();
  ContextoEfemerides(const ContextoEfemerides&) = delete;
  ContextoEfemerides& operator=(const ContextoEfemerides&) = delete;

  // For perturbed motion, before any place: checks the span against the limit and builds
  // the planets' table over it (`hilos` threads; `aviso` hears of its nodes). Nothing for
  // two-body motion.
  void PrepararPlanetas(const IntervaloEpocas& intervalo, unsigned hilos,
                        const std::function<void(std::size_t, std::size_t)>& aviso = {});

  const Instante& instante() const { return instantes_[1]; }
  Movimiento movimiento() const { return movimiento_; }
  // The instant's TDB, days from J2000.
  double T() const { return t_; }
  // The observer's heliocentric position at the instant (ICRF axes, AU).
  const Vector3& Observador() const { return observadores_[1]; }

  // The astrometric place at the instant. Elements without an epoch of osculation
  // (ElementosOrbitales::sin_perturbar) follow their conic under the Sun alone whatever the
  // motion, as their orbit is meant. Throws ErrorIntegracion when the integration
  // fails; the place may be not finite for absurd elements, which callers check.
  LugarAstrometrico Lugar(const ElementosOrbitales& el) const;
  // The same with the places a minute before and after (kMinutoMovimiento).
  LugaresConMovimiento LugarYMovimiento(const ElementosOrbitales& el) const;

  // For perturbed motion: the places of LugarYMovimiento reached from `estado`, the state at
  // `t0` (TDB days from J2000), instead of from the elements' epoch, which is how an object
  // is followed from one row of an ephemeris to the next; `estado` becomes the state at this
  // instant. Throws ErrorIntegracion.
  LugaresConMovimiento LugarYMovimientoDesde(EstadoCartesiano& estado, double t0) const;

  // For perturbed motion, after PrepararPlanetas and between places (no other thread may
  // be computing one): widens the table to the span, computing only the nodes it lacks.
  // The places stay those of a table built over everything at once.
  void AmpliarPlanetas(const IntervaloEpocas& intervalo, unsigned hilos);

  // For perturbed motion, instead of PrepararPlanetas: a table of the planets built once
  // for many contexts (the rows of an ephemeris), which must cover their spans and outlive
  // this context.
  void UsarPlanetas(const TablaPlanetas& tabla);

  // The places of LugarYMovimiento in an observer's units, the elongation seen from this
  // context's observer and the magnitude by the elements' own law; nullopt when any of the
  // three places is not finite.
  std::optional<ResumenLugar> Resumir(const LugaresConMovimiento& lugares,
                                      const ElementosOrbitales& el) const;

 private:
  EstadoCartesiano Estado(const ElementosOrbitales& el) const;
  LugaresConMovimiento LugaresDeEstado(const EstadoCartesiano& estado) const;

  Movimiento movimiento_;
  double t_;
  std::array<Instante, 3> instantes_;
  std::array<Vector3, 3> observadores_;  // heliocentric
  Vector3 velocidad_sol_;
  std::optional<TablaPlanetas> tabla_;
  std::optional<MovimientoPerturbado> integrador_;
};

}  // namespace orbelux::efemerides
