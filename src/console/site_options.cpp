// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/site_options.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "console/angles.h"
#include "ephemeris/packed_fields.h"

namespace orbelux::consola {

namespace {

namespace ef = orbelux::efemerides;

constexpr double kLongitudMaxima = 360;
constexpr double kLatitudMaxima = 90;
constexpr double kAlturaMinima = -1000;
constexpr double kAlturaMaxima = 10000;

std::vector<std::string_view> Partes(std::string_view texto, char separador) {
  std::vector<std::string_view> partes;
  for (;;) {
    const std::size_t pos = texto.find(separador);
    partes.push_back(texto.substr(0, pos));
    if (pos == std::string_view::npos) return partes;
    texto.remove_prefix(pos + 1);
  }
}

// A longitude or a latitude: degrees in any written form, never hours.
double Grados(std::string_view texto, const std::string& opcion, const char* parte) {
  AnguloEscrito angulo;
  try {
    angulo = LeerAngulo(texto);
  } catch (const ErrorAngulo& e) {
    throw ErrorOpcionSitio(opcion + "en " + parte + ", " + e.what());
  }
  if (angulo.horas) {
    throw ErrorOpcionSitio(opcion + parte + " se da en grados (° ' \"), no en horas");
  }
  return angulo.valor;
}

std::string Formato(const char* formato, double valor) {
  char texto[64];
  std::snprintf(texto, sizeof texto, formato, valor);
  return texto;
}

}  // namespace

SitioElegido SitioDeObservatorio(std::string_view codigo) {
  std::string mayusculas(codigo);
  for (char& c : mayusculas) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  std::optional<ef::Sitio> sitio;
  try {
    sitio = ef::BuscarObservatorio(mayusculas);
  } catch (const ef::ErrorSitio& e) {
    throw ErrorOpcionSitio("--observatorio " + std::string(codigo) + ": " + e.what() +
                           "; elija un observatorio en tierra o dé el lugar con --lugar");
  }
  if (!sitio) {
    throw ErrorOpcionSitio("--observatorio " + std::string(codigo) +
                           ": no es un código de observatorio del MPC (como 950, J86 o Z84); "
                           "--observatorio buscar:PALABRA busca los códigos por su nombre");
  }
  SitioElegido elegido;
  elegido.descripcion = sitio->codigo + " " + sitio->nombre;
  elegido.sitio = std::move(*sitio);
  return elegido;
}

std::string ListadoObservatorios(std::string_view palabra) {
  if (palabra.find_first_not_of(' ') == std::string_view::npos) {
    throw ErrorOpcionSitio(
        "--observatorio buscar: falta la palabra que buscar, como en "
        "--observatorio buscar:Calar");
  }
  const std::vector<ef::Sitio> sitios = ef::BuscarObservatoriosPorNombre(palabra);
  if (sitios.empty()) {
    return "Ningún observatorio de la lista del MPC tiene «" + std::string(palabra) +
           "» en su nombre.\n";
  }
  std::string listado;
  for (const ef::Sitio& s : sitios) {
    listado += s.codigo + "  " + s.nombre;
    if (!s.con_coordenadas) listado += " (sin coordenadas: no se puede usar)";
    listado += '\n';
  }
  return listado;
}

SitioElegido SitioDeLugar(std::string_view valor) {
  const std::string opcion = "--lugar " + std::string(valor) + ": ";
  const std::vector<std::string_view> partes = Partes(valor, ',');
  if (partes.size() < 2 || partes.size() > 3) {
    throw ErrorOpcionSitio(opcion +
                           "se espera LONGITUD,LATITUD o LONGITUD,LATITUD,ALTITUD, como "
                           "-3.3842,37.064,2896 (grados, negativos al oeste y al sur; metros)");
  }
  const std::optional<double> longitud = Grados(partes[0], opcion, "la longitud");
  const std::optional<double> latitud = Grados(partes[1], opcion, "la latitud");
  std::optional<double> altura = 0.0;
  if (partes.size() == 3) altura = ef::NumeroDecimal(partes[2]);
  if (!altura) throw ErrorOpcionSitio(opcion + "la altitud se da en metros, como 2896");
  if (std::abs(*longitud) > kLongitudMaxima) {
    throw ErrorOpcionSitio(opcion + "la longitud debe estar entre -360 y 360 grados");
  }
  if (std::abs(*latitud) > kLatitudMaxima) {
    throw ErrorOpcionSitio(opcion + "la latitud debe estar entre -90 y 90 grados");
  }
  if (!(*altura >= kAlturaMinima && *altura <= kAlturaMaxima)) {
    throw ErrorOpcionSitio(opcion + "la altitud debe estar entre -1000 y 10000 metros");
  }
  SitioElegido elegido;
  try {
    elegido.sitio = ef::SitioGeodesico(*longitud, *latitud, *altura);
  } catch (const ef::ErrorSitio& e) {
    throw ErrorOpcionSitio(opcion + e.what());
  }
  elegido.descripcion = "lon " + Formato("%.5f", *longitud) + ", lat " +
                        Formato("%+.5f", *latitud) + ", " + Formato("%.0f", *altura) + " m";
  return elegido;
}

void ComprobarObservatorioOLugar(const std::optional<std::string>& observatorio,
                                 const std::optional<std::string>& lugar) {
  if (observatorio && lugar) {
    throw ErrorUso("--observatorio y --lugar no pueden ir juntas: las dos dan el lugar");
  }
}

std::optional<std::string> ListadoPedido(const std::optional<std::string>& observatorio) {
  if (!observatorio ||
      !IgualSinMayusculas(std::string_view(*observatorio).substr(0, kPrefijoBusqueda.size()),
                          kPrefijoBusqueda)) {
    return std::nullopt;
  }
  return ListadoObservatorios(std::string_view(*observatorio).substr(kPrefijoBusqueda.size()));
}

std::optional<SitioElegido> SitioDeOpciones(const std::optional<std::string>& observatorio,
                                            const std::optional<std::string>& lugar) {
  ComprobarObservatorioOLugar(observatorio, lugar);
  if (observatorio) return SitioDeObservatorio(*observatorio);
  if (lugar) return SitioDeLugar(*lugar);
  return std::nullopt;
}

}  // namespace orbelux::consola
