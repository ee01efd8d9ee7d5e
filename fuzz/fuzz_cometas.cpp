// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a comet elements file (CometEls.txt), read by the field search in
// two-body motion over the whole sky, and line by line by the comet reader: every input
// must end in a clear error or in objects with finite places, and every record that
// converts must give a conic the universal-variable solution can follow.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "ephemeris/comet_record.h"
#include "ephemeris/element_source.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/two_body.h"
#include "field/field_search.h"

namespace {

namespace ef = orbelux::efemerides;
namespace campo = orbelux::campo;

void Exigir(bool condicion, const char* que) {
  if (!condicion) {
    std::fprintf(stderr, "comet check failed: %s\n", que);
    std::abort();
  }
}

void ProbarLineas(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t salto = bytes.find('\n', pos);
    if (salto == std::string_view::npos) salto = bytes.size();
    const std::string_view linea = bytes.substr(pos, salto - pos);
    pos = salto + 1;
    std::int32_t numero = -1;
    const ef::ClaseLinea clase = ef::FormatoCometas().Clasificar(linea, numero);
    Exigir(numero == 0, "comet number");
    if (clase != ef::ClaseLinea::Registro) continue;
    ef::ElementosOrbitales el;
    const auto error = ef::ConvertirCometa(linea, 1, "cometas", el);
    if (error) {
      Exigir(error->rfind("cometas, línea 1: ", 0) == 0, "message prefix");
      continue;
    }
    Exigir(el.distancia_perihelio > 0 && el.excentricidad >= 0 && el.excentricidad < 100,
           "conic ranges");
    Exigir(std::isfinite(el.paso_perihelio) && std::isfinite(el.epoca), "dates");
    // A year either side of perihelion the root satisfies its equation and r >= q.
    for (const double dias : {-365.25, 0.0, 0.5, 365.25}) {
      const ef::SolucionUniversal s =
          ef::ResolverUniversal(el.distancia_perihelio, el.excentricidad, dias, NAN);
      if (!std::isfinite(s.r)) continue;  // a hyperbola beyond what a double holds
      Exigir(s.r >= el.distancia_perihelio * (1 - 1e-9), "r below q");
      const double residuo = el.excentricidad * s.chi * s.chi * s.chi * s.s.c3 +
                             el.distancia_perihelio * s.chi - ef::kGauss * s.dt;
      Exigir(std::abs(residuo) <= 1e-9 * (1 + std::abs(ef::kGauss * s.dt)), "Kepler residual");
    }
  }
}

void ProbarCampo(std::string_view bytes) {
  static const ef::Instante instante = ef::InstanteDesdeCalendario(2024, 10, 14, 17, 0, 0);
  ef::FuenteMemoria fuente(bytes);
  campo::PeticionCampo p;
  p.instante = instante;
  p.radio = 3.14159265358979 * 0.999;
  p.perturbado = false;
  p.hilos = 1;
  p.nombre_elementos = "cometas";
  try {
    const campo::ResultadoCampo r = campo::BuscarEnCampo(fuente, p);
    Exigir(r.objetos.size() + r.omitidos <= r.registros, "counts");
    for (const campo::ObjetoCampo& o : r.objetos) {
      Exigir(std::isfinite(o.ar) && std::isfinite(o.dec) && std::isfinite(o.delta), "place");
      Exigir(o.ar >= 0 && o.ar < 360 && std::abs(o.dec) <= 90, "place ranges");
    }
  } catch (const ef::ErrorElementos& e) {
    Exigir(std::strlen(e.what()) > 0, "error message");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  const std::string_view bytes(reinterpret_cast<const char*>(datos), n);
  ProbarLineas(bytes);
  ProbarCampo(bytes);
  return 0;
}
