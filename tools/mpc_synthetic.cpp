// SPDX-License-Identifier: GPL-3.0-or-later
#include "mpc_synthetic.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include <erfa.h>

namespace orbelux::sintetico {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kK = 0.01720209895;
constexpr char kBase62[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct Orbita {
  double H = 0;                                           // NaN: no magnitude
  double M = 0, peri = 0, nodo = 0, i = 0, e = 0, a = 0;  // degrees and AU
  double epoca = kEpocaPrincipal;
};

std::string EpocaEmpaquetada(double jd) {
  int anio = 0;
  int mes = 0;
  int dia = 0;
  double fraccion = 0;
  eraJd2cal(jd, 0, &anio, &mes, &dia, &fraccion);
  std::string s(5, ' ');
  s[0] = static_cast<char>('A' + anio / 100 - 10);
  s[1] = static_cast<char>('0' + anio / 10 % 10);
  s[2] = static_cast<char>('0' + anio % 10);
  s[3] = kBase62[mes];
  s[4] = kBase62[dia];
  return s;
}

std::string Linea(std::string_view designacion, std::string_view legible, const Orbita& o) {
  const double n = 0.9856076686 / (o.a * std::sqrt(o.a));
  char h[8] = "     ";
  if (std::isfinite(o.H)) std::snprintf(h, sizeof h, "%5.2f", o.H);
  char linea[320];
  std::snprintf(linea, sizeof linea,
                "%-7.7s %5s  0.15 %5s %9.5f  %9.5f  %9.5f  %9.5f  %9.7f %11.8f %11.7f"
                "  0 MPO492748  6751 115 1801-2019 0.60 M-v 30h Williams   0000 %-28.28s"
                "20190915\n",
                std::string(designacion).c_str(), h, EpocaEmpaquetada(o.epoca).c_str(), o.M, o.peri,
                o.nodo, o.i, o.e, n, o.a, std::string(legible).c_str());
  return linea;
}

// Ecliptic elements (J2000) of a heliocentric equatorial state, AU and AU/day, with
// GM = k^2; the mean anomaly at the state's own instant.
Orbita Elementos(const double r_eq[3], const double v_eq[3]) {
  const double eps = 84381.448 / 3600 * kPi / 180;
  const double c = std::cos(eps);
  const double s = std::sin(eps);
  const double r[3] = {r_eq[0], c * r_eq[1] + s * r_eq[2], -s * r_eq[1] + c * r_eq[2]};
  const double v[3] = {v_eq[0], c * v_eq[1] + s * v_eq[2], -s * v_eq[1] + c * v_eq[2]};
  const double mu = kK * kK;
  const double rn = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  const double v2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  const double rv = r[0] * v[0] + r[1] * v[1] + r[2] * v[2];
  const double hv[3] = {r[1] * v[2] - r[2] * v[1], r[2] * v[0] - r[0] * v[2],
                        r[0] * v[1] - r[1] * v[0]};
  const double hn = std::sqrt(hv[0] * hv[0] + hv[1] * hv[1] + hv[2] * hv[2]);
  Orbita o;
  o.a = 1 / (2 / rn - v2 / mu);
  const double ev[3] = {(v2 / mu - 1 / rn) * r[0] - rv / mu * v[0],
                        (v2 / mu - 1 / rn) * r[1] - rv / mu * v[1],
                        (v2 / mu - 1 / rn) * r[2] - rv / mu * v[2]};
  o.e = std::sqrt(ev[0] * ev[0] + ev[1] * ev[1] + ev[2] * ev[2]);
  o.i = std::acos(hv[2] / hn);
  const double nodo[2] = {-hv[1], hv[0]};
  const double nn = std::hypot(nodo[0], nodo[1]);
  o.nodo = std::atan2(nodo[1], nodo[0]);
  double peri = std::acos(std::clamp((nodo[0] * ev[0] + nodo[1] * ev[1]) / (nn * o.e), -1.0, 1.0));
  if (ev[2] < 0) peri = 2 * kPi - peri;
  o.peri = peri;
  double nu =
      std::acos(std::clamp((ev[0] * r[0] + ev[1] * r[1] + ev[2] * r[2]) / (o.e * rn), -1.0, 1.0));
  if (rv < 0) nu = 2 * kPi - nu;
  const double E = 2 * std::atan(std::sqrt((1 - o.e) / (1 + o.e)) * std::tan(nu / 2));
  o.M = E - o.e * std::sin(E);
  const auto grados = [](double x) {
    x = std::fmod(x * 180 / kPi, 360.0);
    return x < 0 ? x + 360 : x;
  };
  o.M = grados(o.M);
  o.peri = grados(o.peri);
  o.nodo = grados(o.nodo);
  o.i = o.i * 180 / kPi;
  return o;
}

// A near-Earth object 0.01-0.04 AU from the Earth at jd_cerca, moving 4-12 km/s relative
// to it, with elements for the main epoch.
Orbita Acercamiento(std::mt19937& azar, double jd_cerca) {
  std::uniform_real_distribution<double> u(-1, 1);
  std::uniform_real_distribution<double> dist(0.01, 0.04);
  std::uniform_real_distribution<double> vel(4, 12);
  double pv_h[2][3];
  double pv_b[2][3];
  eraEpv00(jd_cerca, 0, pv_h, pv_b);
  double r[3];
  double v[3];
  for (;;) {
    double d[3] = {u(azar), u(azar), u(azar)};
    double w[3] = {u(azar), u(azar), u(azar)};
    const double nd = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double nw = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    if (nd < 0.1 || nw < 0.1 || nd > 1 || nw > 1) continue;
    const double rd = dist(azar);
    const double rw = vel(azar) / 1731.456837;  // km/s to AU/day
    for (int k = 0; k < 3; ++k) {
      r[k] = pv_h[0][k] + rd * d[k] / nd;
      v[k] = pv_h[1][k] + rw * w[k] / nw;
    }
    Orbita o = Elementos(r, v);
    if (!(o.e < 0.9) || !(o.a > 0.6)) continue;
    const double n = kK / (o.a * std::sqrt(o.a)) * 180 / kPi;
    o.M = std::fmod(o.M - n * (jd_cerca - kEpocaPrincipal) + 3600, 360.0);
    o.H = 22 + u(azar) * 0.5 - 2;
    return o;
  }
}

// A record of one of the file's populations, with the weights of the real file roughly.
Orbita Poblacion(std::mt19937& azar) {
  std::uniform_real_distribution<double> u(0, 1);
  Orbita o;
  const double p = u(azar);
  const auto rango = [&](double a, double b) { return a + (b - a) * u(azar); };
  double h_min = 10;
  if (p < 0.86) {  // main belt
    o.a = rango(2.1, 3.3);
    o.e = rango(0, 0.3);
    o.i = rango(0, 25);
    h_min = 3;
  } else if (p < 0.875) {  // Hungarias
    o.a = rango(1.8, 2.0);
    o.e = rango(0, 0.08);
    o.i = rango(16, 34);
  } else if (p < 0.895) {  // Mars-crossers
    o.a = rango(1.8, 2.6);
    o.e = rango((1 - 1.66 / o.a), (1 - 1.3 / o.a));
    o.i = rango(0, 30);
  } else if (p < 0.925) {  // near-Earth objects
    o.a = rango(0.8, 2.8);
    o.e = std::clamp(1 - rango(0.4, 1.3) / o.a, 0.02, 0.95);
    o.i = rango(0, 40);
    h_min = 14;
  } else if (p < 0.945) {  // Hildas
    o.a = rango(3.9, 4.0);
    o.e = rango(0.05, 0.25);
    o.i = rango(0, 15);
  } else if (p < 0.96) {  // Jupiter Trojans
    o.a = rango(5.15, 5.25);
    o.e = rango(0, 0.15);
    o.i = rango(0, 35);
    h_min = 7;
  } else if (p < 0.965) {  // trans-Neptunian objects
    o.a = rango(30, 50);
    o.e = rango(0, 0.3);
    o.i = rango(0, 35);
    h_min = 3;
  } else {  // outer main belt and Cybeles
    o.a = rango(3.3, 3.7);
    o.e = rango(0, 0.2);
    o.i = rango(0, 25);
  }
  o.M = rango(0, 360);
  o.peri = rango(0, 360);
  o.nodo = rango(0, 360);
  // Faint objects outnumber the bright ones; H runs from h_min (3 at best) to 22.
  o.H = 22 - (22 - h_min) * std::pow(u(azar), 3.0);
  if (u(azar) < 0.004) o.H = std::nan("");
  // A few elements come from an older epoch, as in the real file, where nearly every orbit
  // is given at the current standard epoch.
  if (u(azar) < 0.005) o.epoca = kEpocaPrincipal - 100 * std::floor(rango(1, 12));
  return o;
}

std::string Provisional(std::size_t k, std::string& legible) {
  // One in twenty is a survey designation, "2040 P-L" packed "PLS2040".
  if (k % 20 == 7) {
    static constexpr std::array<std::string_view, 4> kSeries = {"PLS", "T1S", "T2S", "T3S"};
    static constexpr std::array<std::string_view, 4> kLegible = {"P-L", "T-1", "T-2", "T-3"};
    const std::size_t s = k / 20 % 4;
    const std::size_t numero = 1000 + k % 9000;
    char d[16];
    std::snprintf(d, sizeof d, "%s%04zu", std::string(kSeries[s]).c_str(), numero);
    legible = std::to_string(numero) + " " + std::string(kLegible[s]);
    return d;
  }
  static constexpr std::string_view kQuincenas = "ABCDEFGHJKLMNOPQRSTUVWXY";
  static constexpr std::string_view kLetras = "ABCDEFGHJKLMNOPQRSTUVWXYZ";
  const int anio = 1990 + static_cast<int>(k % 36);
  std::size_t resto = k / 36;
  const char quincena = kQuincenas[resto % 24];
  resto /= 24;
  const char letra = kLetras[resto % 25];
  const std::size_t ciclo = resto / 25 % 620;
  std::string d(7, ' ');
  d[0] = anio >= 2000 ? 'K' : 'J';
  d[1] = static_cast<char>('0' + anio / 10 % 10);
  d[2] = static_cast<char>('0' + anio % 10);
  d[3] = quincena;
  d[4] = kBase62[ciclo / 10];
  d[5] = static_cast<char>('0' + ciclo % 10);
  d[6] = letra;
  legible = std::to_string(anio) + " " + quincena + letra + (ciclo ? std::to_string(ciclo) : "");
  return d;
}

}  // namespace

std::string NumeroEmpaquetado(std::int32_t numero) {
  char d[16];
  if (numero < 100000) {
    std::snprintf(d, sizeof d, "%05d", numero);
  } else if (numero < 620000) {
    std::snprintf(d, sizeof d, "%c%04d", kBase62[numero / 10000], numero % 10000);
  } else {
    std::int32_t x = numero - 620000;
    d[0] = '~';
    for (int i = 4; i >= 1; --i) {
      d[i] = kBase62[x % 62];
      x /= 62;
    }
    d[5] = '\0';
  }
  return d;
}

void EscribirMpcSintetico(std::ostream& salida, const OpcionesSintetico& opciones) {
  std::mt19937 azar(opciones.semilla);
  salida << "MINOR PLANET CENTER ORBIT DATABASE (MPCORB)\n"
            "\n"
            "A synthetic file with the columns of the export format: no real orbit but the\n"
            "bundled ones.\n"
            "\n"
            "Des'n     H     G   Epoch     M        Peri.      Node       Incl.       e"
            "            n           a        Reference #Obs #Opp    Arc    rms  Perts   "
            "Computer\n"
            "-------------------------------------------------------------------------------"
            "-----------------------------------------------------------------------------"
            "------------------------------------\n";
  // The real records come first, as asteroids 1 to 227 do in the real file; the synthetic
  // ones are numbered from 228 on.
  salida << opciones.reales;
  const std::size_t numerados = opciones.registros * 6 / 10;
  std::size_t escritos = 0;
  for (std::size_t k = 1; k <= numerados; ++k, ++escritos) {
    const auto numero = static_cast<std::int32_t>(k + 227);
    const Orbita o = k <= opciones.acercamientos
                         ? Acercamiento(azar, kEpocaPrincipal + opciones.dias_acercamiento)
                         : Poblacion(azar);
    salida << Linea(NumeroEmpaquetado(numero),
                    "(" + std::to_string(numero) + ") Sintetico" + std::to_string(numero), o);
  }
  salida << '\n';
  std::string legible;
  for (std::size_t k = 0; escritos < opciones.registros; ++k, ++escritos) {
    const std::string d = Provisional(k, legible);
    salida << Linea(d, legible, Poblacion(azar));
  }
}

ArchivosSinteticos PrepararArchivosSinteticos(const std::filesystem::path& carpeta,
                                              const std::filesystem::path& reales) {
  namespace fs = std::filesystem;
  ArchivosSinteticos archivos{carpeta / "orbelux_campo_MPCORB.DAT",
                              carpeta / "orbelux_campo_MPCORB.DAT.gz"};
  fs::create_directories(carpeta);
  if (!fs::exists(archivos.plano)) {
    std::ifstream entrada(reales, std::ios::binary);
    std::ostringstream texto;
    texto << entrada.rdbuf();
    OpcionesSintetico opciones;
    opciones.reales = texto.str();
    std::ofstream salida(archivos.plano, std::ios::binary);
    EscribirMpcSintetico(salida, opciones);
    if (!salida.flush()) {
      fs::remove(archivos.plano);
      throw std::runtime_error("no se puede escribir " + archivos.plano.string());
    }
  }
  if (!fs::exists(archivos.comprimido)) {
    const std::string orden =
        "gzip -c '" + archivos.plano.string() + "' > '" + archivos.comprimido.string() + "'";
    if (std::system(orden.c_str()) != 0) {
      fs::remove(archivos.comprimido);
      throw std::runtime_error("no se puede escribir " + archivos.comprimido.string());
    }
  }
  return archivos;
}

}  // namespace orbelux::sintetico
