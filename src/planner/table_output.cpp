// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/table_output.h"

#include <erfa.h>

#include <cstdio>

#include "console/columns.h"
#include "console/dates.h"

namespace orbelux::planificador {

using consola::Csv;
using consola::Fijo;

namespace {

std::string Opcional(const std::optional<double>& valor, int decimales) {
  return valor ? Fijo(*valor, decimales) : std::string();
}

// The columns of a row after the date, in the order of the CSV; empty where there is
// nothing (no place, no site, below the horizon).
std::vector<std::string> Columnas(const FilaEfemerides& f, bool sexagesimal) {
  std::vector<std::string> c;
  if (f.lugar) {
    const efemerides::ResumenLugar& l = *f.lugar;
    c = {sexagesimal ? consola::TextoAscensionRecta(l.ar) : Fijo(l.ar, 7),
         sexagesimal ? consola::TextoDeclinacion(l.dec) : Fijo(l.dec, 7),
         Fijo(l.delta, 6),
         Fijo(l.r, 6),
         Fijo(l.elongacion, 2),
         Fijo(l.fase, 2),
         Opcional(l.v, 2),
         Fijo(l.mov_ar, 4),
         Fijo(l.mov_dec, 4)};
  } else {
    c.assign(9, std::string());
  }
  if (f.horizonte) {
    const Horizonte& h = *f.horizonte;
    for (std::string s :
         {Fijo(h.acimut, 3), Fijo(h.altura, 3), Opcional(h.masa_aire, 3), Fijo(h.altura_sol, 2),
          Fijo(h.distancia_luna, 2), Fijo(h.luna_iluminada, 3)}) {
      c.push_back(std::move(s));
    }
  } else {
    c.resize(c.size() + 6);
  }
  return c;
}

}  // namespace

std::string TextoEpoca(double dia_juliano_tt) {
  int anio = 0;
  int mes = 0;
  int dia = 0;
  double fraccion = 0;
  if (eraJd2cal(dia_juliano_tt, 0, &anio, &mes, &dia, &fraccion) != 0) {
    return "día juliano " + Fijo(dia_juliano_tt, 5) + " TT";
  }
  char texto[64];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02d%s TT", anio, mes, dia,
                Fijo(fraccion, 1).substr(1).c_str());
  return texto;
}

std::string TextoCsv(const std::vector<TablaObjeto>& tablas, int desfase_minutos) {
  std::string s(kCabeceraCsv);
  for (const TablaObjeto& t : tablas) {
    const std::string objeto = Csv(t.objeto->nombre);
    for (const FilaEfemerides* f : t.filas) {
      s += objeto + ',' + consola::TextoFechaEnZona(f->instante, desfase_minutos) + ',' +
           Fijo(f->instante.utc.Total(), 6);
      for (const std::string& c : Columnas(*f, false)) s += ',' + c;
      s += '\n';
    }
  }
  return s;
}

std::string TextoTabla(const std::vector<TablaObjeto>& tablas, const CabeceraEfemerides& c) {
  const std::vector<std::string> titulos = {"Fecha",     "AR (J2000)", "Dec (J2000)", "Δ (UA)",
                                            "r (UA)",    "Elong°",     "Fase°",       "V",
                                            "AR\"/min",  "Dec\"/min",  "Acimut°",     "Altura°",
                                            "Masa aire", "Sol°",       "Luna°",       "Luna ilum."};
  std::string s;
  for (const TablaObjeto& t : tablas) {
    if (!s.empty()) s += '\n';
    const ObjetoHallado& o = *t.objeto;
    s += "Efemérides de " + o.nombre + '\n';
    s += "Elementos:  " + o.archivo + ", línea " + std::to_string(o.linea) +
         (o.elementos.sin_perturbar
              ? " (sin época de osculación: perihelio " + TextoEpoca(o.elementos.epoca) + ")\n"
              : " (época " + TextoEpoca(o.elementos.epoca) + ")\n");
    s += "Lugar:      " + c.lugar + '\n';
    s += "Movimiento: " +
         std::string(c.dos_cuerpos ? "dos cuerpos" : "perturbado por los planetas") + '\n';
    s += "Filas:      " + std::to_string(t.filas.size());
    if (!c.visible.empty()) {
      s += " de " + std::to_string(t.calculadas) + " (visible: " + c.visible + ")";
    }
    s += "\n\n";
    std::vector<std::vector<std::string>> filas;
    for (const FilaEfemerides* f : t.filas) {
      std::vector<std::string> fila = {consola::TextoFechaEnZona(f->instante, c.desfase_minutos)};
      for (std::string& col : Columnas(*f, true)) fila.push_back(std::move(col));
      filas.push_back(std::move(fila));
    }
    // Geocentric rows have no horizon: their columns are left out of the text.
    const std::size_t columnas = !c.con_sitio ? 10 : titulos.size();
    s += consola::ColumnasAlineadas(titulos, filas, columnas);
  }
  return s;
}

}  // namespace orbelux::planificador
