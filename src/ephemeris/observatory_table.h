// SPDX-License-Identifier: GPL-3.0-or-later
// The Minor Planet Center's observatory codes as compiled into the library: the table is
// generated at build time from data/observatorios/ObsCodes.html, in code order.
#pragma once

#include <span>

namespace orbelux::efemerides::detalle {

struct FilaObservatorio {
  const char* codigo;
  bool con_coordenadas;
  double longitud_grados;  // east
  double rho_cos_phi;      // Earth radii
  double rho_sin_phi;
  const char* nombre;  // UTF-8
};

std::span<const FilaObservatorio> TablaObservatorios();

}  // namespace orbelux::efemerides::detalle
