// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/sites.h"

#include <algorithm>
#include <cmath>

#include <erfa.h>
#include <erfam.h>

#include "ephemeris/observatory_table.h"

namespace orbelux::efemerides {

namespace {

// The Earth radius of the parallax constants (the MPC's, WGS84's equatorial), in metres.
constexpr double kRadioTierra = 6378137.0;
// The Earth's rotation rate in radians per day of UT1: the rate of eraEra00's Earth rotation
// angle.
constexpr double kRotacionTierra = 2 * ERFA_DPI * 1.00273781191135448;

Sitio DeFila(const detalle::FilaObservatorio& fila) {
  Sitio sitio;
  sitio.codigo = fila.codigo;
  sitio.nombre = fila.nombre;
  sitio.con_coordenadas = fila.con_coordenadas;
  sitio.longitud = fila.longitud_grados * ERFA_DD2R;
  sitio.rho_cos_phi = fila.rho_cos_phi;
  sitio.rho_sin_phi = fila.rho_sin_phi;
  return sitio;
}

// Base letters of U+00C0..U+00DF (and, 32 code points on, of their lower case forms);
// '\0' where there is no plain letter to fall back on.
constexpr char kBaseLatin1[] = "aaaaaa\0ceeeeiiiidnooooo\0ouuuuy\0s";

// Lower case ASCII, the Latin-1 letters of UTF-8 without their accents, anything else as is:
// enough for the MPC's names and for a user who types "Málaga" or "MONTSEC".
std::string Plegado(std::string_view texto) {
  std::string salida;
  salida.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const auto c = static_cast<unsigned char>(texto[i]);
    if (c == 0xC3 && i + 1 < texto.size()) {
      const auto sigue = static_cast<unsigned char>(texto[i + 1]);
      if (sigue >= 0x80 && sigue <= 0xBF) {
        const unsigned indice = (sigue - 0x80) % 32;
        if (sigue == 0x86 || sigue == 0xA6) {
          salida += "ae";
        } else if (sigue == 0x9F) {
          salida += "ss";
        } else if (sigue == 0xBF) {
          salida += 'y';
        } else if (kBaseLatin1[indice] != '\0') {
          salida += kBaseLatin1[indice];
        } else {
          salida += texto.substr(i, 2);
        }
        ++i;
        continue;
      }
    }
    salida += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return salida;
}

}  // namespace

bool Sitio::Geocentro() const {
  return codigo == "500" || (codigo.empty() && rho_cos_phi == 0 && rho_sin_phi == 0);
}

std::optional<Sitio> BuscarObservatorio(std::string_view codigo) {
  const auto tabla = detalle::TablaObservatorios();
  const auto fila = std::lower_bound(
      tabla.begin(), tabla.end(), codigo,
      [](const detalle::FilaObservatorio& f, std::string_view c) { return f.codigo < c; });
  if (fila == tabla.end() || fila->codigo != codigo) return std::nullopt;
  if (!fila->con_coordenadas) {
    throw ErrorSitio("el observatorio " + std::string(codigo) + " (" + fila->nombre +
                     ") no está en un lugar fijo de la Tierra y no tiene coordenadas");
  }
  return DeFila(*fila);
}

std::vector<Sitio> BuscarObservatoriosPorNombre(std::string_view palabra) {
  const std::string buscada = Plegado(palabra);
  std::vector<Sitio> encontrados;
  for (const auto& fila : detalle::TablaObservatorios()) {
    if (Plegado(fila.nombre).find(buscada) != std::string::npos) {
      encontrados.push_back(DeFila(fila));
    }
  }
  return encontrados;
}

Sitio SitioGeodesico(double longitud_grados, double latitud_grados, double altura_m) {
  double xyz[3];
  if (eraGd2gc(ERFA_WGS84, longitud_grados * ERFA_DD2R, latitud_grados * ERFA_DD2R, altura_m,
               xyz) != 0) {
    throw ErrorSitio("ERFA no puede situar ese lugar en la Tierra");
  }
  Sitio sitio;
  sitio.longitud = eraAnp(longitud_grados * ERFA_DD2R);
  sitio.rho_cos_phi = std::hypot(xyz[0], xyz[1]) / kRadioTierra;
  sitio.rho_sin_phi = xyz[2] / kRadioTierra;
  return sitio;
}

namespace {

// The site rotated from the terrestrial frame by `c2t`, the celestial-to-terrestrial matrix.
EstadoObservador Rotado(const Sitio& sitio, double c2t[3][3]) {
  const double au = kRadioTierra / ERFA_DAU;
  double terrestre[3] = {sitio.rho_cos_phi * std::cos(sitio.longitud) * au,
                         sitio.rho_cos_phi * std::sin(sitio.longitud) * au, sitio.rho_sin_phi * au};
  // The site is carried round the Earth's axis: omega x r in the terrestrial frame. The
  // slow turning of the axis itself (precession, nutation) adds nothing that matters.
  double velocidad_terrestre[3] = {-kRotacionTierra * terrestre[1], kRotacionTierra * terrestre[0],
                                   0};
  double celeste[3];
  double velocidad_celeste[3];
  // The matrix takes celestial to terrestrial; its transpose brings the site back.
  eraTrxp(c2t, terrestre, celeste);
  eraTrxp(c2t, velocidad_terrestre, velocidad_celeste);
  return {{celeste[0], celeste[1], celeste[2]},
          {velocidad_celeste[0], velocidad_celeste[1], velocidad_celeste[2]}};
}

void ComprobarCoordenadas(const Sitio& sitio) {
  if (!sitio.con_coordenadas) {
    throw ErrorSitio("el observatorio " + sitio.codigo + " no tiene coordenadas");
  }
}

}  // namespace

EstadoObservador ObservadorGeocentrico(const Sitio& sitio, const Instante& instante) {
  ComprobarCoordenadas(sitio);
  if (sitio.Geocentro()) return {};
  // UT1 is taken as UTC and polar motion as zero: DUT1 stays under 0.9 s and the pole
  // wanders some metres, and both move these positions by less than 0.001".
  double c2t[3][3];
  eraC2t06a(instante.tt.entera, instante.tt.fraccion, instante.utc.entera, instante.utc.fraccion, 0,
            0, c2t);
  return Rotado(sitio, c2t);
}

EstadoObservador ObservadorGeocentrico(const Sitio& sitio, const Instante& instante,
                                       const PoloCeleste& polo) {
  ComprobarCoordenadas(sitio);
  if (sitio.Geocentro()) return {};
  // eraC2t06a's own steps, with the pole given.
  double c2i[3][3];
  eraC2ixys(polo.x, polo.y, polo.s, c2i);
  double rpom[3][3];
  eraPom00(0, 0, eraSp00(instante.tt.entera, instante.tt.fraccion), rpom);
  double c2t[3][3];
  eraC2tcio(c2i, eraEra00(instante.utc.entera, instante.utc.fraccion), rpom, c2t);
  return Rotado(sitio, c2t);
}

}  // namespace orbelux::efemerides
