// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/ephemeris_table.h"

#include <algorithm>
#include <cmath>

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
  if (pasos >= static_cast<double>(kMaximoFilas) * 1000) return kMaximoFilas * 1000;
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
  std::vector<ef::Instante> instantes(n);
  for (std::size_t i = 0; i < n; ++i) instantes[i] = InstanteDeFila(p.intervalo, i);
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

  std::vector<std::vector<FilaEfemerides>> tablas(objetos.size(), std::vector<FilaEfemerides>(n));
  constexpr std::size_t kLote = 8;
  RepartirEnLotes(n, kLote, hilos, [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t i = desde; i < hasta; ++i) {
      ef::ContextoEfemerides ctx(instantes[i], sitio, p.movimiento);
      if (tabla) ctx.UsarPlanetas(*tabla);
      std::optional<CieloLocal> cielo;
      if (geodesico) cielo.emplace(sitio, *geodesico, instantes[i]);
      for (std::size_t k = 0; k < objetos.size(); ++k) {
        FilaEfemerides& fila = tablas[k][i];
        fila.instante = instantes[i];
        try {
          fila.lugar = ctx.Resumir(ctx.LugarYMovimiento(objetos[k]), objetos[k]);
        } catch (const ef::ErrorIntegracion&) {
          fila.lugar.reset();
        }
        if (!fila.lugar || !cielo) continue;
        const Horizontal h = cielo->Observado(fila.lugar->ar * kGrado, fila.lugar->dec * kGrado);
        Horizonte hz;
        hz.acimut = h.acimut;
        hz.altura = h.altura;
        hz.masa_aire = MasaDeAire(h.altura);
        hz.altura_sol = cielo->AlturaSol();
        hz.distancia_luna = cielo->DistanciaLuna(fila.lugar->ar * kGrado, fila.lugar->dec * kGrado);
        hz.luna_iluminada = cielo->LunaIluminada();
        fila.horizonte = hz;
      }
    }
  });
  return tablas;
}

bool Visible(const FilaEfemerides& fila, double altura_minima, double sol_maximo) {
  return fila.lugar && fila.horizonte && fila.horizonte->altura >= altura_minima &&
         fila.horizonte->altura_sol <= sol_maximo;
}

}  // namespace orbelux::planificador
