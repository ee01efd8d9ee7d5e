// SPDX-License-Identifier: GPL-3.0-or-later
// One instant in the time scales the computation needs, all through ERFA: UTC as given,
// TT through TAI and the leap seconds, TDB from TT by the periodic series.
#pragma once

#include <span>
#include <vector>

#include <stdexcept>
#include <string>

#include "platform/fallo.h"

namespace orbelux::efemerides {

// A Julian date in two parts, kept apart so that no precision is lost in the sum.
struct FechaJuliana {
  double entera = 0;
  double fraccion = 0;
  double Total() const { return entera + fraccion; }
};

struct Instante {
  FechaJuliana utc;
  FechaJuliana tt;
  FechaJuliana tdb;
  // ERFA's leap-second table does not cover the year (its "dubious year" answer): past its
  // end TT - UTC is the table's last value, before 1960 it has none. Either way the
  // positions move by far less than the catalogue shows.
  bool anio_dudoso = false;
};

// A date ERFA cannot place on its time scales (its negative statuses).
class ErrorInstante : public Fallo {
 public:
  using Fallo::Fallo;
};

// The instant of a UTC calendar date and time. Second 60 exists only in the last minute
// of a day that ends with a leap second; any other second past the minute's end throws.
Instante InstanteDesdeCalendario(int anio, int mes, int dia, int hora, int minuto,
                                 double segundo);

// The UTC day ends with a leap second in ERFA's table (TAI - UTC grows by the next day).
bool TieneSegundoIntercalar(int anio, int mes, int dia);

// The instant of a Julian day in UTC.
Instante InstanteDesdeDiaJulianoUTC(double dia_juliano);

// The same for many dates close together, the rows of an ephemeris. TDB - TT, a smooth
// curve whose terms faster than a month are each under a nanosecond, comes from ERFA's
// 787-term series on whole TT days, interpolated, where the dates are closer than that.
std::vector<Instante> InstantesDesdeDiasJulianosUTC(std::span<const double> dias_julianos);

struct FechaCalendario {
  int anio = 0;
  int mes = 0;
  int dia = 0;
  int hora = 0;
  int minuto = 0;
  int segundo = 0;
};

// The UTC calendar date of an instant, to the nearest second.
FechaCalendario CalendarioUTC(const Instante& instante);

}  // namespace orbelux::efemerides
