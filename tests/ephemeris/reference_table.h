// SPDX-License-Identifier: GPL-3.0-or-later
// The independent reference positions of tests/data/ephemeris, one row per asteroid and
// instant, and the elements of the one asteroid outside the bundled example.
#pragma once

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ephemeris/orbital_elements.h"

namespace orbelux::prueba {

struct PosicionReferencia {
  int numero = 0;
  std::string utc;  // "2022-09-20T00:00"
  double ra_deg = 0;
  double dec_deg = 0;
  double delta_au = 0;
  double r_au = 0;
  double phase_deg = 0;
  double v_mag = 0;
};

inline std::vector<PosicionReferencia> LeerReferencia(const std::string& ruta) {
  std::ifstream entrada(ruta);
  if (!entrada) throw std::runtime_error("cannot read " + ruta);
  std::vector<PosicionReferencia> filas;
  std::string linea;
  while (std::getline(entrada, linea)) {
    if (linea.empty() || linea[0] == '#') continue;
    std::istringstream campos(linea);
    PosicionReferencia p;
    std::string texto;
    std::getline(campos, texto, '\t');
    p.numero = std::atoi(texto.c_str());
    std::getline(campos, p.utc, '\t');
    for (double* destino : {&p.ra_deg, &p.dec_deg, &p.delta_au, &p.r_au, &p.phase_deg, &p.v_mag}) {
      std::getline(campos, texto, '\t');
      *destino = std::strtod(texto.c_str(), nullptr);
    }
    filas.push_back(p);
  }
  return filas;
}

// reference_positions_topocentric.tsv: the same columns with the site's code after the number.
struct PosicionTopocentrica {
  std::string sitio;
  PosicionReferencia posicion;
};

inline std::vector<PosicionTopocentrica> LeerReferenciaTopocentrica(const std::string& ruta) {
  std::ifstream entrada(ruta);
  if (!entrada) throw std::runtime_error("cannot read " + ruta);
  std::vector<PosicionTopocentrica> filas;
  std::string linea;
  while (std::getline(entrada, linea)) {
    if (linea.empty() || linea[0] == '#') continue;
    std::istringstream campos(linea);
    PosicionTopocentrica t;
    PosicionReferencia& p = t.posicion;
    campos >> p.numero >> t.sitio >> p.utc >> p.ra_deg >> p.dec_deg >> p.delta_au >> p.r_au >>
        p.phase_deg >> p.v_mag;
    filas.push_back(t);
  }
  return filas;
}

// horizons_eros_topocentric.tsv: (433) Eros from X05 and W84 as JPL Horizons gives it.
struct PosicionHorizons {
  std::string sitio;
  std::string utc;  // "2004-10-02T23:58:55.818"
  double ra_deg = 0;
  double dec_deg = 0;
  double delta_au = 0;
};

inline std::vector<PosicionHorizons> LeerHorizonsEros(const std::string& ruta) {
  std::ifstream entrada(ruta);
  if (!entrada) throw std::runtime_error("cannot read " + ruta);
  std::vector<PosicionHorizons> filas;
  std::string linea;
  while (std::getline(entrada, linea)) {
    if (linea.empty() || linea[0] == '#') continue;
    std::istringstream campos(linea);
    PosicionHorizons p;
    double h = 0, m = 0, s = 0, am = 0, as = 0;
    std::string g;
    campos >> p.sitio >> p.utc >> h >> m >> s >> g >> am >> as >> p.delta_au;
    p.ra_deg = (h + m / 60 + s / 3600) * 15;
    p.dec_deg = (g[0] == '-' ? -1 : 1) * (std::abs(std::stod(g)) + am / 60 + as / 3600);
    filas.push_back(p);
  }
  return filas;
}

// (433) Eros in eros_reference_perturbed.tsv, whose columns differ: no r_au, no phase.
struct PosicionEros {
  std::string utc;
  double ra_deg = 0;
  double dec_deg = 0;
  double delta_au = 0;
  double v_mag = 0;
};

inline std::vector<PosicionEros> LeerReferenciaEros(const std::string& ruta) {
  std::ifstream entrada(ruta);
  if (!entrada) throw std::runtime_error("cannot read " + ruta);
  std::vector<PosicionEros> filas;
  std::string linea;
  while (std::getline(entrada, linea)) {
    if (linea.empty() || linea[0] == '#') continue;
    std::istringstream campos(linea);
    std::string numero;
    PosicionEros p;
    campos >> numero >> p.utc >> p.ra_deg >> p.dec_deg >> p.delta_au >> p.v_mag;
    filas.push_back(p);
  }
  return filas;
}

// The JPL SBDB elements of (433) Eros that the Eros reference starts from:
//   00433   10.31  0.46 K2289 358.82126  178.93251  304.29106   10.82796  0.2227328 ...
inline efemerides::ElementosOrbitales ElementosEros() {
  efemerides::ElementosOrbitales el;
  el.numero = 433;
  el.tiene_H = true;
  el.H = 10.31;
  el.G = 0.46;
  el.epoca = 2459800.5;
  el.anomalia_media = 358.82126;
  el.perihelio = 178.93251;
  el.nodo = 304.29106;
  el.inclinacion = 10.82796;
  el.excentricidad = 0.2227328;
  el.semieje = 1.4581505;
  return el;
}

}  // namespace orbelux::prueba
