// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/field_search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "ephemeris/astrometric.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/mpc_record.h"
#include "ephemeris/orbital_elements.h"
#include "ephemeris/packed_fields.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/planet_table.h"
#include "ephemeris/two_body.h"
#include "field/culling_margin.h"

namespace orbelux::campo {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr double kSegundoArco = kGrado / 3600;
// Columns 1-194 are all a record is read for.
constexpr std::size_t kAnchoUtil = 194;
constexpr std::size_t kBloque = std::size_t{1} << 20;
// Blocks read ahead of the threads that sort the records out: bounded memory.
constexpr std::size_t kBloquesEnCola = 6;
constexpr double kMinuto = 1.0 / 1440;

ef::Instante Desplazado(ef::Instante instante, double dias) {
  instante.utc.fraccion += dias;
  instante.tt.fraccion += dias;
  instante.tdb.fraccion += dias;
  return instante;
}

bool EnBlanco(std::string_view linea) {
  return linea.find_first_not_of(" \t") == std::string_view::npos;
}

bool EsLineaGuiones(std::string_view linea) {
  const std::size_t fin = linea.find_last_not_of(" \t");
  if (fin == std::string_view::npos) return false;
  return linea.substr(0, fin + 1).find_first_not_of('-') == std::string_view::npos;
}

std::string_view Recortar(std::string_view texto) {
  const std::size_t primero = texto.find_first_not_of(" \t");
  if (primero == std::string_view::npos) return {};
  return texto.substr(primero, texto.find_last_not_of(" \t") - primero + 1);
}

// Columns 1-7 as a record: its number (0 for a provisional designation), or nothing.
std::optional<std::int32_t> Designacion(std::string_view linea) {
  const std::string_view campo = ef::Columnas(linea, 1, 7);
  if (const auto numero = ef::NumeroEmpaquetado(campo)) return *numero;
  if (ef::EsDesignacionProvisional(campo)) return 0;
  return std::nullopt;
}

std::string NombreParaMensaje(std::string_view linea) {
  const std::string_view legible = ef::DesignacionLegible(linea);
  if (!legible.empty()) return std::string(legible);
  return std::string(Recortar(ef::Columnas(linea, 1, 7)));
}

struct Bloque {
  std::string datos;  // whole lines
  std::uint64_t primera_linea = 0;
};

// A lone CR ends a line, as LF and CR LF do: it becomes LF here, so that the rest of the
// search sees only LF and CR LF. A CR at the very end of the data waits for the next block,
// which tells whether an LF follows it.
void LoneCrALf(std::string& datos, bool al_final) {
  for (std::size_t i = datos.find('\r'); i != std::string::npos; i = datos.find('\r', i + 1)) {
    if (i + 1 < datos.size() ? datos[i + 1] != '\n' : al_final) datos[i] = '\n';
  }
}

// One thread reads (and inflates) the source into blocks of whole lines while the others
// sort them out. The header, everything up to the first record or a line of dashes, is
// dropped here, since it is the only part read in order.
class Lectura final {
 public:
  Lectura(ef::FuenteBytes& fuente, std::string nombre, std::function<void(std::size_t)> leidos)
      : fuente_(fuente), nombre_(std::move(nombre)), leidos_(std::move(leidos)) {}

  void Leer() {
    try {
      std::string resto;
      std::uint64_t linea = 1;
      bool en_cabecera = true;
      auto buffer = std::make_unique_for_overwrite<char[]>(kBloque);
      std::size_t total = 0;
      for (;;) {
        const std::size_t n = fuente_.Leer(buffer.get(), kBloque);
        total += n;
        if (leidos_) leidos_(total);
        Bloque bloque;
        bloque.datos = std::move(resto);
        resto.clear();
        bloque.datos.append(buffer.get(), n);
        LoneCrALf(bloque.datos, n == 0);
        if (n != 0) {
          const std::size_t fin = bloque.datos.rfind('\n');
          if (fin == std::string::npos) {
            resto = std::move(bloque.datos);
            continue;
          }
          resto.assign(bloque.datos, fin + 1);
          bloque.datos.resize(fin + 1);
        }
        ContarBlancas(bloque.datos, linea);
        if (en_cabecera) en_cabecera = QuitarCabecera(bloque.datos, linea);
        bloque.primera_linea = linea;
        linea +=
            static_cast<std::uint64_t>(std::count(bloque.datos.begin(), bloque.datos.end(), '\n'));
        if (!bloque.datos.empty() && !Poner(std::move(bloque))) return;
        if (n == 0) break;
      }
    } catch (...) {
      std::lock_guard<std::mutex> cerrojo(mutex_);
      fallo_ = std::current_exception();
    }
    std::lock_guard<std::mutex> cerrojo(mutex_);
    terminada_ = true;
    hay_datos_.notify_all();
  }

  // False when the reading is over and every block was taken.
  bool Tomar(Bloque& bloque) {
    std::unique_lock<std::mutex> cerrojo(mutex_);
    hay_datos_.wait(cerrojo, [this] { return !cola_.empty() || terminada_; });
    if (cola_.empty()) return false;
    bloque = std::move(cola_.front());
    cola_.pop_front();
    hay_sitio_.notify_one();
    return true;
  }

  void Abandonar() {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    abandonada_ = true;
    hay_sitio_.notify_all();
  }

  void Relanzar() {
    if (fallo_) std::rethrow_exception(fallo_);
  }

  bool HuboRegistro() const { return hubo_registro_; }

 private:
  bool Poner(Bloque bloque) {
    std::unique_lock<std::mutex> cerrojo(mutex_);
    hay_sitio_.wait(cerrojo, [this] { return cola_.size() < kBloquesEnCola || abandonada_; });
    if (abandonada_) return false;
    cola_.push_back(std::move(bloque));
    hay_datos_.notify_one();
    return true;
  }

  // A file of nothing but blank lines (a few megabytes of gzip can hold gigabytes of them)
  // is refused, as the catalogue maker refuses it, before it keeps the search busy for
  // minutes. Only a run of blank lines that reaches the end of a block can go on into the
  // next one, so that run is all that is carried over.
  void ContarBlancas(std::string_view datos, std::uint64_t primera_linea) {
    const std::size_t ultimo = datos.find_last_not_of(" \t\n");
    const auto lineas = static_cast<std::uint64_t>(std::count(datos.begin(), datos.end(), '\n'));
    if (ultimo == std::string_view::npos) {
      blancas_ += lineas;
    } else {
      // The line that holds the last text ends at the next LF; the lines after it are blank.
      const auto tras = datos.substr(ultimo);
      blancas_ = static_cast<std::uint64_t>(
          std::max<std::ptrdiff_t>(std::count(tras.begin(), tras.end(), '\n') - 1, 0));
    }
    if (blancas_ <= ef::kMaximoLineasSinRegistro) return;
    const std::uint64_t linea = primera_linea + lineas - 1;  // the block's last
    throw ef::ErrorElementos(ef::Prefijo(nombre_, linea) +
                                 "más de diez millones de líneas seguidas sin ningún registro "
                                 "(desde la línea " +
                                 std::to_string(linea - blancas_ + 1) +
                                 "): no parece un fichero de elementos",
                             linea);
  }

  // Drops the header lines at the front of `datos`; true while the header goes on.
  bool QuitarCabecera(std::string& datos, std::uint64_t& linea) {
    std::size_t pos = 0;
    while (pos < datos.size()) {
      const std::size_t salto = datos.find('\n', pos);
      const std::size_t fin = salto == std::string::npos ? datos.size() : salto;
      std::string_view texto(datos.data() + pos, fin - pos);
      if (!texto.empty() && texto.back() == '\r') texto.remove_suffix(1);
      if (!EnBlanco(texto) && Designacion(texto)) {
        hubo_registro_ = true;
        datos.erase(0, pos);
        return false;
      }
      pos = salto == std::string::npos ? datos.size() : salto + 1;
      ++linea;
      if (EsLineaGuiones(texto)) {
        datos.erase(0, pos);
        return false;
      }
    }
    datos.clear();
    return true;
  }

  ef::FuenteBytes& fuente_;
  std::string nombre_;
  std::function<void(std::size_t)> leidos_;
  std::uint64_t blancas_ = 0;
  std::mutex mutex_;
  std::condition_variable hay_datos_;
  std::condition_variable hay_sitio_;
  std::deque<Bloque> cola_;
  bool terminada_ = false;
  bool abandonada_ = false;
  bool hubo_registro_ = false;
  std::exception_ptr fallo_;
};

struct Candidato {
  ef::ElementosOrbitales el;
  std::string designacion;
  std::uint64_t linea = 0;
};

struct Omitido {
  std::uint64_t linea;
  std::string designacion;
};

// What one thread found in the blocks it took.
struct Hallazgos {
  std::vector<Candidato> candidatos;
  std::vector<Omitido> omitidos;  // the earliest few
  std::uint64_t omitidos_total = 0;
  std::uint64_t registros = 0;
  bool hubo_registro = false;

  void Omitir(std::uint64_t linea, std::string designacion) {
    ++omitidos_total;
    omitidos.push_back({linea, std::move(designacion)});
    std::sort(omitidos.begin(), omitidos.end(),
              [](const Omitido& a, const Omitido& b) { return a.linea < b.linea; });
    if (omitidos.size() > kOmitidosNombrados) omitidos.pop_back();
  }
};

// What every record is measured against.
struct Criba {
  const PeticionCampo* peticion = nullptr;
  ef::Vector3 observador;  // heliocentric, at the instant
  ef::Vector3 centro;      // unit vector
  double t1 = 0;           // the instant's TDB in two parts
  double t2 = 0;
  double cos_radio = 0;
  const TramosCuerpos* tramos = nullptr;  // null for two-body motion
};

void CribarBloque(const Bloque& bloque, const Criba& criba, Hallazgos& h) {
  ef::CacheEpoca cache;
  const PeticionCampo& p = *criba.peticion;
  std::uint64_t numero_linea = bloque.primera_linea;
  std::size_t pos = 0;
  const std::string& datos = bloque.datos;
  for (; pos < datos.size(); ++numero_linea) {
    // The last line of a file may have no line end.
    const std::size_t salto = std::min(datos.find('\n', pos), datos.size());
    std::string_view linea(datos.data() + pos, salto - pos);
    pos = salto + 1;
    if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
    if (EnBlanco(linea)) continue;
    linea = linea.substr(0, kAnchoUtil);
    ++h.registros;
    const std::optional<std::int32_t> numero = Designacion(linea);
    if (!numero) {
      h.Omitir(numero_linea, std::string(Recortar(ef::Columnas(linea, 1, 7))));
      continue;
    }
    h.hubo_registro = true;
    ef::ElementosOrbitales el;
    if (ef::ConvertirRegistro(linea, *numero, numero_linea, p.nombre_elementos, cache, el)) {
      h.Omitir(numero_linea, NombreParaMensaje(linea));
      continue;
    }
    bool candidato = p.exhaustivo;
    if (!candidato) {
      const ef::OrbitaKepleriana orbita(el);
      const ef::Vector3 helio = orbita.Posicion(criba.t1, criba.t2);
      const ef::Vector3 desde = helio - criba.observador;
      const double distancia = ef::Modulo(desde);
      if (!std::isfinite(distancia)) {
        h.Omitir(numero_linea, NombreParaMensaje(linea));
        continue;
      }
      const double coseno = ef::Producto(desde, criba.centro) / distancia;
      DatosMargen datos;
      datos.dias_desde_epoca = criba.t1 + criba.t2 - el.epoca;
      datos.distancia = distancia;
      datos.perturbado = p.perturbado;
      // The angle beyond the circle that a margin must reach to keep the record; behind
      // the observer, a quarter turn is enough to rule it out.
      double falta = 0;
      if (coseno < criba.cos_radio) {
        falta = coseno > -1e-9 || criba.cos_radio < 0
                    ? std::acos(std::clamp(coseno, -1.0, 1.0)) - p.radio
                    : kPi / 2 - p.radio;
      }
      // First the margin from the distances to the Sun alone, which rules out nearly every
      // record; only the rest look at where the bodies are along their orbits.
      candidato = falta <= 0 || !(MargenAngular(el, datos) < falta);
      if (candidato && falta > 0 && criba.tramos != nullptr) {
        datos.orbita = &orbita;
        datos.tramos = criba.tramos;
        candidato = !(MargenAngular(el, datos) < falta);
      }
    }
    if (candidato) {
      h.candidatos.push_back({el, NombreParaMensaje(linea), numero_linea});
    }
  }
}

struct Contexto {
  const PeticionCampo* peticion = nullptr;
  ef::Instante instantes[3];    // t - 1 min, t, t + 1 min
  ef::Vector3 observadores[3];  // heliocentric
  ef::Vector3 velocidad_sol;
  ef::Vector3 centro;
  const ef::MovimientoPerturbado* movimiento = nullptr;
};

ef::Vector3 Unitario(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

double Angulo(const ef::Vector3& a, const ef::Vector3& b) {
  return std::atan2(ef::Modulo(ef::ProductoVectorial(a, b)), ef::Producto(a, b));
}

// The exact place at the three instants; nullopt when it cannot be computed.
std::optional<ObjetoCampo> Calcular(const Candidato& c, const Contexto& ctx) {
  ef::LugarAstrometrico lugares[3];
  if (ctx.movimiento == nullptr) {
    const ef::OrbitaKepleriana orbita(c.el);
    for (int i = 0; i < 3; ++i) {
      lugares[i] = ef::Astrometrico(orbita, ctx.observadores[i], ctx.instantes[i]);
    }
  } else {
    ef::EstadoCartesiano estado;
    try {
      estado = ctx.movimiento->Propagar(
          ef::EstadoDeElementos(c.el), c.el.epoca - ef::kJ2000,
          (ctx.instantes[1].tdb.entera - ef::kJ2000) + ctx.instantes[1].tdb.fraccion);
    } catch (const ef::ErrorIntegracion&) {
      return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) {
      const ef::EstadoCartesiano en = i == 1 ? estado : ef::PasoKepler(estado, (i - 1) * kMinuto);
      lugares[i] = ef::AstrometricoDesdeEstado(en, ctx.observadores[i], ctx.velocidad_sol);
    }
  }
  for (const auto& l : lugares) {
    if (!std::isfinite(l.ascension_recta) || !std::isfinite(l.declinacion) ||
        !std::isfinite(l.delta)) {
      return std::nullopt;
    }
  }
  const ef::LugarAstrometrico& l = lugares[1];
  const PeticionCampo& p = *ctx.peticion;
  ObjetoCampo o;
  o.designacion = c.designacion;
  o.ar = l.ascension_recta / kGrado;
  o.dec = l.declinacion / kGrado;
  const ef::Vector3 direccion = Unitario(l.ascension_recta, l.declinacion);
  o.distancia = Angulo(direccion, ctx.centro) / kSegundoArco;
  // Standard coordinates of the gnomonic projection on the centre.
  const double dar = l.ascension_recta - p.ar_centro;
  const double cos_c = std::sin(p.dec_centro) * std::sin(l.declinacion) +
                       std::cos(p.dec_centro) * std::cos(l.declinacion) * std::cos(dar);
  o.este = std::cos(l.declinacion) * std::sin(dar) / cos_c / kSegundoArco;
  o.norte = (std::cos(p.dec_centro) * std::sin(l.declinacion) -
             std::sin(p.dec_centro) * std::cos(l.declinacion) * std::cos(dar)) /
            cos_c / kSegundoArco;
  double dar_t = lugares[2].ascension_recta - lugares[0].ascension_recta;
  if (dar_t > kPi) dar_t -= 2 * kPi;
  if (dar_t < -kPi) dar_t += 2 * kPi;
  o.mov_ar = dar_t * std::cos(l.declinacion) / 2 / kSegundoArco;
  o.mov_dec = (lugares[2].declinacion - lugares[0].declinacion) / 2 / kSegundoArco;
  o.delta = l.delta;
  o.r = l.r;
  o.elongacion = Angulo(direccion, ef::Vector3{} - ctx.observadores[1]) / kGrado;
  o.fase = l.Fase() / kGrado;
  if (c.el.tiene_H) {
    const double v = ef::MagnitudHG(c.el.H, c.el.G, l.r, l.delta, l.tan_media_fase);
    if (std::isfinite(v)) o.v = v;
  }
  return o;
}

unsigned Procesadores(unsigned pedidos) {
  if (pedidos != 0) return pedidos;
  return std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u);
}

}  // namespace

ResultadoCampo BuscarEnCampo(ef::FuenteBytes& fuente, const PeticionCampo& p) {
  const unsigned procesadores = Procesadores(p.hilos);
  Contexto ctx;
  ctx.peticion = &p;
  for (int i = 0; i < 3; ++i) {
    ctx.instantes[i] = Desplazado(p.instante, (i - 1) * kMinuto);
    ctx.observadores[i] = ef::PosicionTierra(ctx.instantes[i]);
    if (p.observador) ctx.observadores[i] = ctx.observadores[i] + p.observador(ctx.instantes[i]);
  }
  ctx.velocidad_sol = ef::VelocidadBaricentricaSol(p.instante);
  ctx.centro = Unitario(p.ar_centro, p.dec_centro);

  Criba criba;
  criba.peticion = &p;
  criba.observador = ctx.observadores[1];
  criba.centro = ctx.centro;
  criba.t1 = p.instante.tdb.entera;
  criba.t2 = p.instante.tdb.fraccion;
  criba.cos_radio = std::cos(p.radio);
  std::optional<TramosCuerpos> tramos;
  if (p.perturbado && !p.exhaustivo) {
    tramos.emplace((p.instante.tdb.entera - ef::kJ2000) + p.instante.tdb.fraccion);
    criba.tramos = &*tramos;
  }

  // The streaming pass: one thread reads, the others sort the blocks out.
  std::atomic<std::size_t> bytes{0};
  Lectura lectura(fuente, p.nombre_elementos, [&bytes](std::size_t n) { bytes.store(n); });
  std::thread lector([&lectura] { lectura.Leer(); });
  const unsigned cribadores = std::max(1u, procesadores);
  std::vector<Hallazgos> hallazgos(cribadores);
  std::exception_ptr fallo;
  std::mutex mutex_fallo;
  auto cribar = [&](unsigned k) {
    try {
      Bloque bloque;
      while (lectura.Tomar(bloque)) {
        CribarBloque(bloque, criba, hallazgos[k]);
        if (k == 0 && p.progreso) p.progreso("lectura", bytes.load(), p.bytes_previstos);
      }
    } catch (...) {
      std::lock_guard<std::mutex> cerrojo(mutex_fallo);
      if (!fallo) fallo = std::current_exception();
      lectura.Abandonar();
    }
  };
  std::vector<std::thread> otros;
  for (unsigned k = 1; k < cribadores; ++k) otros.emplace_back(cribar, k);
  cribar(0);
  for (auto& hilo : otros) hilo.join();
  lector.join();
  if (fallo) std::rethrow_exception(fallo);
  lectura.Relanzar();

  ResultadoCampo resultado;
  std::vector<Candidato> candidatos;
  std::vector<Omitido> omitidos;
  bool hubo_registro = lectura.HuboRegistro();
  for (Hallazgos& h : hallazgos) {
    resultado.registros += h.registros;
    resultado.omitidos += h.omitidos_total;
    hubo_registro = hubo_registro || h.hubo_registro;
    for (auto& c : h.candidatos) candidatos.push_back(std::move(c));
    for (auto& o : h.omitidos) omitidos.push_back(std::move(o));
    h = {};
  }
  if (!hubo_registro) {
    throw ErrorSinRegistros(p.nombre_elementos + ": no contiene ningún registro de elementos");
  }
  std::sort(candidatos.begin(), candidatos.end(),
            [](const Candidato& a, const Candidato& b) { return a.linea < b.linea; });
  resultado.candidatos = candidatos.size();

  std::optional<ef::TablaPlanetas> tabla;
  std::optional<ef::MovimientoPerturbado> movimiento;
  if (p.perturbado && !candidatos.empty()) {
    const double t = (p.instante.tdb.entera - ef::kJ2000) + p.instante.tdb.fraccion;
    double desde = t;
    double hasta = t;
    for (const Candidato& c : candidatos) {
      desde = std::min(desde, c.el.epoca - ef::kJ2000);
      hasta = std::max(hasta, c.el.epoca - ef::kJ2000);
    }
    tabla.emplace(desde - 1, hasta + 1, procesadores);
    movimiento.emplace(&*tabla);
    ctx.movimiento = &*movimiento;
  }

  // The exact computation, shared out in small batches: an integration is costly.
  constexpr std::size_t kLote = 16;
  std::vector<std::optional<ObjetoCampo>> calculados(candidatos.size());
  std::atomic<std::size_t> siguiente{0};
  std::atomic<std::size_t> hechos{0};
  auto calcular = [&](bool avisa) {
    for (;;) {
      const std::size_t desde = siguiente.fetch_add(kLote);
      if (desde >= candidatos.size()) return;
      const std::size_t hasta = std::min(candidatos.size(), desde + kLote);
      for (std::size_t i = desde; i < hasta; ++i) calculados[i] = Calcular(candidatos[i], ctx);
      const std::size_t n = hechos.fetch_add(hasta - desde) + (hasta - desde);
      if (avisa && p.progreso) p.progreso("cálculo exacto", n, candidatos.size());
    }
  };
  otros.clear();
  for (unsigned k = 1; k < procesadores; ++k) otros.emplace_back(calcular, false);
  calcular(true);
  for (auto& hilo : otros) hilo.join();

  const double radio_arcsec = p.radio / kSegundoArco;
  for (std::size_t i = 0; i < candidatos.size(); ++i) {
    if (!calculados[i]) {
      omitidos.push_back({candidatos[i].linea, candidatos[i].designacion});
      ++resultado.omitidos;
      continue;
    }
    ObjetoCampo& o = *calculados[i];
    if (o.distancia > radio_arcsec) continue;
    if (p.magnitud_maxima && o.v && *o.v > *p.magnitud_maxima) continue;
    resultado.objetos.push_back(std::move(o));
  }
  std::stable_sort(
      resultado.objetos.begin(), resultado.objetos.end(),
      [](const ObjetoCampo& a, const ObjetoCampo& b) { return a.distancia < b.distancia; });
  std::sort(omitidos.begin(), omitidos.end(),
            [](const Omitido& a, const Omitido& b) { return a.linea < b.linea; });
  for (std::size_t i = 0; i < omitidos.size() && i < kOmitidosNombrados; ++i) {
    resultado.primeros_omitidos.push_back(std::move(omitidos[i].designacion));
  }
  return resultado;
}

}  // namespace orbelux::campo
