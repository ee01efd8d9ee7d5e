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
  return CompletarDesdeUTC(utc, estado > 0);
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

FechaCalendario HoraLocalAUTC(const FechaCalendario& local, int minutos_este) {
  if (local.hora < 0 || local.hora > 23 || local.minuto < 0 || local.minuto > 59) {
    throw ErrorInstante("la hora no existe");
  }
  double base = 0;
  double dia_juliano_modificado = 0;
  if (eraCal2jd(local.anio, local.mes, local.dia, &base, &dia_juliano_modificado) != 0) {
    throw ErrorInstante("la fecha no existe");
  }
  constexpr int kMinutosDia = 1440;
  const int minutos = local.hora * 60 + local.minuto - minutos_este;
  const int dias =
      minutos >= 0 ? minutos / kMinutosDia : -((kMinutosDia - 1 - minutos) / kMinutosDia);
  const int resto = minutos - dias * kMinutosDia;
  FechaCalendario utc = local;
  double fraccion = 0;
  if (eraJd2cal(base, dia_juliano_modificado + dias, &utc.anio, &utc.mes, &utc.dia, &fraccion) !=
      0) {
    throw ErrorInstante("ERFA no puede escribir esta fecha");
  }
  utc.hora = resto / 60;
  utc.minuto = resto % 60;
  return utc;
}

}  // namespace orbelux::efemerides
