// The independent reference positions of tests/data/ephemeris, one row per asteroid and
// instant, and the elements of the one asteroid outside the bundled example.
#pragma once

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
    for (double* destino : {&p.ra_deg, &p.dec_deg, &p.delta_au, &p.r_au, &p.phase_deg,
                            &p.v_mag}) {
      std::getline(campos, texto, '\t');
      *destino = std::strtod(texto.c_str(), nullptr);
    }
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
