// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/field_search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "ephemeris/astrometric.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/orbital_elements.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/two_body.h"
#include "field/culling_margin.h"
#include "platform/line_reader.h"
#include "platform/parallel_batches.h"

namespace orbelux::campo {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr double kSegundoArco = kGrado / 3600;
// Blocks read ahead of the threads that sort the records out: bounded memory.
constexpr std::size_t kBloquesEnCola = 6;

std::string Recortado(std::string_view texto) {
  const std::size_t primero = texto.find_first_not_of(" \t");
  if (primero == std::string_view::npos) return {};
  return std::string(texto.substr(primero, texto.find_last_not_of(" \t") - primero + 1));
}

struct Bloque {
  std::string datos;  // whole lines, each ending with '\n' (LectorBloques)
  const ef::FormatoElementos* formato = nullptr;  // the file's, told from its first block
  std::uint64_t primera_linea = 0;
  std::uint64_t indice = 0;  // its place among the blocks of the body
};

struct Omitido {
  std::uint64_t linea;
  std::string designacion;
  std::uint32_t archivo = 0;  // its place among the files
};

bool AntesQue(const Omitido& a, const Omitido& b) {
  return a.archivo != b.archivo ? a.archivo < b.archivo : a.linea < b.linea;
}

// What one thread found in the blocks it took.
struct Hallazgos {
  struct Candidato {
    ef::ElementosOrbitales el;
    std::string designacion;
    std::uint64_t linea = 0;
    std::uint32_t archivo = 0;
  };
  std::vector<Candidato> candidatos;
  std::vector<Omitido> omitidos;  // the earliest few
  std::uint64_t omitidos_total = 0;
  std::uint64_t registros = 0;
  std::uint64_t epocas_lejanas = 0;
  bool hubo_registro = false;
  bool hubo_ajena = false;

  void Omitir(std::uint64_t linea, std::string designacion, std::uint32_t archivo) {
    ++omitidos_total;
    omitidos.push_back({linea, std::move(designacion), archivo});
    std::sort(omitidos.begin(), omitidos.end(), AntesQue);
    if (omitidos.size() > kOmitidosNombrados) omitidos.pop_back();
  }
};

// The counts of lines without a record, block by block, joined in file order whatever
// order the blocks are sorted out in: the bound is the catalogue maker's, line for line.
class CorridaEnOrden final {
 public:
  explicit CorridaEnOrden(const std::string& archivo) : total_(archivo) {}

  // The count of the head of the file, which comes before every block.
  void Empezar(const ef::CorridaSinRegistro& cabeza) {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    total_ = cabeza;
  }

  void Sumar(std::uint64_t indice, const ef::CorridaSinRegistro& bloque) {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    esperando_.emplace(indice, bloque);
    for (auto it = esperando_.find(siguiente_); it != esperando_.end();
         it = esperando_.find(siguiente_)) {
      total_.Seguir(it->second);
      esperando_.erase(it);
      ++siguiente_;
    }
  }

 private:
  std::mutex mutex_;
  ef::CorridaSinRegistro total_;
  std::map<std::uint64_t, ef::CorridaSinRegistro> esperando_;
  std::uint64_t siguiente_ = 0;
};

// One thread reads (and inflates) the source into blocks of whole lines while the others
// sort them out. The head of the file (elements_format.h's Preambulo) is settled here,
// since it is the only part that must be read in order.
class LectorEnBloques final {
 public:
  LectorEnBloques(ef::FuenteBytes& fuente, const std::string& nombre, CorridaEnOrden& corrida,
                  std::function<void(std::size_t)> leidos)
      : fuente_(fuente),
        corrida_(corrida),
        cabeza_(nombre),
        leidos_(std::move(leidos)) {}

  void Leer() {
    try {
      // The format is not known until the first block is read: every line keeps what the
      // widest format reads.
      LectorBloques bloques(fuente_, ef::AnchoUtilMaximo());
      std::uint64_t indice = 0;
      Bloque bloque;
      const ef::FormatoElementos* formato = nullptr;
      while (bloques.Siguiente(bloque.datos)) {
        if (leidos_) leidos_(static_cast<std::size_t>(bloques.BytesLeidos()));
        if (formato == nullptr) {
          formato = &ef::DetectarFormato(bloque.datos);
          std::lock_guard<std::mutex> cerrojo(mutex_);
          formato_ = formato;
        }
        bloque.formato = formato;
        if (!preambulo_.Terminado()) {
          QuitarCabeza(*formato, bloque.datos, linea_);
          if (!preambulo_.Terminado()) continue;
          corrida_.Empezar(cabeza_);
        }
        bloque.primera_linea = linea_;
        bloque.indice = indice++;
        linea_ = bloques.Lineas() + 1;
        // Abandoned: the end is still announced, or a thread would wait for blocks forever.
        if (!bloque.datos.empty() && !Poner(std::move(bloque))) break;
        bloque = {};
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

  const ef::Preambulo& Cabeza() const { return preambulo_; }
  // The file's format once the reading is over (the MPC's for an empty file).
  const ef::FormatoElementos& Formato() const {
    return formato_ != nullptr ? *formato_ : ef::FormatoMPC();
  }

 private:
  bool Poner(Bloque bloque) {
    std::unique_lock<std::mutex> cerrojo(mutex_);
    hay_sitio_.wait(cerrojo, [this] { return cola_.size() < kBloquesEnCola || abandonada_; });
    if (abandonada_) return false;
    cola_.push_back(std::move(bloque));
    hay_datos_.notify_one();
    return true;
  }

  // Takes the lines of the head off the front of `datos`; `linea` is its first line's
  // number, and becomes that of the first line left.
  void QuitarCabeza(const ef::FormatoElementos& formato, std::string& datos, std::uint64_t& linea) {
    std::size_t pos = 0;
    while (pos < datos.size() && !preambulo_.Terminado()) {
      const std::size_t salto = datos.find('\n', pos);
      const std::string_view texto(datos.data() + pos, salto - pos);
      std::int32_t numero = 0;
      const ef::ClaseLinea clase = formato.Clasificar(texto, numero);
      if (!preambulo_.Linea(clase, formato.Designacion(texto), linea)) break;
      cabeza_.Linea(false, linea);
      pos = salto + 1;
      ++linea;
    }
    datos.erase(0, pos);
  }

  ef::FuenteBytes& fuente_;
  CorridaEnOrden& corrida_;
  ef::CorridaSinRegistro cabeza_;
  ef::Preambulo preambulo_;
  std::function<void(std::size_t)> leidos_;
  std::uint64_t linea_ = 1;
  std::mutex mutex_;
  std::condition_variable hay_datos_;
  std::condition_variable hay_sitio_;
  std::deque<Bloque> cola_;
  bool terminada_ = false;
  bool abandonada_ = false;
  std::exception_ptr fallo_;
  const ef::FormatoElementos* formato_ = nullptr;
};

// What every record is measured against.
struct Criba {
  const PeticionCampo* peticion = nullptr;
  const ef::ContextoEfemerides* contexto = nullptr;
  ef::Vector3 centro;  // unit vector
  double cos_radio = 0;
  const TramosCuerpos* tramos = nullptr;  // null for two-body motion
  const std::string* nombre = nullptr;    // the file's, for its messages
  std::uint32_t archivo = 0;              // its place among the files
};

// Whether the record's cheap two-body place may lie in the circle, or nullopt when it
// cannot be computed.
std::optional<bool> PuedeEstar(const ef::ElementosOrbitales& el, const Criba& criba) {
  const PeticionCampo& p = *criba.peticion;
  const ef::Instante& instante = criba.contexto->instante();
  const ef::OrbitaKepleriana orbita(el);
  const ef::Vector3 helio = orbita.Posicion(instante.tdb.entera, instante.tdb.fraccion);
  const ef::Vector3 desde = helio - criba.contexto->Observador();
  const double distancia = ef::Modulo(desde);
  if (!std::isfinite(distancia)) return std::nullopt;
  const double coseno = ef::Producto(desde, criba.centro) / distancia;
  DatosMargen datos;
  datos.dias_desde_epoca = instante.tdb.entera + instante.tdb.fraccion - el.epoca;
  datos.distancia = distancia;
  datos.perturbado = p.perturbado;
  // The angle beyond the edge of the circle that a margin must reach to keep the record;
  // behind the observer, a quarter turn is enough to rule it out.
  double falta = 0;
  if (coseno < criba.cos_radio) {
    falta = coseno > -1e-9 || criba.cos_radio < 0
                ? std::acos(std::clamp(coseno, -1.0, 1.0)) - p.radio
                : kPi / 2 - p.radio;
  }
  // First the margin from the distances to the Sun alone, which rules out nearly every
  // record; only the rest look at where the bodies are along their orbits.
  bool candidato = falta <= 0 || !(MargenAngular(el, datos) < falta);
  if (candidato && falta > 0 && criba.tramos != nullptr) {
    datos.orbita = &orbita;
    datos.tramos = criba.tramos;
    candidato = !(MargenAngular(el, datos) < falta);
  }
  return candidato;
}

void CribarBloque(const Bloque& bloque, const Criba& criba, Hallazgos& h,
                  ef::CorridaSinRegistro& corrida) {
  const ef::FormatoElementos& formato = *bloque.formato;
  const PeticionCampo& p = *criba.peticion;
  const ef::ContextoEfemerides& ctx = *criba.contexto;
  ef::CacheEpoca cache;
  std::uint64_t numero_linea = bloque.primera_linea;
  const std::string& datos = bloque.datos;
  for (std::size_t pos = 0; pos < datos.size(); ++numero_linea) {
    const std::size_t salto = datos.find('\n', pos);
    const std::string_view linea(datos.data() + pos, salto - pos);
    pos = salto + 1;
    std::int32_t numero = 0;
    const ef::ClaseLinea clase = formato.Clasificar(linea, numero);
    corrida.Linea(clase == ef::ClaseLinea::Registro, numero_linea);
    if (clase == ef::ClaseLinea::EnBlanco) continue;
    ++h.registros;
    if (clase != ef::ClaseLinea::Registro) {
      h.hubo_ajena = true;
      h.Omitir(numero_linea, Recortado(formato.Designacion(linea)), criba.archivo);
      continue;
    }
    h.hubo_registro = true;
    ef::ElementosOrbitales el;
    if (formato.Convertir(linea, numero, numero_linea, *criba.nombre, cache, el)) {
      h.Omitir(numero_linea, formato.NombreLegible(linea), criba.archivo);
      continue;
    }
    // An orbit meant unperturbed has no epoch to be far from, and is never integrated.
    if (!el.sin_perturbar && ef::EpocaLejana(ctx.instante(), el.epoca)) ++h.epocas_lejanas;
    if (p.perturbado && !el.sin_perturbar) {
      // The catalogue maker's limit, at once: this record alone would need the planets
      // over too many years.
      ef::IntervaloEpocas propio(ctx.T());
      propio.Incluir(el.epoca);
      propio.Comprobar();
    }
    // The culling's margins assume an ellipse given by its semimajor axis: a comet, of
    // any eccentricity, is always computed exactly (a few thousand cost little).
    bool candidato = p.exhaustivo || el.forma == ef::FormaOrbita::Perihelio;
    if (!candidato) {
      const std::optional<bool> puede = PuedeEstar(el, criba);
      if (!puede) {
        h.Omitir(numero_linea, formato.NombreLegible(linea), criba.archivo);
        continue;
      }
      candidato = *puede;
    }
    if (candidato) {
      h.candidatos.push_back({el, formato.NombreLegible(linea), numero_linea, criba.archivo});
    }
  }
}

ef::Vector3 Unitario(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

double Angulo(const ef::Vector3& a, const ef::Vector3& b) {
  return std::atan2(ef::Modulo(ef::ProductoVectorial(a, b)), ef::Producto(a, b));
}

// The exact place at the three instants; nullopt when it cannot be computed.
std::optional<ObjetoCampo> Calcular(const Hallazgos::Candidato& c,
                                    const ef::ContextoEfemerides& ctx, const PeticionCampo& p) {
  ef::LugaresConMovimiento lugares;
  try {
    lugares = ctx.LugarYMovimiento(c.el);
  } catch (const ef::ErrorIntegracion&) {
    return std::nullopt;
  }
  const std::optional<ef::ResumenLugar> resumen = ctx.Resumir(lugares, c.el);
  if (!resumen) return std::nullopt;
  const ef::LugarAstrometrico& l = lugares[1];
  ObjetoCampo o;
  o.designacion = c.designacion;
  o.ar = resumen->ar;
  o.dec = resumen->dec;
  const ef::Vector3 direccion = Unitario(l.ascension_recta, l.declinacion);
  o.distancia = Angulo(direccion, Unitario(p.ar_centro, p.dec_centro)) / kSegundoArco;
  // Standard coordinates of the gnomonic projection on the centre.
  const double dar = l.ascension_recta - p.ar_centro;
  const double cos_c = std::sin(p.dec_centro) * std::sin(l.declinacion) +
                       std::cos(p.dec_centro) * std::cos(l.declinacion) * std::cos(dar);
  o.este = std::cos(l.declinacion) * std::sin(dar) / cos_c / kSegundoArco;
  o.norte = (std::cos(p.dec_centro) * std::sin(l.declinacion) -
             std::sin(p.dec_centro) * std::cos(l.declinacion) * std::cos(dar)) /
            cos_c / kSegundoArco;
  o.mov_ar = resumen->mov_ar;
  o.mov_dec = resumen->mov_dec;
  o.delta = resumen->delta;
  o.r = resumen->r;
  o.elongacion = resumen->elongacion;
  o.fase = resumen->fase;
  o.v = resumen->v;
  return o;
}

// What the streaming pass found in one file.
struct LecturaArchivo {
  std::vector<Hallazgos::Candidato> candidatos;
  std::vector<Omitido> omitidos;  // the earliest few
  CuentaArchivo cuenta;
  std::uint64_t epocas_lejanas = 0;
};

LecturaArchivo LeerArchivo(ef::FuenteBytes& fuente, const Criba& criba, unsigned procesadores) {
  const PeticionCampo& p = *criba.peticion;
  const std::string& nombre = *criba.nombre;
  // The streaming pass: one thread reads, the others sort the blocks out.
  std::atomic<std::size_t> bytes{0};
  CorridaEnOrden corrida(nombre);
  LectorEnBloques lectura(fuente, nombre, corrida, [&bytes](std::size_t n) { bytes.store(n); });
  std::thread lector([&lectura] { lectura.Leer(); });
  const unsigned cribadores = std::max(1u, procesadores);
  std::vector<Hallazgos> hallazgos(cribadores);
  std::exception_ptr fallo;
  std::mutex mutex_fallo;
  auto cribar = [&](unsigned k) {
    try {
      Bloque bloque;
      while (lectura.Tomar(bloque)) {
        ef::CorridaSinRegistro propia(nombre);
        CribarBloque(bloque, criba, hallazgos[k], propia);
        corrida.Sumar(bloque.indice, propia);
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

  // The lines before the first record of a file without a header are skipped as any
  // other line that is not a record.
  const ef::Preambulo& cabeza = lectura.Cabeza();
  LecturaArchivo leido;
  leido.cuenta.nombre = nombre;
  leido.cuenta.cometas = &lectura.Formato() == &ef::FormatoCometas();
  bool hubo_registro = false;
  bool hubo_ajena = cabeza.Ajenas() > 0;
  leido.cuenta.registros = cabeza.Ajenas();
  leido.cuenta.omitidos = cabeza.Ajenas();
  for (const ef::LineaAjena& a : cabeza.PrimerasAjenas()) {
    leido.omitidos.push_back({a.linea, Recortado(a.designacion), criba.archivo});
  }
  for (Hallazgos& h : hallazgos) {
    leido.cuenta.registros += h.registros;
    leido.cuenta.omitidos += h.omitidos_total;
    leido.epocas_lejanas += h.epocas_lejanas;
    hubo_registro = hubo_registro || h.hubo_registro;
    hubo_ajena = hubo_ajena || h.hubo_ajena;
    for (auto& c : h.candidatos) leido.candidatos.push_back(std::move(c));
    for (auto& o : h.omitidos) leido.omitidos.push_back(std::move(o));
    h = {};
  }
  if (!hubo_registro) throw ef::ErrorSinRegistros(nombre, hubo_ajena);
  std::sort(leido.candidatos.begin(), leido.candidatos.end(),
            [](const auto& a, const auto& b) { return a.linea < b.linea; });
  return leido;
}

}  // namespace

ResultadoCampo BuscarEnCampo(ef::FuenteBytes& fuente, const PeticionCampo& p) {
  return BuscarEnCampo({FuenteCampo{&fuente, p.nombre_elementos}}, p);
}

ResultadoCampo BuscarEnCampo(const std::vector<FuenteCampo>& fuentes, const PeticionCampo& p) {
  const unsigned procesadores = HilosPorOmision(p.hilos);
  ef::ContextoEfemerides ctx(
      p.instante, p.sitio, p.perturbado ? ef::Movimiento::Perturbado : ef::Movimiento::DosCuerpos);
  Criba criba;
  criba.peticion = &p;
  criba.contexto = &ctx;
  criba.centro = Unitario(p.ar_centro, p.dec_centro);
  criba.cos_radio = std::cos(p.radio);
  std::optional<TramosCuerpos> tramos;
  if (p.perturbado && !p.exhaustivo) {
    tramos.emplace(ctx.T());
    criba.tramos = &*tramos;
  }

  ResultadoCampo resultado;
  std::vector<Hallazgos::Candidato> candidatos;
  std::vector<Omitido> omitidos;
  for (std::size_t k = 0; k < fuentes.size(); ++k) {
    Criba propia = criba;
    propia.nombre = &fuentes[k].nombre;
    propia.archivo = static_cast<std::uint32_t>(k);
    LecturaArchivo leido = LeerArchivo(*fuentes[k].fuente, propia, procesadores);
    resultado.registros += leido.cuenta.registros;
    resultado.omitidos += leido.cuenta.omitidos;
    resultado.epocas_lejanas += leido.epocas_lejanas;
    resultado.archivos.push_back(std::move(leido.cuenta));
    for (auto& c : leido.candidatos) candidatos.push_back(std::move(c));
    for (auto& o : leido.omitidos) omitidos.push_back(std::move(o));
  }
  resultado.candidatos = candidatos.size();

  if (p.perturbado && !candidatos.empty()) {
    ef::IntervaloEpocas intervalo(ctx.T());
    for (const auto& c : candidatos) {
      if (!c.el.sin_perturbar) intervalo.Incluir(c.el.epoca);
    }
    ctx.PrepararPlanetas(intervalo, procesadores);
  }

  // The exact computation, shared out in small batches: an integration is costly.
  constexpr std::size_t kLote = 16;
  std::vector<std::optional<ObjetoCampo>> calculados(candidatos.size());
  std::function<void(std::size_t, std::size_t)> aviso;
  if (p.progreso) {
    aviso = [&p](std::size_t hechos, std::size_t total) {
      p.progreso("cálculo exacto", hechos, total);
    };
  }
  RepartirEnLotes(
      candidatos.size(), kLote, procesadores,
      [&](std::size_t desde, std::size_t hasta) {
        for (std::size_t i = desde; i < hasta; ++i) calculados[i] = Calcular(candidatos[i], ctx, p);
      },
      aviso);

  const double radio_arcsec = p.radio / kSegundoArco;
  for (std::size_t i = 0; i < candidatos.size(); ++i) {
    if (!calculados[i]) {
      omitidos.push_back({candidatos[i].linea, candidatos[i].designacion, candidatos[i].archivo});
      ++resultado.omitidos;
      ++resultado.archivos[candidatos[i].archivo].omitidos;
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
  std::sort(omitidos.begin(), omitidos.end(), AntesQue);
  for (std::size_t i = 0; i < omitidos.size() && i < kOmitidosNombrados; ++i) {
    resultado.primeros_omitidos.push_back(std::move(omitidos[i].designacion));
  }
  return resultado;
}

}  // namespace orbelux::campo
