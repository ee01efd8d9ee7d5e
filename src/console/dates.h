// SPDX-License-Identifier: GPL-3.0-or-later
// The instant a console program works for: --fecha (a calendar date and time, UTC or with
// its zone), --jd (a Julian day in UTC) or the current minute, and how it is printed.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ephemeris/time_scales.h"

namespace orbelux::consola {

// A date and time as written, before any check of its range; `desfase_minutos` is its
// zone's offset from UTC (+60 for "+01:00").
struct FechaEscrita {
  int anio = 0;
  int mes = 0;
  int dia = 0;
  int hora = 0;
  int minuto = 0;
  int segundo = 0;
  double fraccion = 0;  // of the second, [0, 1)
  int desfase_minutos = 0;
};

// AAAA-MM-DD[(T| )HH:MM[:SS[.s...]]][Z|+HH|+HH:MM|+HHMM|-...]; the zone needs a time. T and
// Z may be written in lower case.
// Checks the form only. Throws ErrorUso.
FechaEscrita LeerFecha(std::string_view texto);

// The same date and time in UTC: only the hour, minute and date move, so that a leap
// second written in another zone stays second 60.
FechaEscrita AUTC(const FechaEscrita& fecha);

// The instant of --fecha. After the conversion to UTC: the year between 1000 and 9999,
// to the last second that prints as such (9999-12-31T23:59:59.4), and second 60 only in
// the last minute of a day that ends with a leap second. Throws ErrorUso.
efemerides::Instante InstanteDeFecha(const std::string& texto);

// The instant of --jd: within the same years. Throws ErrorUso.
efemerides::Instante InstanteDeDiaJuliano(const std::string& texto);

// The instant of a run without --fecha or --jd: the current minute in UTC.
efemerides::Instante InstanteActual(std::time_t ahora);

// --fecha and --jd both give the instant: throws ErrorUso when both are there.
void ComprobarFechaOJD(const std::optional<std::string>& fecha,
                       const std::optional<std::string>& jd);

// The instant of --fecha or --jd, whichever was given, or else the current minute by
// `reloj`. Throws ErrorUso, also when both were given.
efemerides::Instante InstanteDeOpciones(const std::optional<std::string>& fecha,
                                        const std::optional<std::string>& jd,
                                        const std::function<std::time_t()>& reloj);

// "2022-09-20 00:00:00 UTC", to the nearest second; a leap second prints as 23:59:60.
std::string TextoFecha(const efemerides::Instante& instante);

// The same instant on the clock of a zone `desfase_minutos` ahead of UTC:
// "2022-09-20 01:00:00 +01:00"; with 0, TextoFecha.
std::string TextoFechaEnZona(const efemerides::Instante& instante, int desfase_minutos);

}  // namespace orbelux::consola
