// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/dates.h"

#include <cstdio>

#include "console/options.h"
#include "ephemeris/packed_fields.h"

namespace orbelux::consola {

namespace {

namespace ef = orbelux::efemerides;

// 1000-01-01 and 10000-01-01 at 0h UTC, in the proleptic Gregorian calendar that --fecha and
// ERFA count in: four-digit years.
constexpr double kPrimerDiaJuliano = 2086302.5;
constexpr double kUltimoDiaJuliano = 5373484.5;
// Half a second before the end: later instants print, rounded, as year 10000.
constexpr double kUltimoImprimible = kUltimoDiaJuliano - 0.5 / 86400;

bool Digitos(std::string_view texto, std::size_t desde, std::size_t cuantos, int& valor) {
  if (texto.size() < desde + cuantos) return false;
  valor = 0;
  for (std::size_t i = desde; i < desde + cuantos; ++i) {
    if (texto[i] < '0' || texto[i] > '9') return false;
    valor = valor * 10 + (texto[i] - '0');
  }
  return true;
}

bool Bisiesto(int anio) { return (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0; }

int DiasDelMes(int anio, int mes) {
  constexpr int kDias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return mes == 2 && Bisiesto(anio) ? 29 : kDias[mes - 1];
}

bool Existe(const FechaEscrita& f) {
  return f.mes >= 1 && f.mes <= 12 && f.dia >= 1 && f.dia <= DiasDelMes(f.anio, f.mes) &&
         f.hora <= 23 && f.minuto <= 59 && f.segundo <= 60;
}

// Reads the zone at the end of `z`: "Z", "+HH", "+HH:MM", "+HHMM" or with "-".
bool LeerZona(std::string_view z, int& desfase_minutos) {
  if (z == "Z" || z == "z") {
    desfase_minutos = 0;
    return true;
  }
  if (z.size() < 3 || (z[0] != '+' && z[0] != '-')) return false;
  int horas = 0;
  int minutos = 0;
  if (!Digitos(z, 1, 2, horas)) return false;
  if (z.size() == 6 && z[3] == ':') {
    if (!Digitos(z, 4, 2, minutos)) return false;
  } else if (z.size() == 5) {
    if (!Digitos(z, 3, 2, minutos)) return false;
  } else if (z.size() != 3) {
    return false;
  }
  if (horas > 23 || minutos > 59) return false;
  desfase_minutos = (z[0] == '-' ? -1 : 1) * (horas * 60 + minutos);
  return true;
}

}  // namespace

FechaEscrita LeerFecha(std::string_view f) {
  const std::string error = "--fecha " + std::string(f) +
                            ": se espera AAAA-MM-DD, AAAA-MM-DDTHH:MM o AAAA-MM-DDTHH:MM:SS (UTC, "
                            "o con su zona: Z, +01, +01:00, -0300)";
  FechaEscrita fecha;
  if (!Digitos(f, 0, 4, fecha.anio) || f.size() < 10 || f[4] != '-' ||
      !Digitos(f, 5, 2, fecha.mes) || f[7] != '-' || !Digitos(f, 8, 2, fecha.dia)) {
    throw ErrorUso(error);
  }
  if (f.size() == 10) return fecha;
  if ((f[10] != 'T' && f[10] != 't' && f[10] != ' ') || f.size() < 16 ||
      !Digitos(f, 11, 2, fecha.hora) || f[13] != ':' || !Digitos(f, 14, 2, fecha.minuto)) {
    throw ErrorUso(error);
  }
  std::string_view resto = f.substr(16);
  const std::size_t zona = resto.find_first_of("Zz+-");
  const std::string_view texto_zona = zona == std::string_view::npos ? "" : resto.substr(zona);
  resto = resto.substr(0, zona);
  if (!texto_zona.empty() && !LeerZona(texto_zona, fecha.desfase_minutos)) throw ErrorUso(error);
  if (!resto.empty()) {
    if (resto[0] != ':' || !Digitos(resto, 1, 2, fecha.segundo)) throw ErrorUso(error);
    const std::string_view decimales = resto.substr(3);
    if (!decimales.empty()) {
      // Fractions of a second are allowed: ".5".
      const std::optional<double> fraccion = ef::NumeroDecimal(std::string("0") += decimales);
      if (decimales[0] != '.' || decimales.size() < 2 || !fraccion) throw ErrorUso(error);
      fecha.fraccion = *fraccion;
    }
  }
  return fecha;
}

FechaEscrita AUTC(const FechaEscrita& fecha) {
  FechaEscrita utc = fecha;
  utc.desfase_minutos = 0;
  int minutos = fecha.hora * 60 + fecha.minuto - fecha.desfase_minutos;
  int dias = 0;
  while (minutos < 0) {
    minutos += 24 * 60;
    --dias;
  }
  while (minutos >= 24 * 60) {
    minutos -= 24 * 60;
    ++dias;
  }
  utc.hora = minutos / 60;
  utc.minuto = minutos % 60;
  // An offset is under a day, so the date moves by one at most.
  if (dias > 0) {
    if (++utc.dia > DiasDelMes(utc.anio, utc.mes)) {
      utc.dia = 1;
      if (++utc.mes > 12) {
        utc.mes = 1;
        ++utc.anio;
      }
    }
  } else if (dias < 0) {
    if (--utc.dia < 1) {
      if (--utc.mes < 1) {
        utc.mes = 12;
        --utc.anio;
      }
      utc.dia = DiasDelMes(utc.anio, utc.mes);
    }
  }
  return utc;
}

ef::Instante InstanteDeFecha(const std::string& texto) {
  const FechaEscrita escrita = LeerFecha(texto);
  const std::string prefijo = "--fecha " + texto + ": ";
  if (escrita.anio < 1000) throw ErrorUso(prefijo + "el año debe estar entre 1000 y 9999");
  if (!Existe(escrita)) throw ErrorUso(prefijo + "esa fecha u hora no existe");
  const FechaEscrita f = AUTC(escrita);
  if (f.anio < 1000 || f.anio > 9999) {
    throw ErrorUso(prefijo + "el año debe estar entre 1000 y 9999 (en UTC)");
  }
  if (f.segundo == 60 &&
      !(f.hora == 23 && f.minuto == 59 && ef::TieneSegundoIntercalar(f.anio, f.mes, f.dia))) {
    throw ErrorUso(prefijo +
                   "el segundo 60 solo existe en el último minuto (UTC) de un día que acaba "
                   "con un segundo intercalar");
  }
  ef::Instante instante;
  try {
    instante =
        ef::InstanteDesdeCalendario(f.anio, f.mes, f.dia, f.hora, f.minuto, f.segundo + f.fraccion);
  } catch (const ef::ErrorInstante&) {
    throw ErrorUso(prefijo + "esa fecha u hora no existe");
  }
  if (ef::CalendarioUTC(instante).anio > 9999) {
    throw ErrorUso(prefijo +
                   "el año debe estar entre 1000 y 9999, y el último instante que se puede "
                   "escribir es 9999-12-31T23:59:59.4");
  }
  return instante;
}

ef::Instante InstanteDeDiaJuliano(const std::string& texto) {
  const std::optional<double> jd = ef::NumeroDecimal(texto);
  if (!jd || texto.find_first_not_of(" \t") == std::string::npos) {
    throw ErrorUso("--jd " + texto + ": se espera un día juliano, como 2459842.5");
  }
  // The end is the last instant that does not print, to the second, as year 10000.
  if (!(*jd >= kPrimerDiaJuliano && *jd < kUltimoImprimible)) {
    throw ErrorUso("--jd " + texto + ": debe caer entre los años 1000 y 9999 (días julianos " +
                   "2086302.5 a 5373484.5)");
  }
  try {
    return ef::InstanteDesdeDiaJulianoUTC(*jd);
  } catch (const ef::ErrorInstante& e) {
    throw ErrorUso("--jd " + texto + ": " + e.what());
  }
}

ef::Instante InstanteActual(std::time_t ahora) {
  ahora -= ahora % 60;
  std::tm utc{};
#ifdef _WIN32
  const bool leida = gmtime_s(&utc, &ahora) == 0;
#else
  const bool leida = gmtime_r(&ahora, &utc) != nullptr;
#endif
  if (!leida) throw ErrorUso("no se puede leer la hora del sistema");
  return ef::InstanteDesdeCalendario(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                                     utc.tm_min, 0);
}

void ComprobarFechaOJD(const std::optional<std::string>& fecha,
                       const std::optional<std::string>& jd) {
  if (fecha && jd) {
    throw ErrorUso("--fecha y --jd no pueden ir juntas: las dos dan el instante");
  }
}

ef::Instante InstanteDeOpciones(const std::optional<std::string>& fecha,
                                const std::optional<std::string>& jd,
                                const std::function<std::time_t()>& reloj) {
  ComprobarFechaOJD(fecha, jd);
  if (fecha) return InstanteDeFecha(*fecha);
  if (jd) return InstanteDeDiaJuliano(*jd);
  return InstanteActual(reloj());
}

std::string TextoFecha(const ef::Instante& instante) {
  const ef::FechaCalendario f = ef::CalendarioUTC(instante);
  char texto[64];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02d %02d:%02d:%02d UTC", f.anio, f.mes, f.dia,
                f.hora, f.minuto, f.segundo);
  return texto;
}

std::string TextoFechaEnZona(const ef::Instante& instante, int desfase_minutos) {
  if (desfase_minutos == 0) return TextoFecha(instante);
  const ef::Instante local =
      ef::InstanteDesdeDiaJulianoUTC(instante.utc.Total() + desfase_minutos / 1440.0);
  const ef::FechaCalendario f = ef::CalendarioUTC(local);
  const int minutos = desfase_minutos < 0 ? -desfase_minutos : desfase_minutos;
  char texto[64];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02d %02d:%02d:%02d %c%02d:%02d", f.anio, f.mes,
                f.dia, f.hora, f.minuto, f.segundo, desfase_minutos < 0 ? '-' : '+', minutos / 60,
                minutos % 60);
  return texto;
}

}  // namespace orbelux::consola
