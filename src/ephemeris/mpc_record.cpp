// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/mpc_record.h"

#include <algorithm>
#include <utility>

#include "ephemeris/packed_fields.h"

namespace orbelux::efemerides {

namespace {

constexpr CampoFijo kH{"la magnitud absoluta H", 9, 13};
constexpr CampoFijo kG{"la pendiente G", 15, 19};
constexpr CampoFijo kEpoca{"la época", 21, 25};
constexpr CampoFijo kAnomalia{"la anomalía media", 27, 35};
constexpr CampoFijo kPerihelio{"el argumento del perihelio", 38, 46};
constexpr CampoFijo kNodo{"la longitud del nodo", 49, 57};
constexpr CampoFijo kInclinacion{"la inclinación", 60, 68};
constexpr CampoFijo kExcentricidad{"la excentricidad", 71, 79};
constexpr CampoFijo kSemieje{"el semieje mayor", 93, 103};
constexpr CampoFijo kNombre{"el nombre", 167, 194};

}  // namespace

std::string_view Columnas(std::string_view linea, std::size_t desde, std::size_t hasta) {
  if (linea.size() < desde) return {};
  return linea.substr(desde - 1, hasta - desde + 1);
}

std::string_view DesignacionLegible(std::string_view linea) {
  const std::string_view nombre = Columnas(linea, kNombre.desde, kNombre.hasta);
  const std::size_t primero = nombre.find_first_not_of(" \t");
  if (primero == std::string_view::npos) return {};
  return nombre.substr(primero, nombre.find_last_not_of(" \t") - primero + 1);
}

std::optional<std::string> ConvertirRegistro(std::string_view linea, std::int32_t numero,
                                             std::uint64_t numero_linea, const std::string& archivo,
                                             CacheEpoca& cache, ElementosOrbitales& el) {
  const auto decimal = [&](const CampoFijo& campo, double& valor) -> std::optional<std::string> {
    const std::string_view texto = Columnas(linea, campo.desde, campo.hasta);
    const std::optional<double> leido = NumeroDecimal(texto);
    if (!leido) {
      return MalCampo(archivo, numero_linea, campo, texto,
                      CampoEnBlanco(texto) ? "está vacío" : "no es un número");
    }
    valor = *leido;
    return std::nullopt;
  };
  el.numero = numero;
  el.ley = LeyMagnitud::HG;
  el.tiene_H = !CampoEnBlanco(Columnas(linea, kH.desde, kH.hasta));
  if (el.tiene_H) {
    if (auto error = decimal(kH, el.H)) return error;
  }
  if (!CampoEnBlanco(Columnas(linea, kG.desde, kG.hasta))) {
    if (auto error = decimal(kG, el.G)) return error;
  }
  const std::string_view epoca = Columnas(linea, kEpoca.desde, kEpoca.hasta);
  if (!cache.hay || epoca != cache.texto) {
    const std::optional<double> jd = EpocaEmpaquetada(epoca);
    if (!jd) return MalCampo(archivo, numero_linea, kEpoca, epoca, "no es una fecha empaquetada");
    cache.texto.assign(epoca);
    cache.dia_juliano = *jd;
    cache.hay = true;
  }
  el.epoca = cache.dia_juliano;
  for (const auto& [campo, valor] :
       {std::pair{&kAnomalia, &el.anomalia_media}, std::pair{&kPerihelio, &el.perihelio},
        std::pair{&kNodo, &el.nodo}, std::pair{&kInclinacion, &el.inclinacion},
        std::pair{&kExcentricidad, &el.excentricidad}, std::pair{&kSemieje, &el.semieje}}) {
    if (auto error = decimal(*campo, *valor)) return error;
  }
  if (!(el.excentricidad >= 0 && el.excentricidad < 1)) {
    return MalCampo(archivo, numero_linea, kExcentricidad,
                    Columnas(linea, kExcentricidad.desde, kExcentricidad.hasta),
                    "no está entre 0 y 1 (sólo se calculan órbitas elípticas)");
  }
  if (!(el.semieje > 0)) {
    return MalCampo(archivo, numero_linea, kSemieje,
                    Columnas(linea, kSemieje.desde, kSemieje.hasta), "no es positivo");
  }
  const std::string_view nombre = DesignacionLegible(linea);
  std::copy(nombre.begin(), nombre.end(), el.nombre.begin());
  el.largo_nombre = static_cast<std::uint8_t>(nombre.size());
  return std::nullopt;
}

namespace {

// Columns 1-194 are all a record is read for.
constexpr std::size_t kAnchoUtil = 194;

class FormatoExportacionMPC final : public FormatoElementos {
 public:
  std::size_t AnchoUtil() const override { return kAnchoUtil; }

  ClaseLinea Clasificar(std::string_view linea, std::int32_t& numero) const override {
    const std::size_t fin = linea.find_last_not_of(" \t");
    if (fin == std::string_view::npos) return ClaseLinea::EnBlanco;
    const std::string_view designacion = Columnas(linea, 1, 7);
    if (const auto n = NumeroEmpaquetado(designacion)) {
      numero = *n;
      return ClaseLinea::Registro;
    }
    if (EsDesignacionProvisional(designacion)) {
      numero = 0;
      return ClaseLinea::Registro;
    }
    if (linea.substr(0, fin + 1).find_first_not_of('-') == std::string_view::npos) {
      return ClaseLinea::Guiones;
    }
    return ClaseLinea::Otra;
  }

  std::optional<std::string> Convertir(std::string_view linea, std::int32_t numero,
                                       std::uint64_t numero_linea, const std::string& archivo,
                                       CacheEpoca& cache, ElementosOrbitales& el) const override {
    return ConvertirRegistro(linea, numero, numero_linea, archivo, cache, el);
  }

  std::string_view Designacion(std::string_view linea) const override {
    return Columnas(linea, 1, 7);
  }

  std::string NombreLegible(std::string_view linea) const override {
    const std::string_view legible = DesignacionLegible(linea);
    if (!legible.empty()) return std::string(legible);
    const std::string_view campo = Columnas(linea, 1, 7);
    const std::size_t primero = campo.find_first_not_of(" \t");
    if (primero == std::string_view::npos) return {};
    return std::string(campo.substr(primero, campo.find_last_not_of(" \t") - primero + 1));
  }
};

}  // namespace

const FormatoElementos& FormatoMPC() {
  static const FormatoExportacionMPC formato;
  return formato;
}

}  // namespace orbelux::efemerides
