// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/carried_elements.h"

#include <cmath>

#include <erfa.h>
#include <erfam.h>

#include "ephemeris/two_body.h"

namespace orbelux::efemerides {

namespace {

// The obliquity of J2000 that OrbitaKepleriana turns the ecliptic by (IAU 2006).
const double kCosOblicuidad = std::cos(84381.448 * ERFA_DAS2R);
const double kSenOblicuidad = std::sin(84381.448 * ERFA_DAS2R);

// Room each side when the table grows, so that nearby epochs do not widen it again.
constexpr double kHolguraTabla = 30;  // days

double Grados(double radianes) {
  const double g = radianes * ERFA_DR2D;
  return g < 0 ? g + 360 : g;
}

}  // namespace

double EpocaDeAcarreo(const Instante& instante) {
  return kPasoRejillaAcarreo * std::round(instante.tt.Total() / kPasoRejillaAcarreo);
}

bool SeAcarrea(const ElementosOrbitales& el, const Instante& instante) {
  return !el.sin_perturbar && el.forma == FormaOrbita::Semieje &&
         std::abs(instante.tt.Total() - el.epoca) > kDiasSinAcarreo;
}

std::optional<ElementosOrbitales> ElementosDeEstado(const EstadoCartesiano& estado, double epoca,
                                                    const ElementosOrbitales& base) {
  // Back from the equator onto the ecliptic of J2000.
  const double ce = kCosOblicuidad;
  const double se = kSenOblicuidad;
  const Vector3 r{estado.r.x, ce * estado.r.y + se * estado.r.z,
                  -se * estado.r.y + ce * estado.r.z};
  const Vector3 v{estado.v.x, ce * estado.v.y + se * estado.v.z,
                  -se * estado.v.y + ce * estado.v.z};
  // The classical elements from the angular momentum and the eccentricity vector
  // (Vallado, Fundamentals of Astrodynamics, algorithm 9).
  const double mu = kGauss * kGauss;
  const double dist = Modulo(r);
  const double v2 = Producto(v, v);
  const double a = 1 / (2 / dist - v2 / mu);
  const Vector3 h = ProductoVectorial(r, v);
  const Vector3 vector_e = (1 / mu) * ((v2 - mu / dist) * r - Producto(r, v) * v);
  const double e = Modulo(vector_e);
  if (!(a > 0) || !(e < 1) || !(Modulo(h) > 0)) return std::nullopt;
  const double inclinacion = std::atan2(std::hypot(h.x, h.y), h.z);
  const double nodo = std::atan2(h.x, -h.y);
  const Vector3 n{std::cos(nodo), std::sin(nodo), 0};
  const Vector3 m = ProductoVectorial((1 / Modulo(h)) * h, n);
  const double perihelio = std::atan2(Producto(vector_e, m), Producto(vector_e, n));
  // The true anomaly from the argument of latitude of the position itself, so that on a
  // nearly circular orbit, where the perihelion is barely defined, their sum still is.
  const double latitud = std::atan2(Producto(r, m), Producto(r, n));
  const double verdadera = latitud - perihelio;
  const double E =
      std::atan2(std::sqrt((1 - e) * (1 + e)) * std::sin(verdadera), e + std::cos(verdadera));
  ElementosOrbitales el = base;
  el.epoca = epoca;
  el.semieje = a;
  el.excentricidad = e;
  el.inclinacion = inclinacion * ERFA_DR2D;
  el.nodo = Grados(nodo);
  el.perihelio = Grados(perihelio);
  el.anomalia_media = Grados(E - e * std::sin(E));
  el.forma = FormaOrbita::Semieje;
  return el;
}

AcarreoElementos::AcarreoElementos(double epoca) : epoca_(epoca) {}

std::shared_ptr<const TablaPlanetas> AcarreoElementos::Tabla(double desde, double hasta) const {
  const auto cubre = [&](const std::shared_ptr<const TablaPlanetas>& t) {
    return t && t->Desde() <= desde && t->Hasta() >= hasta;
  };
  {
    const std::lock_guard<std::mutex> cerrojo(mutex_);
    if (cubre(tabla_)) return tabla_;
  }
  // The nodes already computed are kept: only the new ones cost ERFA's series.
  const std::lock_guard<std::mutex> ampliando(mutex_ampliar_);
  std::shared_ptr<const TablaPlanetas> actual;
  {
    const std::lock_guard<std::mutex> cerrojo(mutex_);
    actual = tabla_;
  }
  if (cubre(actual)) return actual;
  auto nueva =
      actual ? std::make_shared<const TablaPlanetas>(*actual, desde - kHolguraTabla,
                                                     hasta + kHolguraTabla)
             : std::make_shared<const TablaPlanetas>(desde - kHolguraTabla, hasta + kHolguraTabla);
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  tabla_ = nueva;
  return nueva;
}

std::optional<ElementosOrbitales> AcarreoElementos::Acarrear(const ElementosOrbitales& el) const {
  const double t0 = el.epoca - kJ2000;
  const double t1 = epoca_ - kJ2000;
  // A day's room each side, as IntervaloEpocas gives the places' table.
  const std::shared_ptr<const TablaPlanetas> tabla =
      Tabla(std::min(t0, t1) - 1, std::max(t0, t1) + 1);
  const MovimientoPerturbado movimiento(tabla.get());
  try {
    return ElementosDeEstado(movimiento.Propagar(EstadoDeElementos(el), t0, t1), epoca_, el);
  } catch (const ErrorIntegracion&) {
    return std::nullopt;
  }
}

}  // namespace orbelux::efemerides
