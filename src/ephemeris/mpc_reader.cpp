// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/mpc_reader.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>

#include "ephemeris/mpc_record.h"
#include "platform/line_reader.h"
#include "platform/parallel_batches.h"

namespace orbelux::efemerides {

namespace {

// Below this, starting threads costs more than it saves.
constexpr std::size_t kRegistrosPorHilo = 2048;

// The file is read in one pass that only sorts its lines out; the fields of the records
// asked for are converted afterwards, shared among the processors.
class RegistrosPorNumero final {
 public:
  explicit RegistrosPorNumero(const OpcionesLectura& opciones)
      : opciones_(opciones),
        corrida_(opciones.nombre),
        limite_(opciones.hasta ? *opciones.hasta : opciones.tope),
        lineas_(1, 0),
        inicio_(1, 0),
        largo_(1, 0),
        error_de_(1, -1) {}

  void Linea(std::string_view linea, std::uint64_t numero_linea) {
    std::int32_t numero = 0;
    const ClaseLinea clase = formato_.Clasificar(linea, numero);
    corrida_.Linea(clase == ClaseLinea::Registro, numero_linea);
    if (!preambulo_.Terminado()) {
      if (preambulo_.Linea(clase, formato_.Designacion(linea), numero_linea)) return;
      // The first record, and no header above it.
      DecirAjenasDelPreambulo();
    }
    if (clase == ClaseLinea::EnBlanco) return;
    if (clase != ClaseLinea::Registro) return Ajena(numero_linea, formato_.Designacion(linea));
    hubo_registro_ = true;
    if (numero == 0) return;  // a provisional designation: not in ast.dat
    if (numero > limite_) return;
    const auto k = static_cast<std::size_t>(numero);
    // Grown as numbers come, so that a short file costs little.
    if (k >= lineas_.size()) {
      const std::size_t nuevo =
          std::max(k + 1, std::min(2 * lineas_.size(), static_cast<std::size_t>(limite_) + 1));
      lineas_.resize(nuevo, 0);
      inicio_.resize(nuevo, 0);
      largo_.resize(nuevo, 0);
      error_de_.resize(nuevo, -1);
    }
    if (lineas_[k] != 0) {
      Anotar(numero, numero_linea,
             Prefijo(opciones_.nombre, numero_linea) + "el asteroide " + std::to_string(numero) +
                 " ya apareció en la línea " + std::to_string(lineas_[k]));
      return;
    }
    lineas_[k] = numero_linea;
    inicio_[k] = crudo_.size();
    largo_[k] = static_cast<std::uint8_t>(linea.size());
    crudo_.append(linea);
  }

  void Fin() {
    if (!preambulo_.Terminado()) DecirAjenasDelPreambulo();
    ConvertirRegistros();
  }

  std::vector<ElementosOrbitales> Resultado() {
    std::int32_t n = 0;
    if (opciones_.hasta) {
      n = *opciones_.hasta;
    } else {
      while (static_cast<std::size_t>(n) + 1 < lineas_.size() &&
             lineas_[static_cast<std::size_t>(n) + 1] != 0) {
        ++n;
      }
    }
    if (!hubo_registro_) throw ErrorSinRegistros(opciones_.nombre, hubo_ajena_);
    // The earliest unusable line among the asteroids asked for, or outside any asteroid.
    const Pendiente* primero = nullptr;
    for (const Pendiente& p : pendientes_) {
      if (p.numero <= n && (primero == nullptr || p.linea < primero->linea)) primero = &p;
    }
    if (primero != nullptr) throw ErrorElementos(primero->mensaje, primero->linea);
    if (n == 0) {
      throw ErrorElementos(opciones_.nombre + ": no contiene el asteroide 1", 0);
    }
    for (std::int32_t k = 1; k <= n; ++k) {
      if (static_cast<std::size_t>(k) >= lineas_.size() ||
          lineas_[static_cast<std::size_t>(k)] == 0) {
        throw ErrorElementos(opciones_.nombre + ": falta el asteroide " + std::to_string(k) +
                                 " (se piden los asteroides 1 a " + std::to_string(n) + ")",
                             0);
      }
    }
    elementos_.resize(static_cast<std::size_t>(n));
    return std::move(elementos_);
  }

 private:
  struct Pendiente {
    std::int32_t numero;  // 0: the line belongs to no asteroid and counts whatever N is
    std::uint64_t linea;
    std::string mensaje;
  };

  void Anotar(std::int32_t numero, std::uint64_t numero_linea, std::string mensaje) {
    // Errors wait for the end: a bad record beyond the range the file turns out to
    // cover is no error at all. The earliest per asteroid is enough.
    std::int32_t& indice = error_de_[static_cast<std::size_t>(numero)];
    if (indice < 0) {
      indice = static_cast<std::int32_t>(pendientes_.size());
      pendientes_.push_back({numero, numero_linea, std::move(mensaje)});
    } else if (numero_linea < pendientes_[static_cast<std::size_t>(indice)].linea) {
      pendientes_[static_cast<std::size_t>(indice)] = {numero, numero_linea, std::move(mensaje)};
    }
  }

  // The earliest is the one that counts.
  void DecirAjenasDelPreambulo() {
    const auto& ajenas = preambulo_.PrimerasAjenas();
    if (!ajenas.empty()) Ajena(ajenas.front().linea, ajenas.front().designacion);
  }

  void Ajena(std::uint64_t numero_linea, std::string_view designacion) {
    hubo_ajena_ = true;
    Anotar(0, numero_linea,
           Prefijo(opciones_.nombre, numero_linea) +
               "la designación (columnas 1-7) no es un número de asteroide ni una "
               "designación provisional: " +
               Cita(designacion));
  }

  void ConvertirRegistros() {
    elementos_.resize(lineas_.size() - 1);
    const std::size_t registros = lineas_.size() - 1;
    struct ErrorRegistro {
      std::int32_t numero;
      std::uint64_t linea;
      std::string mensaje;
    };
    // Each batch keeps its own errors, so that no thread waits for another.
    std::vector<std::vector<ErrorRegistro>> errores((registros + kRegistrosPorHilo - 1) /
                                                    kRegistrosPorHilo);
    const auto convertir = [this, &errores](std::size_t desde, std::size_t hasta) {
      std::vector<ErrorRegistro>& propios = errores[desde / kRegistrosPorHilo];
      CacheEpoca cache;
      for (std::size_t k = desde + 1; k < hasta + 1; ++k) {
        if (lineas_[k] == 0) continue;
        const std::string_view linea(crudo_.data() + inicio_[k], largo_[k]);
        if (auto error = formato_.Convertir(linea, static_cast<std::int32_t>(k), lineas_[k],
                                            opciones_.nombre, cache, elementos_[k - 1])) {
          propios.push_back({static_cast<std::int32_t>(k), lineas_[k], std::move(*error)});
        }
      }
    };
    RepartirEnLotes(registros, kRegistrosPorHilo, HilosPorOmision(), convertir);
    for (auto& lista : errores) {
      for (auto& e : lista) Anotar(e.numero, e.linea, std::move(e.mensaje));
    }
  }

  const FormatoElementos& formato_ = FormatoMPC();
  const OpcionesLectura& opciones_;
  CorridaSinRegistro corrida_;
  Preambulo preambulo_;
  std::int32_t limite_;
  std::vector<ElementosOrbitales> elementos_;  // asteroid k at k - 1
  // By number: the line of its record (0 if none) and where its text is kept in crudo_.
  std::vector<std::uint64_t> lineas_;
  std::vector<std::size_t> inicio_;
  std::vector<std::uint8_t> largo_;
  std::string crudo_;
  std::vector<std::int32_t> error_de_;  // by number: its entry in pendientes_, or -1
  std::vector<Pendiente> pendientes_;
  bool hubo_registro_ = false;
  bool hubo_ajena_ = false;
};

}  // namespace

std::vector<ElementosOrbitales> LeerElementosMPC(FuenteBytes& fuente,
                                                 const OpcionesLectura& opciones) {
  if (opciones.hasta && *opciones.hasta < 1) {
    throw std::invalid_argument("LeerElementosMPC: hasta must be at least 1");
  }
  RegistrosPorNumero lectura(opciones);
  LectorLineas lector(fuente, FormatoMPC().AnchoUtil());
  std::uint64_t numero_linea = 0;
  while (!lector.AlFinal()) lectura.Linea(lector.LeerLinea(), ++numero_linea);
  lectura.Fin();
  return lectura.Resultado();
}

}  // namespace orbelux::efemerides
