// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue_maker.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue_line.h"
#include "ephemeris/element_source.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/perturbed_motion.h"
#include "platform/atomic_write.h"
#include "platform/parallel_batches.h"

namespace orbelux::catalogo {

namespace ef = orbelux::efemerides;

namespace {

// The place of one asteroid, or the reason it has none, naming the asteroid.
ef::LugarAstrometrico Posicion(const ef::ElementosOrbitales& el,
                               const ef::ContextoEfemerides& ctx) {
  ef::LugarAstrometrico lugar;
  try {
    lugar = ctx.Lugar(el);
  } catch (const ef::ErrorIntegracion& e) {
    throw ErrorPosicion("no se puede calcular la posición del asteroide " +
                        std::to_string(el.numero) + ": " + e.what());
  }
  if (!std::isfinite(lugar.ascension_recta) || !std::isfinite(lugar.declinacion)) {
    throw ErrorPosicion("no se puede calcular la posición del asteroide " +
                        std::to_string(el.numero) + " con sus elementos");
  }
  return lugar;
}

// Lines [desde, hasta) of the catalogue, each at its own place in `texto`.
void EscribirLineas(std::span<const ef::ElementosOrbitales> elementos, std::size_t desde,
                    std::size_t hasta, const ef::ContextoEfemerides& ctx,
                    std::string_view dia_juliano, char* texto) {
  char* destino = texto + desde * kAnchoLinea;
  for (std::size_t i = desde; i < hasta; ++i) {
    const ef::ElementosOrbitales& el = elementos[i];
    const ef::LugarAstrometrico lugar = Posicion(el, ctx);
    DatosLinea datos;
    datos.numero = el.numero;
    datos.nombre = el.Nombre();
    datos.dia_juliano = i == 0 ? dia_juliano : std::string_view();
    datos.ascension_recta = lugar.ascension_recta;
    datos.declinacion = lugar.declinacion;
    datos.magnitud = ef::Magnitud(el, lugar.r, lugar.delta, lugar.tan_media_fase);
    const LineaCatalogo linea = FormatearLinea(datos);
    destino = std::copy(linea.begin(), linea.end(), destino);
  }
}

// Asteroids per batch taken by a thread. An integration costs some hundred times a
// Kepler solution, so batches of it are small: the threads stay busy to the end even
// when the costly near-Earth orbits bunch together.
constexpr std::size_t kLoteDosCuerpos = 2048;
constexpr std::size_t kLotePerturbado = 16;

}  // namespace

std::string TextoCatalogo(std::span<const ef::ElementosOrbitales> elementos,
                          const ef::Instante& instante, const OpcionesCatalogo& opciones) {
  const std::string dia_juliano = TextoDiaJuliano(instante.utc.Total());
  const std::size_t n = elementos.size();
  const bool perturbado = opciones.movimiento == Movimiento::Perturbado;
  const std::size_t lote = perturbado ? kLotePerturbado : kLoteDosCuerpos;
  const unsigned procesadores = HilosPorOmision(opciones.hilos);

  ef::ContextoEfemerides ctx(instante, opciones.sitio.value_or(ef::Sitio{}), opciones.movimiento);
  if (perturbado && n > 0) {
    ef::IntervaloEpocas intervalo(ctx.T());
    for (const auto& el : elementos) intervalo.Incluir(el.epoca);
    std::function<void(std::size_t, std::size_t)> aviso_tabla;
    if (opciones.progreso) {
      aviso_tabla = [&opciones](std::size_t hechos, std::size_t total) {
        opciones.progreso(Etapa::Planetas, hechos, total);
      };
    }
    ctx.PrepararPlanetas(intervalo, procesadores, aviso_tabla);
  }

  std::string texto(n * kAnchoLinea, ' ');
  // Every asteroid is independent of the others: each thread writes its own lines of the
  // text, so the result is the same whatever the threads.
  std::function<void(std::size_t, std::size_t)> aviso;
  if (opciones.progreso) {
    aviso = [&opciones](std::size_t hechos, std::size_t total) {
      opciones.progreso(Etapa::Posiciones, hechos, total);
    };
  }
  RepartirEnLotes(
      n, lote, procesadores,
      [&](std::size_t desde, std::size_t hasta) {
        EscribirLineas(elementos, desde, hasta, ctx, dia_juliano, texto.data());
      },
      aviso);
  if (aviso) aviso(n, n);
  return texto;
}

ResultadoCatalogo HacerCatalogo(const PeticionCatalogo& peticion, SistemaArchivos& sistema) {
  ef::OpcionesLectura opciones;
  opciones.nombre = peticion.nombre_elementos;
  opciones.hasta = peticion.hasta;
  opciones.tope = kMaximoAsteroides;
  std::vector<ef::ElementosOrbitales> elementos;
  {
    ef::AvisoLectura aviso;
    if (const auto& progreso = peticion.opciones.progreso) {
      aviso = [&progreso](std::uint64_t hechos, std::uint64_t total) {
        progreso(Etapa::Lectura, static_cast<std::size_t>(hechos), static_cast<std::size_t>(total));
      };
    }
    ef::ArchivoElementos archivo(peticion.elementos, sistema, std::move(aviso));
    elementos = ef::LeerElementosMPC(archivo, opciones);
  }

  ResultadoCatalogo resultado;
  resultado.asteroides = static_cast<std::int32_t>(elementos.size());
  for (const auto& el : elementos) {
    if (ef::EpocaLejana(peticion.instante, el.epoca)) ++resultado.epocas_lejanas;
  }
  const std::string texto = TextoCatalogo(elementos, peticion.instante, peticion.opciones);
  resultado.dia_juliano = TextoDiaJuliano(peticion.instante.utc.Total());

  if (peticion.flujo != nullptr) {
    errno = 0;
    peticion.flujo->write(texto.data(), static_cast<std::streamsize>(texto.size()));
    peticion.flujo->flush();
    return resultado;
  }
  EscrituraAtomica escritura(sistema, peticion.salida);
  escritura.Escribir(texto);
  escritura.Confirmar();
  return resultado;
}

}  // namespace orbelux::catalogo
