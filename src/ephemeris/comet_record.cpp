// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/comet_record.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <erfa.h>

#include "ephemeris/mpc_record.h"
#include "ephemeris/packed_fields.h"

namespace orbelux::efemerides {

namespace {

constexpr CampoFijo kAnioPaso{"el año del perihelio", 15, 18};
constexpr CampoFijo kMesPaso{"el mes del perihelio", 20, 21};
constexpr CampoFijo kDiaPaso{"el día del perihelio", 23, 29};
constexpr CampoFijo kQ{"la distancia del perihelio", 31, 39};
constexpr CampoFijo kExcentricidad{"la excentricidad", 42, 49};
constexpr CampoFijo kPerihelio{"el argumento del perihelio", 52, 59};
constexpr CampoFijo kNodo{"la longitud del nodo", 62, 69};
constexpr CampoFijo kInclinacion{"la inclinación", 72, 79};
constexpr CampoFijo kEpoca{"la época", 82, 89};
constexpr CampoFijo kH{"la magnitud absoluta H", 92, 95};
constexpr CampoFijo kG{"la pendiente G", 97, 100};
constexpr CampoFijo kNombre{"el nombre", 103, 158};

// A comet's eccentricity is at most a few units (3I/ATLAS, 6.1); far beyond it the line is
// wrong, and the hyperbola's functions would overflow within days.
constexpr double kExcentricidadMaxima = 100;
// Far beyond any comet seen (the most distant perihelia are tens of AU): a field gone wrong,
// and an orbit whose universal anomaly would be too small for the solver's precision.
constexpr double kQMaxima = 1000;

// Everything a record is read from: the reference after column 158 is left unread.
constexpr std::size_t kAnchoUtil = 158;

bool Cifras(std::string_view texto) {
  return !texto.empty() &&
         std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view Recortar(std::string_view texto) {
  const std::size_t primero = texto.find_first_not_of(" \t");
  if (primero == std::string_view::npos) return {};
  return texto.substr(primero, texto.find_last_not_of(" \t") - primero + 1);
}

// Julian date of a calendar date with a fraction of a day; nullopt when it does not exist.
std::optional<double> DiaJuliano(int anio, int mes, double dia) {
  const double entero = std::floor(dia);
  if (!(dia >= 1 && dia < 32)) return std::nullopt;
  double base = 0;
  double mjd = 0;
  if (eraCal2jd(anio, mes, static_cast<int>(entero), &base, &mjd) != 0) return std::nullopt;
  return base + mjd + (dia - entero);
}

class FormatoCometEls final : public FormatoElementos {
 public:
  std::size_t AnchoUtil() const override { return kAnchoUtil; }

  ClaseLinea Clasificar(std::string_view linea, std::int32_t& numero) const override {
    numero = 0;
    const std::size_t fin = linea.find_last_not_of(" \t");
    if (fin == std::string_view::npos) return ClaseLinea::EnBlanco;
    if (EsRegistroCometa(linea)) return ClaseLinea::Registro;
    if (linea.substr(0, fin + 1).find_first_not_of('-') == std::string_view::npos) {
      return ClaseLinea::Guiones;
    }
    return ClaseLinea::Otra;
  }

  std::optional<std::string> Convertir(std::string_view linea, std::int32_t /*numero*/,
                                       std::uint64_t numero_linea, const std::string& archivo,
                                       CacheEpoca& /*cache*/,
                                       ElementosOrbitales& el) const override {
    return ConvertirCometa(linea, numero_linea, archivo, el);
  }

  std::string_view Designacion(std::string_view linea) const override {
    return Columnas(linea, 1, 12);
  }

  std::string NombreLegible(std::string_view linea) const override {
    const std::string_view nombre = NombreCometa(linea);
    if (!nombre.empty()) return std::string(nombre);
    return std::string(Recortar(Columnas(linea, 1, 12)));
  }
};

}  // namespace

bool EsRegistroCometa(std::string_view linea) {
  // The orbit type, a number in 1-4 or none, and the year and month of T where they
  // stand: an MPCORB line has its G in columns 15-19, never four digits and a blank.
  if (linea.size() < 21) return false;
  const char tipo = linea[4];
  if (std::string_view("CPDXIA").find(tipo) == std::string_view::npos) return false;
  const std::string_view numero = Columnas(linea, 1, 4);
  if (!Cifras(numero) && !CampoEnBlanco(numero)) return false;
  return Cifras(Columnas(linea, 15, 18)) && linea[18] == ' ' &&
         (Cifras(Columnas(linea, 20, 21)) || (linea[19] == ' ' && Cifras(Columnas(linea, 21, 21))));
}

std::string_view NombreCometa(std::string_view linea) {
  return Recortar(Columnas(linea, kNombre.desde, kNombre.hasta));
}

std::optional<std::string> ConvertirCometa(std::string_view linea, std::uint64_t numero_linea,
                                           const std::string& archivo, ElementosOrbitales& el) {
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
  el = {};
  el.numero = 0;
  el.ley = LeyMagnitud::Total;
  el.forma = FormaOrbita::Perihelio;
  el.semieje = 0;

  double anio = 0;
  double mes = 0;
  double dia = 0;
  for (const auto& [campo, valor] :
       {std::pair{&kAnioPaso, &anio}, std::pair{&kMesPaso, &mes}, std::pair{&kDiaPaso, &dia}}) {
    if (auto error = decimal(*campo, *valor)) return error;
  }
  const std::optional<double> paso = DiaJuliano(static_cast<int>(anio), static_cast<int>(mes), dia);
  if (!paso || mes != std::floor(mes) || mes < 1 || mes > 12) {
    return MalCampo(archivo, numero_linea, kDiaPaso,
                    Columnas(linea, kAnioPaso.desde, kDiaPaso.hasta), "no es una fecha");
  }
  el.paso_perihelio = *paso;

  for (const auto& [campo, valor] :
       {std::pair{&kQ, &el.distancia_perihelio}, std::pair{&kExcentricidad, &el.excentricidad},
        std::pair{&kPerihelio, &el.perihelio}, std::pair{&kNodo, &el.nodo},
        std::pair{&kInclinacion, &el.inclinacion}}) {
    if (auto error = decimal(*campo, *valor)) return error;
  }
  if (!(el.distancia_perihelio > 0)) {
    return MalCampo(archivo, numero_linea, kQ, Columnas(linea, kQ.desde, kQ.hasta),
                    "no es positiva");
  }
  if (el.distancia_perihelio > kQMaxima) {
    return MalCampo(archivo, numero_linea, kQ, Columnas(linea, kQ.desde, kQ.hasta),
                    "pasa de 1000 UA");
  }
  if (!(el.excentricidad >= 0 && el.excentricidad < kExcentricidadMaxima)) {
    return MalCampo(archivo, numero_linea, kExcentricidad,
                    Columnas(linea, kExcentricidad.desde, kExcentricidad.hasta),
                    "no está entre 0 y 100");
  }

  const std::string_view epoca = Columnas(linea, kEpoca.desde, kEpoca.hasta);
  if (CampoEnBlanco(epoca)) {
    el.sin_perturbar = true;
    el.epoca = el.paso_perihelio;
  } else {
    std::optional<double> jd;
    if (epoca.size() == 8 && Cifras(epoca)) {
      const auto parte = [&](std::size_t desde, std::size_t largo) {
        int n = 0;
        for (std::size_t i = desde; i < desde + largo; ++i) n = n * 10 + (epoca[i] - '0');
        return n;
      };
      jd = DiaJuliano(parte(0, 4), parte(4, 2), parte(6, 2));
    }
    if (!jd) return MalCampo(archivo, numero_linea, kEpoca, epoca, "no es una fecha AAAAMMDD");
    el.epoca = *jd;
  }

  // The total magnitude needs both H and G; with either blank it is unknown.
  const bool hay_H = !CampoEnBlanco(Columnas(linea, kH.desde, kH.hasta));
  const bool hay_G = !CampoEnBlanco(Columnas(linea, kG.desde, kG.hasta));
  if (hay_H) {
    if (auto error = decimal(kH, el.H)) return error;
  }
  if (hay_G) {
    if (auto error = decimal(kG, el.G)) return error;
  }
  el.tiene_H = hay_H && hay_G;
  return std::nullopt;
}

const FormatoElementos& FormatoCometas() {
  static const FormatoCometEls formato;
  return formato;
}

const FormatoElementos& DetectarFormato(std::string_view inicio) {
  std::size_t registros_mpc = 0;
  std::size_t registros_cometas = 0;
  std::size_t pos = 0;
  for (std::size_t n = 0; n < kLineasDeteccion && pos < inicio.size(); ++n) {
    std::size_t salto = inicio.find('\n', pos);
    if (salto == std::string_view::npos) salto = inicio.size();
    std::string_view linea = inicio.substr(pos, salto - pos);
    if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
    pos = salto + 1;
    std::int32_t numero = 0;
    if (FormatoMPC().Clasificar(linea, numero) == ClaseLinea::Registro) ++registros_mpc;
    if (FormatoCometas().Clasificar(linea, numero) == ClaseLinea::Registro) ++registros_cometas;
  }
  return registros_cometas > registros_mpc ? FormatoCometas() : FormatoMPC();
}

std::size_t AnchoUtilMaximo() {
  return std::max(FormatoMPC().AnchoUtil(), FormatoCometas().AnchoUtil());
}

}  // namespace orbelux::efemerides
