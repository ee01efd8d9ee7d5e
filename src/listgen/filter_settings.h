// SPDX-License-Identifier: GPL-3.0-or-later
// The sixteen filter texts of the window, the numeric bounds they give, and the
// conversions between texts and numbers that the whole list generation uses.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fallo.h"

namespace orbelux {

// The filter boxes, in the order a run visits them, which is also their tab order.
enum class Caja : std::uint8_t {
  txtARh_min,
  txtARm_min,
  txtARs_min,
  txtARh_max,
  txtARm_max,
  txtARs_max,
  txtDECg_min,
  txtDECm_min,
  txtDECs_min,
  txtDECg_max,
  txtDECm_max,
  txtDECs_max,
  txtNumero_min,
  txtNumero_max,
  txtMag_min,
  txtMag_max,
};

inline constexpr std::size_t kNumCajas = 16;

inline constexpr std::array<Caja, kNumCajas> kCajas = {
    Caja::txtARh_min,    Caja::txtARm_min,    Caja::txtARs_min,  Caja::txtARh_max,
    Caja::txtARm_max,    Caja::txtARs_max,    Caja::txtDECg_min, Caja::txtDECm_min,
    Caja::txtDECs_min,   Caja::txtDECg_max,   Caja::txtDECm_max, Caja::txtDECs_max,
    Caja::txtNumero_min, Caja::txtNumero_max, Caja::txtMag_min,  Caja::txtMag_max,
};

// The control name of a box, such as "txtARh_min".
std::string_view NombreCaja(Caja caja);

// The texts of the sixteen boxes, UTF-8, indexed by box.
struct CamposFiltro {
  std::array<std::string, kNumCajas> textos;

  std::string& operator[](Caja caja) { return textos[static_cast<std::size_t>(caja)]; }
  const std::string& operator[](Caja caja) const {
    return textos[static_cast<std::size_t>(caja)];
  }
};

// The numeric bounds of one run. AR_max has 24 added when the window wraps through 0h.
struct LimitesFiltro {
  double AR_min = 0;
  double AR_max = 0;
  bool AR_cruza = false;
  double DEC_min = 0;
  double DEC_max = 0;
  double Num_min = 0;
  double Num_max = 0;
  std::int16_t Mag_min = 0;
  std::int16_t Mag_max = 0;
};

// A box whose value does not fit a 16-bit integer. Still an overflow, but the run
// tells the user which box to correct.
class DesbordamientoFiltro : public Desbordamiento {
 public:
  explicit DesbordamientoFiltro(Caja caja) : caja_(caja) {}
  Caja caja() const { return caja_; }

 private:
  Caja caja_;
};

namespace detalle {
double ValNumericoLargo(std::string_view texto);
[[noreturn]] void LanzarDesbordamiento();  // out of line: the rare path stays small

inline constexpr std::array<double, 23> kPotencias10 = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr bool EsBlanco(char c) { return c == ' ' || c == '\t'; }
constexpr bool EsDigito(char c) { return c >= '0' && c <= '9'; }

// Nearest integer, ties to even, whatever the floating-point rounding mode.
template <typename Entero>
Entero Redondear(double valor) {
  // NaN and values far outside every target fail here, before any conversion.
  if (!(valor > -1e18 && valor < 1e18)) LanzarDesbordamiento();
  auto entero = static_cast<std::int64_t>(valor);  // toward zero
  const double resto = valor - static_cast<double>(entero);  // exact, in (-1, 1)
  const bool impar = (entero & 1) != 0;
  if (resto > 0.5 || (resto == 0.5 && impar)) {
    ++entero;
  } else if (resto < -0.5 || (resto == -0.5 && impar)) {
    --entero;
  }
  if (entero < std::numeric_limits<Entero>::min() || entero > std::numeric_limits<Entero>::max()) {
    LanzarDesbordamiento();
  }
  return static_cast<Entero>(entero);
}
}  // namespace detalle

// The number at the start of a text: blanks (spaces, tabs) are skipped wherever they
// stand, then an optional sign, digits with at most one '.', whatever the locale.
// Reading stops at any other character; no digits gives 0. "-0" gives -0.0, so the
// sign of a degrees text survives even when its value is zero.
//
// Inline because every catalogue line converts seven fields. Fields and typed bounds
// are short: with at most 15 significant digits both the digits and the power of ten
// are exact doubles, so one division gives the correctly rounded value. Anything
// longer takes the general road.
inline double ValNumerico(std::string_view texto) {
  // Leading zeros count as digits here: the rare text they push past 15 digits only
  // takes the general road, which gives the same value.
  constexpr int kDigitosExactos = 15;
  const char* p = texto.data();
  const char* const fin = p + texto.size();
  while (p != fin && detalle::EsBlanco(*p)) ++p;
  bool negativo = false;
  if (p != fin && (*p == '+' || *p == '-')) negativo = *p++ == '-';

  std::uint64_t mantisa = 0;
  int digitos = 0;
  int decimales = 0;
  bool punto = false;
  for (; p != fin; ++p) {
    const unsigned cifra = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (cifra < 10) {
      if (++digitos > kDigitosExactos) return detalle::ValNumericoLargo(texto);
      mantisa = mantisa * 10 + cifra;
      decimales += punto;
    } else if (*p == '.' && !punto) {
      punto = true;
    } else if (!detalle::EsBlanco(*p)) {
      break;
    }
  }
  if (digitos == 0) return 0.0;
  const double valor = static_cast<double>(mantisa) / detalle::kPotencias10[decimales];
  return negativo ? -valor : valor;
}

// Nearest 16-bit / 32-bit integer, ties to even; Desbordamiento outside the range.
inline std::int16_t EnteroCorto(double valor) { return detalle::Redondear<std::int16_t>(valor); }
inline std::int32_t EnteroLargo(double valor) { return detalle::Redondear<std::int32_t>(valor); }

// Up to `longitud` bytes from the 1-based position `inicio`, or all of the rest.
inline std::string_view ExtraerTexto(std::string_view texto, std::size_t inicio,
                                     std::optional<std::size_t> longitud = std::nullopt) {
  if (inicio == 0 || inicio > texto.size()) return {};
  return texto.substr(inicio - 1, longitud.value_or(std::string_view::npos));
}

// Right ascension in decimal hours, grouped as (h + m / 60) + s / 3600.
double HorasDecimales(std::int16_t h, std::int16_t m, double s);

// Declination in decimal degrees. The sign of the degrees text (negativo, its sign bit,
// so "-00" counts) applies to the arcminutes and arcseconds too.
double GradosDecimales(bool negativo, std::int16_t g, std::int16_t m, double s);

// Empty texts become "00". Returns the boxes it filled, in order.
std::vector<Caja> NormalizarCampos(CamposFiltro& campos);

// The bounds of a run. Throws DesbordamientoFiltro naming the first box (in tab
// order) whose value does not fit a 16-bit integer.
LimitesFiltro CalcularLimites(const CamposFiltro& campos);

}  // namespace orbelux
