// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of an ephemeris as the user reads them: aligned columns under a header for
// each object, or CSV with one row per object and instant.
#pragma once

#include <string>
#include <vector>

#include "planner/ephemeris_table.h"
#include "planner/object_lookup.h"

namespace orbelux::planificador {

// The exact first line of the CSV.
inline constexpr std::string_view kCabeceraCsv =
    "objeto,fecha,dia_juliano_utc,ar_grados,dec_grados,delta_ua,r_ua,elongacion_grados,"
    "fase_grados,v,mov_ar_arcsec_min,mov_dec_arcsec_min,acimut_grados,altura_grados,masa_aire,"
    "altura_sol_grados,distancia_luna_grados,luna_iluminada\n";

// One object's table as it is written.
struct TablaObjeto {
  const ObjetoHallado* objeto = nullptr;
  std::vector<const FilaEfemerides*> filas;  // those written (--visible leaves some out)
  std::size_t calculadas = 0;                // before --visible
};

// What the text header says besides each object.
struct CabeceraEfemerides {
  std::string lugar;       // "Z84 Calar Alto", "centro de la Tierra"
  bool con_sitio = false;  // the columns of the horizon are written
  bool dos_cuerpos = false;
  std::string visible;      // "altura ≥ 20°, Sol ≤ -12°", empty without --visible
  int desfase_minutos = 0;  // the zone the times are printed in
};

// "2022-08-09.0 TT" of a Julian date in TT.
std::string TextoEpoca(double dia_juliano_tt);

std::string TextoCsv(const std::vector<TablaObjeto>& tablas, int desfase_minutos);
std::string TextoTabla(const std::vector<TablaObjeto>& tablas, const CabeceraEfemerides& cabecera);

}  // namespace orbelux::planificador
