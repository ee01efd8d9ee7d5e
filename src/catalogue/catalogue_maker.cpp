// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue_maker.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/catalogue_line.h"
#include "ephemeris/astrometric.h"
#include "ephemeris/element_source.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"
#include "platform/atomic_write.h"
#include "platform/parallel_batches.h"

namespace orbelux::catalogo {

namespace ef = orbelux::efemerides;

namespace {

// What every line shares: the instant, the observer and, for perturbed motion, the
// table of the planets and the integrator.
struct Contexto {
  const ef::Instante* instante = nullptr;
  ef::Vector3 observador;  // heliocentric
  ef::Vector3 velocidad_sol;
  double t = 0;  // TDB days from J2000
  std::string_view dia_juliano;
  const ef::MovimientoPerturbado* movimiento = nullptr;  // null: two-body motion
};

ef::LugarAstrometrico Posicion(const ef::ElementosOrbitales& el, const Contexto& ctx) {
  if (ctx.movimiento == nullptr) {
    return ef::Astrometrico(ef::OrbitaKepleriana(el), ctx.observador, *ctx.instante);
  }
  try {
    const ef::EstadoCartesiano en_instante =
        ctx.movimiento->Propagar(ef::EstadoDeElementos(el), el.epoca - ef::kJ2000, ctx.t);
    return ef::AstrometricoDesdeEstado(en_instante, ctx.observador, ctx.velocidad_sol);
  } catch (const ef::ErrorIntegracion& e) {
    throw ErrorPosicion("no se puede calcular la posición del asteroide " +
                        std::to_string(el.numero) + ": " + e.what());
  }
}

// Lines [desde, hasta) of the catalogue, each at its own place in `texto`.
void EscribirLineas(std::span<const ef::ElementosOrbitales> elementos, std::size_t desde,
                    std::size_t hasta, const Contexto& ctx, char* texto) {
  char* destino = texto + desde * kAnchoLinea;
  for (std::size_t i = desde; i < hasta; ++i) {
    const ef::ElementosOrbitales& el = elementos[i];
    const ef::LugarAstrometrico lugar = Posicion(el, ctx);
    if (!std::isfinite(lugar.ascension_recta) || !std::isfinite(lugar.declinacion)) {
      throw ErrorPosicion("no se puede calcular la posición del asteroide " +
                          std::to_string(el.numero) + " con sus elementos");
    }
    DatosLinea datos;
    datos.numero = el.numero;
    datos.nombre = el.Nombre();
    datos.dia_juliano = i == 0 ? ctx.dia_juliano : std::string_view();
    datos.ascension_recta = lugar.ascension_recta;
    datos.declinacion = lugar.declinacion;
    if (el.tiene_H) {
      datos.magnitud = ef::MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase);
    }
    const LineaCatalogo linea = FormatearLinea(datos);
    destino = std::copy(linea.begin(), linea.end(), destino);
  }
}

// Asteroids per batch taken by a thread. An integration costs some hundred times a
// Kepler solution, so batches of it are small: the threads stay busy to the end even
// when the costly near-Earth orbits bunch together.
constexpr std::size_t kLoteDosCuerpos = 2048;
constexpr std::size_t kLotePerturbado = 16;

// The span of TDB days from J2000 that the integrations cover, with room for the light
// time at the far end.
std::pair<double, double> Intervalo(std::span<const ef::ElementosOrbitales> elementos, double t) {
  double desde = t;
  double hasta = t;
  for (const auto& el : elementos) {
    desde = std::min(desde, el.epoca - ef::kJ2000);
    hasta = std::max(hasta, el.epoca - ef::kJ2000);
  }
  return {desde - 1, hasta + 1};
}

}  // namespace

std::string TextoCatalogo(std::span<const ef::ElementosOrbitales> elementos,
                          const ef::Instante& instante, const OpcionesCatalogo& opciones) {
  const std::string dia_juliano = TextoDiaJuliano(instante.utc.Total());
  const std::size_t n = elementos.size();
  const bool perturbado = opciones.movimiento == Movimiento::Perturbado;
  const std::size_t lote = perturbado ? kLotePerturbado : kLoteDosCuerpos;
  const unsigned procesadores =
      opciones.hilos != 0 ? opciones.hilos
                          : std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u);

  Contexto ctx;
  ctx.instante = &instante;
  ctx.observador = ef::PosicionObservador(instante, opciones.sitio.value_or(ef::Sitio{}));
  ctx.dia_juliano = dia_juliano;
  ctx.t = (instante.tdb.entera - ef::kJ2000) + instante.tdb.fraccion;
  std::optional<ef::TablaPlanetas> tabla;
  std::optional<ef::MovimientoPerturbado> movimiento;
  if (perturbado && n > 0) {
    const auto [desde, hasta] = Intervalo(elementos, ctx.t);
    const double anios = (hasta - desde) / 365.25;
    if (anios > kMaximoAniosIntegracion) {
      char texto_anios[32];
      std::snprintf(texto_anios, sizeof texto_anios, "%.0f", anios);
      throw ErrorPosicion(std::string("la fecha y las épocas de los elementos abarcan ") +
                          texto_anios + " años, demasiado para integrar las órbitas (como mucho " +
                          std::to_string(static_cast<int>(kMaximoAniosIntegracion)) +
                          "); --dos-cuerpos las calcula sin los planetas");
    }
    std::function<void(std::size_t, std::size_t)> aviso_tabla;
    if (opciones.progreso) {
      aviso_tabla = [&opciones](std::size_t hechos, std::size_t total) {
        opciones.progreso(Etapa::Planetas, hechos, total);
      };
    }
    tabla.emplace(desde, hasta, std::max(procesadores, 1u), aviso_tabla);
    movimiento.emplace(&*tabla);
    ctx.movimiento = &*movimiento;
    ctx.velocidad_sol = ef::VelocidadBaricentricaSol(instante);
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
        EscribirLineas(elementos, desde, hasta, ctx, texto.data());
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
  const double instante = peticion.instante.tt.Total();
  for (const auto& el : elementos) {
    if (std::abs(instante - el.epoca) > kDiasEpocaLejana) ++resultado.epocas_lejanas;
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
