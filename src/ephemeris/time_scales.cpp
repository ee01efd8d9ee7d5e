// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/time_scales.h"

#include <algorithm>
#include <cmath>

#include <erfa.h>
#include <erfam.h>

namespace orbelux::efemerides {

namespace {

// UTC and TT; TDB is left to FijarTDB.
Instante CompletarTT(FechaJuliana utc, bool anio_dudoso) {
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
  return instante;
}

// TDB - TT in seconds. The UT fraction only moves the diurnal term, which is zero at the
// geocentre (no observer offset), so the UTC fraction stands in for UT1.
double TdbMenosTT(const Instante& instante) {
  const double fraccion_dia = std::fmod(instante.utc.entera - 0.5, 1.0) + instante.utc.fraccion;
  const double ut = fraccion_dia - std::floor(fraccion_dia);
  return eraDtdb(instante.tt.entera, instante.tt.fraccion, ut, 0, 0, 0);
}

void FijarTDB(Instante& instante, double tdb_menos_tt) {
  instante.tdb.entera = instante.tt.entera;
  instante.tdb.fraccion = instante.tt.fraccion + tdb_menos_tt / ERFA_DAYSEC;
}

Instante CompletarDesdeUTC(FechaJuliana utc, bool anio_dudoso) {
  Instante instante = CompletarTT(utc, anio_dudoso);
  FijarTDB(instante, TdbMenosTT(instante));
  return instante;
}

// Splitting at the preceding midnight keeps the fraction of the day exact.
FechaJuliana PartirUTC(double dia_juliano) {
  FechaJuliana utc;
  utc.entera = std::floor(dia_juliano - 0.5) + 0.5;
  utc.fraccion = dia_juliano - utc.entera;
  return utc;
}

}  // namespace

Instante InstanteDesdeCalendario(int anio, int mes, int dia, int hora, int minuto, double segundo) {
  FechaJuliana utc;
  const int estado =
      eraDtf2d("UTC", anio, mes, dia, hora, minuto, segundo, &utc.entera, &utc.fraccion);
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
  return CompletarDesdeUTC(PartirUTC(dia_juliano), false);
}

std::vector<Instante> InstantesDesdeDiasJulianosUTC(std::span<const double> dias_julianos) {
  std::vector<Instante> instantes;
  instantes.reserve(dias_julianos.size());
  for (const double d : dias_julianos) instantes.push_back(CompletarTT(PartirUTC(d), false));

  // The four whole TT days around each instant, unless that costs more than the instants.
  const auto dias = [](const Instante& i) { return (i.tt.entera - 2451545.0) + i.tt.fraccion; };
  std::vector<double> nodos;
  for (const Instante& i : instantes) {
    const double k = std::floor(dias(i));
    if (!nodos.empty() && nodos.back() == k + 2) continue;
    for (int d = -1; d <= 2; ++d) nodos.push_back(k + d);
  }
  std::sort(nodos.begin(), nodos.end());
  nodos.erase(std::unique(nodos.begin(), nodos.end()), nodos.end());
  if (nodos.size() >= instantes.size()) {
    for (Instante& i : instantes) FijarTDB(i, TdbMenosTT(i));
    return instantes;
  }
  std::vector<double> valores(nodos.size());
  for (std::size_t j = 0; j < nodos.size(); ++j) {
    valores[j] = eraDtdb(2451545.0, nodos[j], 0, 0, 0, 0);
  }
  for (Instante& i : instantes) {
    const double t = dias(i);
    const double k = std::floor(t);
    const auto j = static_cast<std::size_t>(std::lower_bound(nodos.begin(), nodos.end(), k - 1) -
                                            nodos.begin());
    const double x = t - k;
    // Lagrange's cubic through the days k - 1, k, k + 1 and k + 2.
    FijarTDB(i, -x * (x - 1) * (x - 2) / 6 * valores[j] +
                    (x + 1) * (x - 1) * (x - 2) / 2 * valores[j + 1] -
                    (x + 1) * x * (x - 2) / 2 * valores[j + 2] +
                    (x + 1) * x * (x - 1) / 6 * valores[j + 3]);
  }
  return instantes;
}

FechaCalendario CalendarioUTC(const Instante& instante) {
  int anio = 0;
  int mes = 0;
  int dia = 0;
  int hmsf[4] = {0, 0, 0, 0};
  if (eraD2dtf("UTC", 0, instante.utc.entera, instante.utc.fraccion, &anio, &mes, &dia, hmsf) < 0) {
    throw ErrorInstante("ERFA no puede escribir esta fecha UTC");
  }
  return {anio, mes, dia, hmsf[0], hmsf[1], hmsf[2]};
}

}  // namespace orbelux::efemerides
