// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/carried_store.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace orbelux::campo {

namespace ef = orbelux::efemerides;

namespace {

// The six values carried, in the order they are stored.
std::array<double*, 6> Valores(ef::ElementosOrbitales& el) {
  return {&el.semieje, &el.excentricidad, &el.inclinacion,
          &el.nodo,    &el.perihelio,     &el.anomalia_media};
}

}  // namespace

std::array<double, 6> ValoresAcarreados(const ef::ElementosOrbitales& el) {
  ef::ElementosOrbitales copia = el;
  std::array<double, 6> valores{};
  std::size_t i = 0;
  for (double* v : Valores(copia)) valores[i++] = *v;
  return valores;
}

void PonerAcarreados(const std::array<double, 6>& valores, double epoca,
                     ef::ElementosOrbitales& el) {
  std::size_t i = 0;
  for (double* v : Valores(el)) *v = valores[i++];
  el.epoca = epoca;
  el.forma = ef::FormaOrbita::Semieje;
}

ClaveCache ClaveAcarreos(const ClaveCache& archivo, double epoca) {
  ClaveCache clave = archivo;
  clave.AnadirParte("contenido", "elementos acarreados");
  clave.AnadirParte("movimiento", "perturbado");
  char texto[32];
  const auto fin = std::to_chars(texto, texto + sizeof texto, epoca);
  clave.AnadirParte("epoca TT", std::string_view(texto, static_cast<std::size_t>(fin.ptr - texto)));
  clave.AnadirParte("binario", std::endian::native == std::endian::little ? "f64le" : "f64be");
  return clave;
}

void AnotarAcarreo(std::string& destino, std::uint64_t linea,
                   const std::optional<ef::ElementosOrbitales>& llevado) {
  char bytes[kBytesAcarreo];
  std::memcpy(bytes, &linea, 8);
  ef::ElementosOrbitales el = llevado.value_or(ef::ElementosOrbitales{});
  std::size_t pos = 8;
  for (double* v : Valores(el)) {
    const double valor = llevado ? *v : std::numeric_limits<double>::quiet_NaN();
    std::memcpy(bytes + pos, &valor, 8);
    pos += 8;
  }
  destino.append(bytes, kBytesAcarreo);
}

std::optional<TablaAcarreos> TablaAcarreos::Leer(std::string carga, double epoca) {
  if (carga.size() % kBytesAcarreo != 0) return std::nullopt;
  TablaAcarreos tabla(std::move(carga), epoca);
  for (std::size_t i = 1; i < tabla.Registros(); ++i) {
    if (tabla.Linea(i) <= tabla.Linea(i - 1)) return std::nullopt;
  }
  return tabla;
}

std::uint64_t TablaAcarreos::Linea(std::size_t i) const {
  std::uint64_t linea = 0;
  std::memcpy(&linea, carga_.data() + i * kBytesAcarreo, 8);
  return linea;
}

FilaAcarreo PonerFila(std::string_view fila, double epoca, ef::ElementosOrbitales& el) {
  const char* bytes = fila.data() + 8;
  double primero = 0;
  std::memcpy(&primero, bytes, 8);
  if (std::isnan(primero)) return FilaAcarreo::SinAcarreo;
  for (double* v : Valores(el)) {
    std::memcpy(v, bytes, 8);
    bytes += 8;
  }
  el.epoca = epoca;
  el.forma = ef::FormaOrbita::Semieje;
  return FilaAcarreo::Acarreado;
}

TablaAcarreos::Hallado TablaAcarreos::Buscar(std::uint64_t linea, ef::ElementosOrbitales& el,
                                             std::uint32_t* fila) const {
  std::size_t desde = 0;
  std::size_t hasta = Registros();
  while (desde < hasta) {
    const std::size_t medio = desde + (hasta - desde) / 2;
    if (Linea(medio) < linea) {
      desde = medio + 1;
    } else {
      hasta = medio;
    }
  }
  if (desde == Registros() || Linea(desde) != linea) return Hallado::NoGuardado;
  if (fila != nullptr) *fila = static_cast<std::uint32_t>(desde);
  return PonerFila(std::string_view(carga_).substr(desde * kBytesAcarreo, kBytesAcarreo), epoca_,
                   el) == FilaAcarreo::Acarreado
             ? Hallado::Acarreado
             : Hallado::SinAcarreo;
}

}  // namespace orbelux::campo
