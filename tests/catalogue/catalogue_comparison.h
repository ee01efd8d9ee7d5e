// SPDX-License-Identifier: GPL-3.0-or-later
// A catalogue's lines against reference places, field by field after the catalogue's own
// rounding.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "catalogue/catalogue_line.h"

namespace orbelux::catalogo {

inline std::vector<std::string> Lineas(const std::string& catalogo) {
  std::vector<std::string> lineas;
  for (std::size_t pos = 0; pos + kAnchoLinea <= catalogo.size(); pos += kAnchoLinea) {
    lineas.push_back(catalogo.substr(pos, kAnchoCampos));
  }
  return lineas;
}

// A written line against a reference place: the difference of each field in its last
// digit, after rounding the reference as the catalogue rounds. One digit either way is
// allowed only where the reference lies within 0.0067 s of time or 0.1" of a boundary.
struct Comparacion {
  bool bien = true;
  bool en_frontera = false;
  double ra_s = 0;     // written minus reference, seconds of time
  double dec_arc = 0;  // arcseconds
};

inline Comparacion Comparar(const std::string& l, double ra_deg, double dec_deg) {
  const long long decimas_linea = std::stoll(l.substr(36, 2)) * 36000 +
                                  std::stoll(l.substr(39, 2)) * 600 +
                                  std::stoll(l.substr(42, 2)) * 10 + std::stoll(l.substr(45, 1));
  long long arco_linea = std::stoll(l.substr(48, 2)) * 3600 + std::stoll(l.substr(51, 2)) * 60 +
                         std::stoll(l.substr(54, 2));
  if (l[47] == '-') arco_linea = -arco_linea;

  const double decimas_ref = ra_deg / 15 * 36000;
  const double arco_ref = dec_deg * 3600;
  long long d_ra = decimas_linea - static_cast<long long>(std::round(decimas_ref)) % 864000;
  if (d_ra > 432000) d_ra -= 864000;
  if (d_ra < -432000) d_ra += 864000;
  const long long d_dec = arco_linea - static_cast<long long>(std::round(arco_ref));
  const double frontera_ra = 0.5 - std::abs(decimas_ref - std::round(decimas_ref));
  const double frontera_dec = 0.5 - std::abs(arco_ref - std::round(arco_ref));

  Comparacion c;
  c.en_frontera = d_ra != 0 || d_dec != 0;
  c.bien = (d_ra == 0 || (std::abs(d_ra) == 1 && frontera_ra < 0.067)) &&
           (d_dec == 0 || (std::abs(d_dec) == 1 && frontera_dec < 0.1));
  c.ra_s = (static_cast<double>(decimas_linea) - decimas_ref) / 10;
  c.ra_s -= 86400 * std::round(c.ra_s / 86400);
  c.dec_arc = static_cast<double>(arco_linea) - arco_ref;
  return c;
}

// The magnitude's one decimal against the reference: one tenth either way only where the
// reference lies within 0.005 of a rounding boundary.
inline bool MagnitudBien(double escrita, double referencia) {
  const double decimas = referencia * 10;
  const double diferencia = std::abs(escrita * 10 - std::round(decimas));
  const double frontera = 0.5 - std::abs(decimas - std::round(decimas));
  return diferencia < 1e-6 || (std::abs(diferencia - 1) < 1e-6 && frontera < 0.05);
}

}  // namespace orbelux::catalogo
