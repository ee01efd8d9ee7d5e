// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/mpc_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>

#include "ephemeris/mpc_record.h"
#include "ephemeris/packed_fields.h"
#include "platform/line_reader.h"
#include "platform/parallel_batches.h"

namespace orbelux::efemerides {

namespace {

// Columns 1-194 are all a record is read for; the rest of a longer line is dropped unread.
constexpr std::size_t kAnchoUtil = 194;

bool EnBlanco(std::string_view linea) {
  return linea.find_first_not_of(" \t") == std::string_view::npos;
}

bool EsLineaGuiones(std::string_view linea) {
  const std::size_t fin = linea.find_last_not_of(" \t");
  if (fin == std::string_view::npos) return false;
  return linea.substr(0, fin + 1).find_first_not_of('-') == std::string_view::npos;
}

// Below this, starting threads costs more than it saves.
constexpr std::size_t kRegistrosPorHilo = 2048;

// The file is read in one pass that only sorts its lines out; the fields of the records
// asked for are converted afterwards, shared among the processors.
class Lectura final {
 public:
  explicit Lectura(const OpcionesLectura& opciones)
      : opciones_(opciones),
        limite_(opciones.hasta ? *opciones.hasta : opciones.tope),
        lineas_(1, 0),
        inicio_(1, 0),
        largo_(1, 0),
        error_de_(1, -1) {}

  void Linea(std::string_view linea, std::uint64_t numero_linea) {
    if (EnBlanco(linea)) return SinRegistro(numero_linea);
    const std::string_view designacion = Columnas(linea, 1, 7);
    const std::optional<std::int32_t> numero = NumeroEmpaquetado(designacion);
    if (numero || EsDesignacionProvisional(designacion)) {
      sin_registro_ = 0;
    } else {
      SinRegistro(numero_linea);
    }
    if (!cabecera_decidida_) {
      if (EsLineaGuiones(linea)) {
        // A header, and whatever was not a record above it belonged to it.
        cabecera_decidida_ = true;
        primera_ajena_ = 0;
        return;
      }
      if (!numero && !EsDesignacionProvisional(designacion)) {
        if (primera_ajena_ == 0) {
          primera_ajena_ = numero_linea;
          texto_ajena_ = designacion;
        }
        return;
      }
      // The first record, and no header above it.
      cabecera_decidida_ = true;
      if (primera_ajena_ != 0) Ajena(primera_ajena_, texto_ajena_);
    }
    if (!numero) {
      if (!EsDesignacionProvisional(designacion)) Ajena(numero_linea, designacion);
      return;
    }
    if (*numero > limite_) return;
    const auto k = static_cast<std::size_t>(*numero);
    // Grown as numbers come, so that a short file costs little.
    if (k >= lineas_.size()) {
      const std::size_t nuevo = std::max(
          k + 1, std::min(2 * lineas_.size(), static_cast<std::size_t>(limite_) + 1));
      lineas_.resize(nuevo, 0);
      inicio_.resize(nuevo, 0);
      largo_.resize(nuevo, 0);
      error_de_.resize(nuevo, -1);
    }
    if (lineas_[k] != 0) {
      Anotar(*numero, numero_linea,
             Prefijo(opciones_.nombre, numero_linea) + "el asteroide " +
                 std::to_string(*numero) + " ya apareció en la línea " +
                 std::to_string(lineas_[k]));
      return;
    }
    lineas_[k] = numero_linea;
    inicio_[k] = crudo_.size();
    largo_[k] = static_cast<std::uint8_t>(linea.size());
    crudo_.append(linea);
  }

  void Fin() {
    if (!cabecera_decidida_ && primera_ajena_ != 0) Ajena(primera_ajena_, texto_ajena_);
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
    // The earliest unusable line among the asteroids asked for, or outside any asteroid.
    const Pendiente* primero = nullptr;
    for (const Pendiente& p : pendientes_) {
      if (p.numero <= n && (primero == nullptr || p.linea < primero->linea)) primero = &p;
    }
    if (primero != nullptr) throw ErrorElementos(primero->mensaje, primero->linea);
    if (n == 0) {
      throw ErrorElementos(opciones_.nombre + ": no contiene el asteroide 1" +
                               (cabecera_decidida_ ? "" : " (ni ningún otro registro)"),
                           0);
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

  // A file of nothing but blank or foreign lines (a few megabytes of gzip can hold ten
  // gigabytes of them) is refused before it keeps the program busy for minutes.
  void SinRegistro(std::uint64_t numero_linea) {
    if (++sin_registro_ <= kMaximoLineasSinRegistro) return;
    throw ErrorElementos(Prefijo(opciones_.nombre, numero_linea) +
                             "más de diez millones de líneas seguidas sin ningún registro "
                             "(desde la línea " +
                             std::to_string(numero_linea - kMaximoLineasSinRegistro) +
                             "): no parece un fichero de elementos",
                         numero_linea);
  }

  void Ajena(std::uint64_t numero_linea, std::string_view designacion) {
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
        if (auto error = ConvertirRegistro(linea, static_cast<std::int32_t>(k), lineas_[k],
                                           opciones_.nombre, cache, elementos_[k - 1])) {
          propios.push_back({static_cast<std::int32_t>(k), lineas_[k], std::move(*error)});
        }
      }
    };
    RepartirEnLotes(registros, kRegistrosPorHilo,
                    std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u), convertir);
    for (auto& lista : errores) {
      for (auto& e : lista) Anotar(e.numero, e.linea, std::move(e.mensaje));
    }
  }

  const OpcionesLectura& opciones_;
  std::int32_t limite_;
  std::vector<ElementosOrbitales> elementos_;  // asteroid k at k - 1
  // By number: the line of its record (0 if none) and where its text is kept in crudo_.
  std::vector<std::uint64_t> lineas_;
  std::vector<std::size_t> inicio_;
  std::vector<std::uint8_t> largo_;
  std::string crudo_;
  std::vector<std::int32_t> error_de_;  // by number: its entry in pendientes_, or -1
  std::vector<Pendiente> pendientes_;
  bool cabecera_decidida_ = false;
  std::uint64_t sin_registro_ = 0;  // lines since the last record
  std::uint64_t primera_ajena_ = 0;
  std::string texto_ajena_;
};

}  // namespace

std::vector<ElementosOrbitales> LeerElementosMPC(FuenteBytes& fuente,
                                                 const OpcionesLectura& opciones) {
  if (opciones.hasta && *opciones.hasta < 1) {
    throw std::invalid_argument("LeerElementosMPC: hasta must be at least 1");
  }
  Lectura lectura(opciones);
  LectorLineas lector(fuente, kAnchoUtil);
  std::uint64_t numero_linea = 0;
  while (!lector.AlFinal()) lectura.Linea(lector.LeerLinea(), ++numero_linea);
  lectura.Fin();
  return lectura.Resultado();
}

}  // namespace orbelux::efemerides
