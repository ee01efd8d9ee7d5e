#include "catalogue/catalogue_maker.h"

#include <cmath>
#include <vector>

#include "catalogue/catalogue_line.h"
#include "ephemeris/astrometric.h"
#include "ephemeris/element_source.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/two_body.h"

namespace orbelux::catalogo {

namespace ef = orbelux::efemerides;

std::string TextoCatalogo(std::span<const ef::ElementosOrbitales> elementos,
                          const ef::Instante& instante) {
  const ef::Vector3 tierra = ef::PosicionTierra(instante);
  const std::string dia_juliano = TextoDiaJuliano(instante.utc.Total());
  std::string texto;
  texto.resize(elementos.size() * kAnchoLinea);
  char* destino = texto.data();
  for (const ef::ElementosOrbitales& el : elementos) {
    const ef::OrbitaKepleriana orbita(el);
    const ef::LugarAstrometrico lugar = ef::Astrometrico(orbita, tierra, instante);
    if (!std::isfinite(lugar.ascension_recta) || !std::isfinite(lugar.declinacion)) {
      throw ErrorPosicion("no se puede calcular la posición del asteroide " +
                          std::to_string(el.numero) + " con sus elementos");
    }
    DatosLinea datos;
    datos.numero = el.numero;
    datos.nombre = el.Nombre();
    datos.dia_juliano = destino == texto.data() ? std::string_view(dia_juliano) : "";
    datos.ascension_recta = lugar.ascension_recta;
    datos.declinacion = lugar.declinacion;
    if (el.tiene_H) {
      datos.magnitud = ef::MagnitudHG(el.H, el.G, lugar.r, lugar.delta, lugar.fase);
    }
    const LineaCatalogo linea = FormatearLinea(datos);
    destino = std::copy(linea.begin(), linea.end(), destino);
  }
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
