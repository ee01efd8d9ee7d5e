// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/packed_fields.h"

#include <array>
#include <charconv>
#include <cstddef>

#include <erfa.h>

namespace orbelux::efemerides {

namespace {

bool EsDigito(char c) { return c >= '0' && c <= '9'; }
bool EsMayuscula(char c) { return c >= 'A' && c <= 'Z'; }
bool EsMinuscula(char c) { return c >= 'a' && c <= 'z'; }
bool EsBlanco(char c) { return c == ' ' || c == '\t'; }

// 0-9, A-Z, a-z as 0..61; -1 for any other character.
int Base62(char c) {
  if (EsDigito(c)) return c - '0';
  if (EsMayuscula(c)) return c - 'A' + 10;
  if (EsMinuscula(c)) return c - 'a' + 36;
  return -1;
}

// Months and days of packed dates: 1-9, then A = 10 onwards.
int DigitoFecha(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'V') return c - 'A' + 10;
  return -1;
}

bool ColumnasVacias(std::string_view campo, std::size_t desde) {
  for (std::size_t i = desde; i < campo.size(); ++i) {
    if (campo[i] != ' ') return false;
  }
  return true;
}

constexpr std::array<double, 16> kPotencias10 = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

std::optional<std::int32_t> NumeroEmpaquetado(std::string_view campo) {
  if (campo.size() < 5 || !ColumnasVacias(campo.substr(0, 7), 5)) return std::nullopt;
  std::int32_t numero = 0;
  if (campo[0] == '~') {
    for (std::size_t i = 1; i < 5; ++i) {
      const int d = Base62(campo[i]);
      if (d < 0) return std::nullopt;
      numero = numero * 62 + d;
    }
    return 620000 + numero;
  }
  const int cabeza = Base62(campo[0]);
  if (cabeza < 0) return std::nullopt;
  numero = cabeza;
  for (std::size_t i = 1; i < 5; ++i) {
    if (!EsDigito(campo[i])) return std::nullopt;
    numero = numero * 10 + (campo[i] - '0');
  }
  if (numero == 0) return std::nullopt;
  return numero;
}

bool EsDesignacionProvisional(std::string_view campo) {
  if (campo.size() < 7) return false;
  const std::string_view d = campo.substr(0, 7);
  // Survey designations: P-L and the three Trojan surveys.
  if ((d.substr(0, 3) == "PLS" || d.substr(0, 3) == "T1S" || d.substr(0, 3) == "T2S" ||
       d.substr(0, 3) == "T3S") &&
      EsDigito(d[3]) && EsDigito(d[4]) && EsDigito(d[5]) && EsDigito(d[6])) {
    return true;
  }
  // Cycle counts beyond 619 use a leading '_' and base-62 digits.
  if (d[0] == '_') {
    for (std::size_t i = 1; i < 7; ++i) {
      if (Base62(d[i]) < 0) return false;
    }
    return true;
  }
  const bool siglo = d[0] == 'I' || d[0] == 'J' || d[0] == 'K';
  const bool quincena = EsMayuscula(d[3]) && d[3] != 'I' && d[3] != 'Z';
  const bool orden = EsMayuscula(d[6]) && d[6] != 'I';
  return siglo && EsDigito(d[1]) && EsDigito(d[2]) && quincena && Base62(d[4]) >= 0 &&
         EsDigito(d[5]) && orden;
}

std::optional<double> EpocaEmpaquetada(std::string_view campo) {
  if (campo.size() != 5) return std::nullopt;
  int siglo = 0;
  switch (campo[0]) {
    case 'I': siglo = 18; break;
    case 'J': siglo = 19; break;
    case 'K': siglo = 20; break;
    default: return std::nullopt;
  }
  if (!EsDigito(campo[1]) || !EsDigito(campo[2])) return std::nullopt;
  const int anio = siglo * 100 + (campo[1] - '0') * 10 + (campo[2] - '0');
  const int mes = DigitoFecha(campo[3]);
  const int dia = DigitoFecha(campo[4]);
  if (mes < 1 || mes > 12 || dia < 1) return std::nullopt;
  double djm0 = 0;
  double djm = 0;
  // eraCal2jd refuses day 31 of a 30-day month, 29 February of common years, and so on.
  if (eraCal2jd(anio, mes, dia, &djm0, &djm) != 0) return std::nullopt;
  return djm0 + djm;
}

std::optional<double> NumeroDecimal(std::string_view campo) {
  std::size_t i = 0;
  std::size_t fin = campo.size();
  while (i < fin && EsBlanco(campo[i])) ++i;
  while (fin > i && EsBlanco(campo[fin - 1])) --fin;
  bool negativo = false;
  if (i < fin && (campo[i] == '+' || campo[i] == '-')) {
    negativo = campo[i] == '-';
    ++i;
  }
  const std::size_t inicio_digitos = i;
  std::uint64_t mantisa = 0;
  std::size_t cifras = 0;
  std::size_t punto = std::string_view::npos;  // digits before the '.'
  for (; i < fin; ++i) {
    const auto d = static_cast<unsigned>(static_cast<unsigned char>(campo[i]) - '0');
    if (d <= 9) {
      mantisa = mantisa * 10 + d;  // wraps beyond 19 digits, which take the other path
      ++cifras;
    } else if (campo[i] == '.' && punto == std::string_view::npos) {
      punto = cifras;
    } else {
      return std::nullopt;
    }
  }
  if (cifras == 0) return std::nullopt;
  const std::size_t decimales = punto == std::string_view::npos ? 0 : cifras - punto;

  double valor = 0;
  // Up to 15 digits the quotient of two exact doubles is correctly rounded, which is what
  // strtod gives; longer texts take the general path.
  if (cifras <= 15) {
    valor = static_cast<double>(mantisa) / kPotencias10[decimales];
  } else {
    const auto [p, ec] =
        std::from_chars(campo.data() + inicio_digitos, campo.data() + fin, valor,
                        std::chars_format::fixed);
    if (ec != std::errc() || p != campo.data() + fin) return std::nullopt;
  }
  return negativo ? -valor : valor;
}

bool CampoEnBlanco(std::string_view campo) {
  for (const char c : campo) {
    if (!EsBlanco(c)) return false;
  }
  return true;
}

}  // namespace orbelux::efemerides
