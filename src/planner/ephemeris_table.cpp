// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/ephemeris_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "ephemeris/earth_track.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "planner/horizontal.h"
#include "platform/parallel_batches.h"

namespace orbelux::planificador {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;

}  // namespace

std::size_t FilasEntre(double inicio, double fin, double paso) {
  if (!(fin >= inicio) || !(paso > 0)) return 0;
  // A millisecond's allowance: a span of whole steps written in minutes ends on its last
  // step whatever the rounding of the days.
  const double pasos = std::floor((fin - inicio) / paso + 1e-8 / paso);
  // Dates span at most 9,000 years: at a minute a step, some 5e9 rows, which a size_t holds.
  if (!(pasos < 1e15)) return static_cast<std::size_t>(1e15);
  return static_cast<std::size_t>(pasos) + 1;
}

ef::Instante InstanteDeFila(const Intervalo& intervalo, std::size_t i) {
  if (i == 0) return intervalo.inicio;
  return ef::InstanteDesdeDiaJulianoUTC(intervalo.inicio.utc.Total() +
                                        static_cast<double>(i) * intervalo.paso);
}

std::vector<std::vector<FilaEfemerides>> CalcularTablas(
    const std::vector<ef::ElementosOrbitales>& objetos, const PeticionTabla& p) {
  const std::size_t n = p.intervalo.filas;
  // The first row is the instant as given; the others, from their UTC Julian days at once.
  std::vector<double> dias;
  for (std::size_t i = 1; i < n; ++i) {
    dias.push_back(p.intervalo.inicio.utc.Total() + static_cast<double>(i) * p.intervalo.paso);
  }
  std::vector<ef::Instante> instantes = ef::InstantesDesdeDiasJulianosUTC(dias);
  if (n != 0) instantes.insert(instantes.begin(), p.intervalo.inicio);
  const ef::Sitio sitio = p.sitio.value_or(ef::Sitio{});
  const unsigned hilos = HilosPorOmision(p.hilos);

  // One table of the planets for every row and object.
  std::optional<ef::TablaPlanetas> tabla;
  if (p.movimiento == ef::Movimiento::Perturbado && n != 0) {
    const auto t = [](const ef::Instante& i) {
      return (i.tdb.entera - ef::kJ2000) + i.tdb.fraccion;
    };
    ef::IntervaloEpocas intervalo(t(instantes.front()));
    intervalo.Incluir(ef::IntervaloEpocas(t(instantes.back())));
    // Orbits meant unperturbed are never integrated: their time of perihelion widens nothing.
    for (const auto& el : objetos) {
      if (!el.sin_perturbar) intervalo.Incluir(el.epoca);
    }
    intervalo.Comprobar();
    tabla.emplace(intervalo.Desde(), intervalo.Hasta(), hilos);
  }
  std::optional<LugarGeodesico> geodesico;
  if (p.sitio && !p.sitio->Geocentro()) geodesico = GeodesicoDeSitio(*p.sitio);

  // The Earth for every row and the minute on each side of it, tabulated once.
  std::vector<std::array<ef::Instante, 3>> con_movimiento(n);
  std::vector<double> tiempos;
  tiempos.reserve(3 * n);
  for (std::size_t i = 0; i < n; ++i) {
    con_movimiento[i] = ef::InstantesConMovimiento(instantes[i]);
    for (const ef::Instante& j : con_movimiento[i]) {
      tiempos.push_back((j.tdb.entera - ef::kJ2000) + j.tdb.fraccion);
    }
  }
  const ef::TrayectoTierra tierra(tiempos, hilos);

  // One context and one local sky per row, shared by every object.
  std::vector<std::unique_ptr<ef::ContextoEfemerides>> contextos(n);
  std::vector<std::unique_ptr<CieloLocal>> cielos(n);
  constexpr std::size_t kLote = 8;
  RepartirEnLotes(n, kLote, hilos, [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t i = desde; i < hasta; ++i) {
      std::array<ef::TierraEnInstante, 3> t;
      for (std::size_t j = 0; j < 3; ++j) {
        const ef::Instante& instante = con_movimiento[i][j];
        t[j] = tierra.En((instante.tdb.entera - ef::kJ2000) + instante.tdb.fraccion);
      }
      std::array<ef::Vector3, 3> observadores;
      std::array<ef::Vector3, 3> geocentricos;
      for (std::size_t j = 0; j < 3; ++j) {
        // The axis barely turns in two minutes (a ten-thousandth of an arcsecond): the
        // row's pole serves its three instants.
        if (geodesico) {
          geocentricos[j] =
              ef::ObservadorGeocentrico(sitio, con_movimiento[i][j], t[1].polo).posicion;
        }
        observadores[j] = t[j].posicion + geocentricos[j];
      }
      contextos[i] = std::make_unique<ef::ContextoEfemerides>(instantes[i], observadores,
                                                              t[1].velocidad_sol, p.movimiento);
      if (tabla) contextos[i]->UsarPlanetas(*tabla);
      if (geodesico) {
        cielos[i] = std::make_unique<CieloLocal>(*geodesico, instantes[i], t[1], geocentricos[1]);
      }
    }
  });

  // Each object row after row: with the planets, its state is carried from one row to the
  // next, so that only the first row integrates from the epoch.
  std::vector<std::vector<FilaEfemerides>> tablas(objetos.size(), std::vector<FilaEfemerides>(n));
  RepartirEnLotes(objetos.size(), 1, hilos, [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t k = desde; k < hasta; ++k) {
      const ef::ElementosOrbitales& el = objetos[k];
      const bool encadenar = tabla.has_value() && !el.sin_perturbar;
      std::optional<ef::EstadoCartesiano> estado;
      double t_estado = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const ef::ContextoEfemerides& ctx = *contextos[i];
        FilaEfemerides& fila = tablas[k][i];
        fila.instante = instantes[i];
        try {
          if (!encadenar) {
            fila.lugar = ctx.Resumir(ctx.LugarYMovimiento(el), el);
            continue;
          }
          if (!estado) {
            estado = ef::EstadoDeElementos(el);
            t_estado = el.epoca - ef::kJ2000;
          }
          fila.lugar = ctx.Resumir(ctx.LugarYMovimientoDesde(*estado, t_estado), el);
          t_estado = ctx.T();
        } catch (const ef::ErrorIntegracion&) {
          // The next row starts again from the epoch.
          fila.lugar.reset();
          estado.reset();
        }
      }
    }
  });

  if (geodesico) {
    RepartirEnLotes(n, kLote, hilos, [&](std::size_t desde, std::size_t hasta) {
      for (std::size_t i = desde; i < hasta; ++i) {
        const CieloLocal& cielo = *cielos[i];
        for (auto& filas : tablas) {
          FilaEfemerides& fila = filas[i];
          if (!fila.lugar) continue;
          const Horizontal h = cielo.Observado(fila.lugar->ar * kGrado, fila.lugar->dec * kGrado);
          Horizonte hz;
          hz.acimut = h.acimut;
          hz.altura = h.altura;
          hz.masa_aire = MasaDeAire(h.altura);
          hz.altura_sol = cielo.AlturaSol();
          hz.distancia_luna =
              cielo.DistanciaLuna(fila.lugar->ar * kGrado, fila.lugar->dec * kGrado);
          hz.luna_iluminada = cielo.LunaIluminada();
          fila.horizonte = hz;
        }
      }
    });
  }
  return tablas;
}

bool Visible(const FilaEfemerides& fila, double altura_minima, double sol_maximo) {
  return fila.lugar && fila.horizonte && fila.horizonte->altura >= altura_minima &&
         fila.horizonte->altura_sol <= sol_maximo;
}

}  // namespace orbelux::planificador
