// The independent reference positions of tests/data/ephemeris, one row per asteroid and
// instant.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

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

}  // namespace orbelux::prueba
