// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/ephemeris_context.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "ephemeris/magnitude.h"
#include "ephemeris/two_body.h"

namespace orbelux::efemerides {

bool EpocaLejana(const Instante& instante, double epoca) {
  return std::abs(instante.tt.Total() - epoca) > kDiasEpocaLejana;
}

bool IntervaloEpocas::Incluir(double epoca) {
  const double dias = epoca - kJ2000;
  if (dias >= desde_ && dias <= hasta_) return false;
  desde_ = std::min(desde_, dias);
  hasta_ = std::max(hasta_, dias);
  return true;
}

void IntervaloEpocas::Incluir(const IntervaloEpocas& otro) {
  desde_ = std::min(desde_, otro.desde_);
  hasta_ = std::max(hasta_, otro.hasta_);
}

void IntervaloEpocas::Comprobar() const {
  const double anios = (Hasta() - Desde()) / 365.25;
  if (!(anios > kMaximoAniosIntegracion)) return;
  char texto_anios[32];
  std::snprintf(texto_anios, sizeof texto_anios, "%.0f", anios);
  throw ErrorPosicion(std::string("la fecha y las épocas de los elementos abarcan ") + texto_anios +
                      " años, demasiado para integrar las órbitas (como mucho " +
                      std::to_string(static_cast<int>(kMaximoAniosIntegracion)) +
                      "); --dos-cuerpos las calcula sin los planetas");
}

namespace {

Instante Desplazado(Instante instante, double dias) {
  instante.utc.fraccion += dias;
  instante.tt.fraccion += dias;
  instante.tdb.fraccion += dias;
  return instante;
}

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr double kSegundoArco = kGrado / 3600;

Vector3 Unitario(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

double Angulo(const Vector3& a, const Vector3& b) {
  return std::atan2(Modulo(ProductoVectorial(a, b)), Producto(a, b));
}

}  // namespace

std::array<Instante, 3> InstantesConMovimiento(const Instante& instante) {
  return {Desplazado(instante, -kMinutoMovimiento), instante,
          Desplazado(instante, kMinutoMovimiento)};
}

ContextoEfemerides::ContextoEfemerides(const Instante& instante, const Sitio& sitio,
                                       Movimiento movimiento)
    : movimiento_(movimiento),
      t_((instante.tdb.entera - kJ2000) + instante.tdb.fraccion),
      instantes_(InstantesConMovimiento(instante)) {
  for (std::size_t i = 0; i < 3; ++i) observadores_[i] = PosicionObservador(instantes_[i], sitio);
  if (movimiento_ == Movimiento::Perturbado) velocidad_sol_ = VelocidadBaricentricaSol(instante);
}

ContextoEfemerides::ContextoEfemerides(const Instante& instante,
                                       const std::array<Vector3, 3>& observadores,
                                       const Vector3& velocidad_sol, Movimiento movimiento)
    : movimiento_(movimiento),
      t_((instante.tdb.entera - kJ2000) + instante.tdb.fraccion),
      instantes_(InstantesConMovimiento(instante)),
      observadores_(observadores),
      velocidad_sol_(velocidad_sol) {}

ContextoEfemerides::~ContextoEfemerides() = default;

void ContextoEfemerides::PrepararPlanetas(
    const IntervaloEpocas& intervalo, unsigned hilos,
    const std::function<void(std::size_t, std::size_t)>& aviso) {
  if (movimiento_ != Movimiento::Perturbado) return;
  intervalo.Comprobar();
  integrador_.reset();
  tabla_.emplace(intervalo.Desde(), intervalo.Hasta(), std::max(hilos, 1u), aviso);
  integrador_.emplace(&*tabla_);
}

void ContextoEfemerides::AmpliarPlanetas(const IntervaloEpocas& intervalo, unsigned hilos) {
  if (movimiento_ != Movimiento::Perturbado) return;
  if (!tabla_) {
    PrepararPlanetas(intervalo, hilos);
    return;
  }
  intervalo.Comprobar();
  TablaPlanetas ampliada(*tabla_, intervalo.Desde(), intervalo.Hasta(), std::max(hilos, 1u));
  integrador_.reset();
  tabla_.emplace(std::move(ampliada));
  integrador_.emplace(&*tabla_);
}

void ContextoEfemerides::UsarPlanetas(const TablaPlanetas& tabla) {
  if (movimiento_ != Movimiento::Perturbado) return;
  integrador_.reset();
  tabla_.reset();
  integrador_.emplace(&tabla);
}

std::optional<ResumenLugar> ContextoEfemerides::Resumir(const LugaresConMovimiento& lugares,
                                                        const ElementosOrbitales& el) const {
  for (const auto& l : lugares) {
    if (!std::isfinite(l.ascension_recta) || !std::isfinite(l.declinacion) ||
        !std::isfinite(l.delta)) {
      return std::nullopt;
    }
  }
  const LugarAstrometrico& l = lugares[1];
  ResumenLugar o;
  o.ar = l.ascension_recta / kGrado;
  o.dec = l.declinacion / kGrado;
  double dar_t = lugares[2].ascension_recta - lugares[0].ascension_recta;
  if (dar_t > kPi) dar_t -= 2 * kPi;
  if (dar_t < -kPi) dar_t += 2 * kPi;
  o.mov_ar = dar_t * std::cos(l.declinacion) / 2 / kSegundoArco;
  o.mov_dec = (lugares[2].declinacion - lugares[0].declinacion) / 2 / kSegundoArco;
  o.delta = l.delta;
  o.r = l.r;
  o.elongacion =
      Angulo(Unitario(l.ascension_recta, l.declinacion), Vector3{} - Observador()) / kGrado;
  o.fase = l.Fase() / kGrado;
  o.v = Magnitud(el, l.r, l.delta, l.tan_media_fase);
  return o;
}

EstadoCartesiano ContextoEfemerides::Estado(const ElementosOrbitales& el) const {
  if (!integrador_) throw ErrorPosicion("ContextoEfemerides: PrepararPlanetas was not called");
  return integrador_->Propagar(EstadoDeElementos(el), el.epoca - kJ2000, t_);
}

LugarAstrometrico ContextoEfemerides::Lugar(const ElementosOrbitales& el) const {
  if (movimiento_ == Movimiento::DosCuerpos || el.sin_perturbar) {
    return Astrometrico(OrbitaKepleriana(el), observadores_[1], instantes_[1]);
  }
  return AstrometricoDesdeEstado(Estado(el), observadores_[1], velocidad_sol_);
}

LugaresConMovimiento ContextoEfemerides::LugarYMovimiento(const ElementosOrbitales& el) const {
  LugaresConMovimiento lugares;
  if (movimiento_ == Movimiento::DosCuerpos || el.sin_perturbar) {
    const OrbitaKepleriana orbita(el);
    for (std::size_t i = 0; i < 3; ++i) {
      lugares[i] = Astrometrico(orbita, observadores_[i], instantes_[i]);
    }
    return lugares;
  }
  return LugaresDeEstado(Estado(el));
}

LugaresConMovimiento ContextoEfemerides::LugarYMovimientoDesde(EstadoCartesiano& estado,
                                                               double t0) const {
  if (!integrador_) throw ErrorPosicion("ContextoEfemerides: PrepararPlanetas was not called");
  estado = integrador_->Propagar(estado, t0, t_);
  return LugaresDeEstado(estado);
}

LugaresConMovimiento ContextoEfemerides::LugaresDeEstado(const EstadoCartesiano& estado) const {
  // One integration to the instant; the minute to each side is a step under the Sun alone.
  LugaresConMovimiento lugares;
  for (std::size_t i = 0; i < 3; ++i) {
    const EstadoCartesiano en =
        i == 1 ? estado : PasoKepler(estado, (static_cast<double>(i) - 1) * kMinutoMovimiento);
    lugares[i] = AstrometricoDesdeEstado(en, observadores_[i], velocidad_sol_);
  }
  return lugares;
}

}  // namespace orbelux::efemerides
