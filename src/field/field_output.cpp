// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/field_output.h"

#include "console/columns.h"

#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace orbelux::campo {

using consola::Csv;
using consola::Fijo;

namespace {

std::string TextoV(const ObjetoCampo& o) { return o.v ? Fijo(*o.v, 2) : std::string(); }

}  // namespace

std::string TextoCsv(const ResultadoCampo& resultado) {
  std::string s =
      "designacion,ar_grados,dec_grados,v,distancia_arcsec,este_arcsec,norte_arcsec,"
      "mov_ar_arcsec_min,mov_dec_arcsec_min,delta_ua,r_ua,elongacion_grados,fase_grados\n";
  for (const ObjetoCampo& o : resultado.objetos) {
    s += Csv(o.designacion) + ',' + Fijo(o.ar, 7) + ',' + Fijo(o.dec, 7) + ',' + TextoV(o) + ',' +
         Fijo(o.distancia, 2) + ',' + Fijo(o.este, 2) + ',' + Fijo(o.norte, 2) + ',' +
         Fijo(o.mov_ar, 4) + ',' + Fijo(o.mov_dec, 4) + ',' + Fijo(o.delta, 6) + ',' +
         Fijo(o.r, 6) + ',' + Fijo(o.elongacion, 2) + ',' + Fijo(o.fase, 2) + '\n';
  }
  return s;
}

std::string TextoTabla(const ResultadoCampo& resultado, const CabeceraCampo& c) {
  std::string s = "Objetos en el campo\n";
  s += "Instante:   " + c.instante + '\n';
  s += "Lugar:      " + c.lugar + '\n';
  s += "Centro:     AR " + TextoAscensionRecta(c.ar_centro) + "  Dec " +
       TextoDeclinacion(c.dec_centro) + "  (" + Fijo(c.ar_centro, 7) + "°, " +
       Fijo(c.dec_centro, 7) + "°)\n";
  s += "Radio:      " + Fijo(c.radio, 2) + "'\n";
  s += "Magnitud:   " +
       (c.magnitud_maxima ? "hasta V " + Fijo(*c.magnitud_maxima, 2) : std::string("sin límite")) +
       '\n';
  s += "Movimiento: " + std::string(c.dos_cuerpos ? "dos cuerpos" : "perturbado por los planetas") +
       '\n';
  if (resultado.archivos.size() <= 1) {
    s += "Elementos:  " + c.elementos + " (" + std::to_string(resultado.registros) +
         " registros, " + std::to_string(resultado.omitidos) + " omitidos)\n";
  } else {
    // One line for each file, each with its own counts.
    for (std::size_t k = 0; k < resultado.archivos.size(); ++k) {
      const CuentaArchivo& a = resultado.archivos[k];
      s += std::string(k == 0 ? "Elementos:  " : "            ") + a.nombre + " (" +
           std::to_string(a.registros) + (a.cometas ? " cometas, " : " registros, ") +
           std::to_string(a.omitidos) + " omitidos)\n";
    }
  }
  s += "Objetos:    " + std::to_string(resultado.objetos.size()) + "\n\n";

  const std::vector<std::string> titulos = {
      "Designación", "AR (J2000)", "Dec (J2000)", "V",      "Dist\"", "Este\"", "Norte\"",
      "AR\"/min",    "Dec\"/min",  "Δ (UA)",      "r (UA)", "Elong°", "Fase°"};
  std::vector<std::vector<std::string>> filas;
  for (const ObjetoCampo& o : resultado.objetos) {
    filas.push_back({o.designacion, TextoAscensionRecta(o.ar), TextoDeclinacion(o.dec), TextoV(o),
                     Fijo(o.distancia, 2), Fijo(o.este, 2), Fijo(o.norte, 2), Fijo(o.mov_ar, 4),
                     Fijo(o.mov_dec, 4), Fijo(o.delta, 6), Fijo(o.r, 6), Fijo(o.elongacion, 2),
                     Fijo(o.fase, 2)});
  }
  return s + consola::ColumnasAlineadas(titulos, filas);
}

}  // namespace orbelux::campo
