// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/time_scales.h"

#include <cmath>

#include <erfa.h>
#include <erfam.h>

namespace orbelux::efemerides {

namespace {

Instante CompletarDesdeUTC(FechaJuliana utc, bool anio_dudoso) {
  Instante instante;
  instante.utc = utc;
  instante.anio_dudoso = anio_dudoso;

  double tai1 = 0;
  double tai2 = 0;
  const int estado = eraUtctai(utc.entera, utc.fraccion, &tai1, &tai2);
  if (estado < 0) throw ErrorInstante("ERFA no puede pasar esta fecha UTC a TAI");
  if (estado > 0) instante.anio_dudoso = true;
  if (eraTaitt(tai1, tai2, &instante.tt.entera, &instante.tt.fraccion) != 0) {
    throw ErrorInstante("ERFA no puede pasar esta fecha de TAI a TT");
  }
  // The UT fraction only moves the diurnal term of TDB - TT, which is zero at the
  // geocentre (no observer offset), so the UTC fraction stands in for UT1.
  const double fraccion_dia = std::fmod(utc.entera - 0.5, 1.0) + utc.fraccion;
  const double ut = fraccion_dia - std::floor(fraccion_dia);
  const double tdb_menos_tt = eraDtdb(instante.tt.entera, instante.tt.fraccion, ut, 0, 0, 0);
  instante.tdb.entera = instante.tt.entera;
  instante.tdb.fraccion = instante.tt.fraccion + tdb_menos_tt / ERFA_DAYSEC;
  return instante;
}

}  // namespace

Instante InstanteDesdeCalendario(int anio, int mes, int dia, int hora, int minuto,
                                 double segundo) {
  FechaJuliana utc;
  const int estado = eraDtf2d("UTC", anio, mes, dia, hora, minuto, segundo, &utc.entera,
                              &utc.fraccion);
  if (estado < 0) throw ErrorInstante("la fecha u hora no existe");
  // Status 2 (with or without the dubious year's 1): the second is past the end of its
  // minute, which ERFA would carry into the next one.
  if (estado > 1) throw ErrorInstante("ese segundo no existe en ese minuto");
  return CompletarDesdeUTC(utc, estado == 1);
}

bool TieneSegundoIntercalar(int anio, int mes, int dia) {
  double dia_juliano = 0;
  double fraccion = 0;
  if (eraCal2jd(anio, mes, dia, &dia_juliano, &fraccion) != 0) return false;
  int siguiente_anio = 0;
  int siguiente_mes = 0;
  int siguiente_dia = 0;
  double resto = 0;
  if (eraJd2cal(dia_juliano, fraccion + 1, &siguiente_anio, &siguiente_mes, &siguiente_dia,
                &resto) != 0) {
    return false;
  }
  // As eraDtf2d tells the jump at midnight from the steady drift of UTC before 1972.
  double inicio = 0;
  double mediodia = 0;
  double manana = 0;
  // Negative statuses only: a dubious year still answers with the table's values.
  if (eraDat(anio, mes, dia, 0, &inicio) < 0 || eraDat(anio, mes, dia, 0.5, &mediodia) < 0 ||
      eraDat(siguiente_anio, siguiente_mes, siguiente_dia, 0, &manana) < 0) {
    return false;
  }
  const double salto = manana - (inicio + 2 * (mediodia - inicio));
  return salto > 0.5;
}

Instante InstanteDesdeDiaJulianoUTC(double dia_juliano) {
  // Splitting at the preceding midnight keeps the fraction of the day exact.
  FechaJuliana utc;
  utc.entera = std::floor(dia_juliano - 0.5) + 0.5;
  utc.fraccion = dia_juliano - utc.entera;
  return CompletarDesdeUTC(utc, false);
}

FechaCalendario CalendarioUTC(const Instante& instante) {
  int anio = 0;
  int mes = 0;
  int dia = 0;
  int hmsf[4] = {0, 0, 0, 0};
  if (eraD2dtf("UTC", 0, instante.utc.entera, instante.utc.fraccion, &anio, &mes, &dia, hmsf) <
      0) {
    throw ErrorInstante("ERFA no puede escribir esta fecha UTC");
  }
  return {anio, mes, dia, hmsf[0], hmsf[1], hmsf[2]};
}

}  // namespace orbelux::efemerides
