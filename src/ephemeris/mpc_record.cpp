// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/mpc_record.h"

#include <algorithm>
#include <utility>

#include "ephemeris/packed_fields.h"

namespace orbelux::efemerides {

namespace {

struct Campo {
  const char* nombre;
  std::size_t desde;
  std::size_t hasta;
};

constexpr Campo kH{"la magnitud absoluta H", 9, 13};
constexpr Campo kG{"la pendiente G", 15, 19};
constexpr Campo kEpoca{"la época", 21, 25};
constexpr Campo kAnomalia{"la anomalía media", 27, 35};
constexpr Campo kPerihelio{"el argumento del perihelio", 38, 46};
constexpr Campo kNodo{"la longitud del nodo", 49, 57};
constexpr Campo kInclinacion{"la inclinación", 60, 68};
constexpr Campo kExcentricidad{"la excentricidad", 71, 79};
constexpr Campo kSemieje{"el semieje mayor", 93, 103};
constexpr Campo kNombre{"el nombre", 167, 194};

}  // namespace

std::string_view Columnas(std::string_view linea, std::size_t desde, std::size_t hasta) {
  if (linea.size() < desde) return {};
  return linea.substr(desde - 1, hasta - desde + 1);
}

std::string Cita(std::string_view texto) {
  std::string cita = "\u00ab";
  for (const char c : texto) {
    const auto u = static_cast<unsigned char>(c);
    cita += (u >= 0x20 && u < 0x7f) ? c : '?';
  }
  return cita + "\u00bb";
}

std::string Prefijo(const std::string& archivo, std::uint64_t numero_linea) {
  return archivo + ", línea " + std::to_string(numero_linea) + ": ";
}

namespace {

std::string MalCampo(const std::string& archivo, std::uint64_t numero_linea, const Campo& campo,
                     std::string_view texto, std::string_view explicacion) {
  return Prefijo(archivo, numero_linea) + std::string(campo.nombre) + " (columnas " +
         std::to_string(campo.desde) + "-" + std::to_string(campo.hasta) + ") " +
         std::string(explicacion) + ": " + Cita(texto);
}

}  // namespace

std::string_view DesignacionLegible(std::string_view linea) {
  const std::string_view nombre = Columnas(linea, kNombre.desde, kNombre.hasta);
  const std::size_t primero = nombre.find_first_not_of(" \t");
  if (primero == std::string_view::npos) return {};
  return nombre.substr(primero, nombre.find_last_not_of(" \t") - primero + 1);
}

std::optional<std::string> ConvertirRegistro(std::string_view linea, std::int32_t numero,
                                             std::uint64_t numero_linea, const std::string& archivo,
                                             CacheEpoca& cache, ElementosOrbitales& el) {
  const auto decimal = [&](const Campo& campo, double& valor) -> std::optional<std::string> {
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

}  // namespace orbelux::efemerides
