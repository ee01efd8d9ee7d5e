// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of an ephemeris: one object's place, motion and brightness at each instant of
// a span, and, seen from a site, its altitude and airmass, the Sun's altitude and the
// Moon; then the rows an observer can use (--visible).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "ephemeris/ephemeris_context.h"
#include "ephemeris/orbital_elements.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"

namespace orbelux::planificador {

// The instants asked for: from `inicio` every `paso` days while not after `fin`.
struct Intervalo {
  efemerides::Instante inicio;
  double paso = 0;  // days
  std::size_t filas = 1;
};

// The most rows a run writes, over every object.
inline constexpr std::size_t kMaximoFilas = 100'000;
inline constexpr double kPasoMinimo = 1.0 / 1440;  // days
inline constexpr double kPasoMaximo = 100;

// How many rows from `inicio` to `fin` (UTC Julian days) every `paso` days: the last is
// the last step not after `fin`.
std::size_t FilasEntre(double inicio, double fin, double paso);

// The instant of row `i`.
efemerides::Instante InstanteDeFila(const Intervalo& intervalo, std::size_t i);

// What the columns that need a site hold at one row.
struct Horizonte {
  double acimut = 0;  // degrees
  double altura = 0;  // degrees, observed
  std::optional<double> masa_aire;
  double altura_sol = 0;
  double distancia_luna = 0;
  double luna_iluminada = 0;
};

struct FilaEfemerides {
  efemerides::Instante instante;
  std::optional<efemerides::ResumenLugar> lugar;  // none: the place cannot be computed
  std::optional<Horizonte> horizonte;             // only from a site
};

struct PeticionTabla {
  Intervalo intervalo;
  std::optional<efemerides::Sitio> sitio;  // none: the centre of the Earth
  efemerides::Movimiento movimiento = efemerides::Movimiento::Perturbado;
  unsigned hilos = 0;  // 0: HilosPorOmision
};

// The rows of each object, in the order of `objetos`. With perturbed motion the planets
// are tabulated once over the span of every epoch and row, and the Earth once over the
// rows (TrayectoTierra). Throws ErrorPosicion for a span too long to integrate, or
// ErrorSitio.
std::vector<std::vector<FilaEfemerides>> CalcularTablas(
    const std::vector<efemerides::ElementosOrbitales>& objetos, const PeticionTabla& peticion);

// Whether a row is one --visible keeps: the object at least `altura_minima` degrees high
// and the Sun at most `sol_maximo`. A row without a site or a place is never kept.
bool Visible(const FilaEfemerides& fila, double altura_minima, double sol_maximo);

}  // namespace orbelux::planificador
