#include "catalogue/catalogue_maker.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <future>
#include <string_view>
#include <thread>
#include <vector>

#include "catalogue/catalogue_line.h"
#include "ephemeris/astrometric.h"
#include "ephemeris/element_source.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/two_body.h"

namespace orbelux::catalogo {

namespace ef = orbelux::efemerides;

namespace {

// Lines [desde, hasta) of the catalogue, each at its own place in `texto`.
void EscribirLineas(std::span<const ef::ElementosOrbitales> elementos, std::size_t desde,
                    std::size_t hasta, const ef::Instante& instante, const ef::Vector3& tierra,
                    std::string_view dia_juliano, char* texto) {
  char* destino = texto + desde * kAnchoLinea;
  for (std::size_t i = desde; i < hasta; ++i) {
    const ef::ElementosOrbitales& el = elementos[i];
    const ef::OrbitaKepleriana orbita(el);
    const ef::LugarAstrometrico lugar = ef::Astrometrico(orbita, tierra, instante);
    if (!std::isfinite(lugar.ascension_recta) || !std::isfinite(lugar.declinacion)) {
      throw ErrorPosicion("no se puede calcular la posición del asteroide " +
                          std::to_string(el.numero) + " con sus elementos");
    }
    DatosLinea datos;
    datos.numero = el.numero;
    datos.nombre = el.Nombre();
    datos.dia_juliano = i == 0 ? dia_juliano : std::string_view();
    datos.ascension_recta = lugar.ascension_recta;
    datos.declinacion = lugar.declinacion;
    if (el.tiene_H) {
      datos.magnitud = ef::MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.tan_media_fase);
    }
    const LineaCatalogo linea = FormatearLinea(datos);
    destino = std::copy(linea.begin(), linea.end(), destino);
  }
}

// Below this, starting threads costs more than it saves.
constexpr std::size_t kLineasPorHilo = 2048;

}  // namespace

std::string TextoCatalogo(std::span<const ef::ElementosOrbitales> elementos,
                          const ef::Instante& instante) {
  const ef::Vector3 tierra = ef::PosicionTierra(instante);
  const std::string dia_juliano = TextoDiaJuliano(instante.utc.Total());
  std::string texto(elementos.size() * kAnchoLinea, ' ');
  // Every asteroid is independent of the others: the lines are shared out among the
  // processors, each writing its own part of the text.
  const std::size_t n = elementos.size();
  const std::size_t hilos =
      std::clamp<std::size_t>(std::min<std::size_t>(std::thread::hardware_concurrency(), 8), 1,
                              std::max<std::size_t>(n / kLineasPorHilo, 1));
  std::vector<std::future<void>> partes;
  for (std::size_t h = 1; h < hilos; ++h) {
    partes.push_back(std::async(std::launch::async, EscribirLineas, elementos, n * h / hilos,
                                n * (h + 1) / hilos, std::cref(instante), std::cref(tierra),
                                std::string_view(dia_juliano), texto.data()));
  }
  // This thread takes the first part; the others' failures come out of get() in order, so
  // the asteroid named is always the lowest-numbered that failed.
  std::exception_ptr fallo;
  try {
    EscribirLineas(elementos, 0, n / hilos, instante, tierra, dia_juliano, texto.data());
  } catch (...) {
    fallo = std::current_exception();
  }
  for (auto& parte : partes) {
    try {
      parte.get();
    } catch (...) {
      if (!fallo) fallo = std::current_exception();
    }
  }
  if (fallo) std::rethrow_exception(fallo);
  return texto;
}

ResultadoCatalogo HacerCatalogo(const PeticionCatalogo& peticion, SistemaArchivos& sistema) {
  ef::OpcionesLectura opciones;
  opciones.nombre = peticion.nombre_elementos;
  opciones.hasta = peticion.hasta;
  opciones.tope = kMaximoAsteroides;
  std::vector<ef::ElementosOrbitales> elementos;
  {
    ef::ArchivoElementos archivo(peticion.elementos);
    elementos = ef::LeerElementosMPC(archivo, opciones);
  }

  ResultadoCatalogo resultado;
  resultado.asteroides = static_cast<std::int32_t>(elementos.size());
  const double instante = peticion.instante.tt.Total();
  for (const auto& el : elementos) {
    if (std::abs(instante - el.epoca) > kDiasEpocaLejana) ++resultado.epocas_lejanas;
  }
  const std::string texto = TextoCatalogo(elementos, peticion.instante);
  resultado.dia_juliano = TextoDiaJuliano(peticion.instante.utc.Total());

  EscrituraAtomica escritura(sistema, peticion.salida);
  escritura.Escribir(texto);
  escritura.Confirmar();
  return resultado;
}

}  // namespace orbelux::catalogo
