// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/filter_settings.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace orbelux {

std::string_view NombreCaja(Caja caja) {
  static constexpr std::array<std::string_view, kNumCajas> kNombres = {
      "txtARh_min",  "txtARm_min",  "txtARs_min",    "txtARh_max",    "txtARm_max",
      "txtARs_max",  "txtDECg_min", "txtDECm_min",   "txtDECs_min",   "txtDECg_max",
      "txtDECm_max", "txtDECs_max", "txtNumero_min", "txtNumero_max", "txtMag_min",
      "txtMag_max",
  };
  return kNombres[static_cast<std::size_t>(caja)];
}

namespace detalle {

// Any text, however long: the number is gathered without its blanks and converted in
// one go, so the result is the correctly rounded double of the decimal text.
double ValNumericoLargo(std::string_view texto) {
  std::string numero;
  bool negativo = false;
  bool signo_visto = false;
  bool punto_visto = false;
  bool entero_no_nulo = false;
  bool hay_digitos = false;
  for (const char c : texto) {
    if (EsBlanco(c)) continue;
    if (!signo_visto && !hay_digitos && !punto_visto && (c == '+' || c == '-')) {
      signo_visto = true;
      negativo = c == '-';
    } else if (EsDigito(c)) {
      hay_digitos = true;
      if (!punto_visto && c != '0') entero_no_nulo = true;
      numero.push_back(c);
    } else if (c == '.' && !punto_visto) {
      punto_visto = true;
      numero.push_back(c);
    } else {
      break;
    }
  }
  if (!hay_digitos) return 0.0;

  double valor = 0.0;
  const auto [fin, error] = std::from_chars(numero.data(), numero.data() + numero.size(), valor,
                                            std::chars_format::fixed);
  if (error == std::errc::result_out_of_range) {
    // Beyond a double: a whole part of many digits is huge, a long run of zeros is tiny.
    valor = entero_no_nulo ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negativo ? -valor : valor;
}

[[noreturn]] void LanzarDesbordamiento() { throw Desbordamiento(); }

}  // namespace detalle

double HorasDecimales(std::int16_t h, std::int16_t m, double s) {
  return (static_cast<double>(h) + static_cast<double>(m) / 60.0) + s / 3600.0;
}

double GradosDecimales(bool negativo, std::int16_t g, std::int16_t m, double s) {
  if (!negativo) return (static_cast<double>(g) + static_cast<double>(m) / 60.0) + s / 3600.0;
  // |g| in floating point: g may be -32768.
  return -((std::fabs(static_cast<double>(g)) + static_cast<double>(m) / 60.0) + s / 3600.0);
}

std::vector<Caja> NormalizarCampos(CamposFiltro& campos) {
  std::vector<Caja> rellenadas;
  for (const Caja caja : kCajas) {
    if (campos[caja].empty()) {
      campos[caja] = "00";
      rellenadas.push_back(caja);
    }
  }
  return rellenadas;
}

namespace {

std::int16_t CortoDeCaja(const CamposFiltro& campos, Caja caja) {
  try {
    return EnteroCorto(ValNumerico(campos[caja]));
  } catch (const Desbordamiento&) {
    throw DesbordamientoFiltro(caja);
  }
}

double HorasDeCajas(const CamposFiltro& campos, Caja h, Caja m, Caja s) {
  const std::int16_t horas = CortoDeCaja(campos, h);
  const std::int16_t minutos = CortoDeCaja(campos, m);
  return HorasDecimales(horas, minutos, ValNumerico(campos[s]));
}

double GradosDeCajas(const CamposFiltro& campos, Caja g, Caja m, Caja s) {
  const bool negativo = std::signbit(ValNumerico(campos[g]));
  const std::int16_t grados = CortoDeCaja(campos, g);
  const std::int16_t minutos = CortoDeCaja(campos, m);
  return GradosDecimales(negativo, grados, minutos, ValNumerico(campos[s]));
}

}  // namespace

LimitesFiltro CalcularLimites(const CamposFiltro& campos) {
  LimitesFiltro limites;
  limites.AR_min = HorasDeCajas(campos, Caja::txtARh_min, Caja::txtARm_min, Caja::txtARs_min);
  limites.AR_max = HorasDeCajas(campos, Caja::txtARh_max, Caja::txtARm_max, Caja::txtARs_max);
  limites.DEC_min =
      GradosDeCajas(campos, Caja::txtDECg_min, Caja::txtDECm_min, Caja::txtDECs_min);
  limites.DEC_max =
      GradosDeCajas(campos, Caja::txtDECg_max, Caja::txtDECm_max, Caja::txtDECs_max);
  limites.Num_min = ValNumerico(campos[Caja::txtNumero_min]);
  limites.Num_max = ValNumerico(campos[Caja::txtNumero_max]);
  limites.Mag_min = CortoDeCaja(campos, Caja::txtMag_min);
  limites.Mag_max = CortoDeCaja(campos, Caja::txtMag_max);
  if (limites.AR_min > limites.AR_max) {
    limites.AR_cruza = true;
    limites.AR_max += 24.0;
  }
  return limites;
}

}  // namespace orbelux
