// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/elements_format.h"

namespace orbelux::efemerides {

std::string Cita(std::string_view texto) {
  std::string cita = "\u00ab";
  for (const char c : texto) {
    const auto u = static_cast<unsigned char>(c);
    cita += (u >= 0x20 && u < 0x7f) ? c : '?';
  }
  return cita + "\u00bb";
}

std::string Prefijo(const std::string& archivo, std::uint64_t numero_linea) {
  return archivo + ", línea " + std::to_string(numero_linea) + ": ";
}

std::string MalCampo(const std::string& archivo, std::uint64_t numero_linea, const CampoFijo& campo,
                     std::string_view texto, std::string_view explicacion) {
  return Prefijo(archivo, numero_linea) + std::string(campo.nombre) + " (columnas " +
         std::to_string(campo.desde) + "-" + std::to_string(campo.hasta) + ") " +
         std::string(explicacion) + ": " + Cita(texto);
}

ErrorSinRegistros::ErrorSinRegistros(const std::string& archivo, bool hubo_lineas_ajenas)
    : ErrorElementos(archivo + (hubo_lineas_ajenas
                                    ? ": no es un fichero de elementos orbitales: ninguna de sus "
                                      "líneas es un registro en el formato del MPC (el de "
                                      "MPCORB.DAT)"
                                    : ": no contiene ningún registro de elementos"),
                     0) {}

void CorridaSinRegistro::Linea(bool registro, std::uint64_t numero_linea) {
  if (registro) {
    if (!hubo_registro_) {
      hubo_registro_ = true;
      iniciales_ = corrida_;
      desde_inicial_ = desde_;
    }
    corrida_ = 0;
    return;
  }
  if (corrida_ == 0) desde_ = numero_linea;
  if (++corrida_ > kMaximoLineasSinRegistro) Comprobar();
}

void CorridaSinRegistro::Seguir(const CorridaSinRegistro& despues) {
  // The lines before the first record of `despues` (all of them, when it saw none) carry
  // on the run that ends here.
  const std::uint64_t cabeza = despues.hubo_registro_ ? despues.iniciales_ : despues.corrida_;
  if (cabeza > 0) {
    if (corrida_ == 0) desde_ = despues.hubo_registro_ ? despues.desde_inicial_ : despues.desde_;
    corrida_ += cabeza;
    Comprobar();
  }
  if (!despues.hubo_registro_) return;
  if (!hubo_registro_) {
    hubo_registro_ = true;
    iniciales_ = corrida_;
    desde_inicial_ = desde_;
  }
  corrida_ = despues.corrida_;
  desde_ = despues.desde_;
}

void CorridaSinRegistro::Comprobar() const {
  if (corrida_ <= kMaximoLineasSinRegistro) return;
  // Named at the line where the run passed the bound, whichever way it was counted.
  const std::uint64_t linea = desde_ + kMaximoLineasSinRegistro;
  throw ErrorElementos(Prefijo(*archivo_, linea) +
                           "más de diez millones de líneas seguidas sin ningún registro (desde la "
                           "línea " +
                           std::to_string(desde_) + "): no parece un fichero de elementos",
                       linea);
}

bool Preambulo::Linea(ClaseLinea clase, std::string_view designacion, std::uint64_t numero_linea) {
  switch (clase) {
    case ClaseLinea::Registro:
      terminado_ = true;
      termino_en_registro_ = true;
      return false;
    case ClaseLinea::Guiones:
      // A header after all: the lines above it were its own.
      terminado_ = true;
      ajenas_ = 0;
      primeras_.clear();
      return true;
    case ClaseLinea::Otra:
    case ClaseLinea::Cabecera:
      ++ajenas_;
      if (primeras_.size() < kAjenasGuardadas) {
        primeras_.push_back({numero_linea, std::string(designacion)});
      }
      return true;
    case ClaseLinea::EnBlanco:
      return true;
  }
  return true;
}

}  // namespace orbelux::efemerides
