// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/field_search.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <exception>
#include <iterator>
#include <map>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "ephemeris/astrometric.h"
#include "ephemeris/carried_elements.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/magnitude.h"
#include "ephemeris/orbital_elements.h"
#include "ephemeris/perturbed_motion.h"
#include "ephemeris/two_body.h"
#include "field/carried_store.h"
#include "field/culling_margin.h"
#include "field/night_index.h"
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

// A record whose cheap place may lie in the circle, to be computed exactly.
struct Candidato {
  ef::ElementosOrbitales el;
  std::string designacion;
  std::uint64_t linea = 0;
  std::uint32_t archivo = 0;
};

// The earliest few of `omitidos` (AntesQue), after one more.
void GuardarPrimeros(std::vector<Omitido>& omitidos, Omitido omitido) {
  omitidos.push_back(std::move(omitido));
  std::sort(omitidos.begin(), omitidos.end(), AntesQue);
  if (omitidos.size() > kOmitidosNombrados) omitidos.pop_back();
}

// What one thread found in the blocks it took (its candidates go to ColaCandidatos).
struct Hallazgos {
  std::vector<Omitido> omitidos;  // the earliest few
  std::uint64_t omitidos_total = 0;
  std::uint64_t registros = 0;
  std::uint64_t epocas_lejanas = 0;
  std::uint64_t acarreados = 0;
  std::uint64_t guardados = 0;  // records kept for a night's index
  bool hubo_registro = false;
  bool hubo_ajena = false;

  // Lines that are no record and records that cannot be read: what a night's index keeps
  // (a later query recomputes the rest).
  std::vector<Omitido> omitidos_lectura;
  std::uint64_t omitidos_lectura_total = 0;

  void Omitir(std::uint64_t linea, std::string designacion, std::uint32_t archivo) {
    ++omitidos_total;
    GuardarPrimeros(omitidos, {linea, std::move(designacion), archivo});
  }
  void OmitirAlLeer(std::uint64_t linea, const std::string& designacion, std::uint32_t archivo) {
    ++omitidos_lectura_total;
    GuardarPrimeros(omitidos_lectura, {linea, designacion, archivo});
    Omitir(linea, designacion, archivo);
  }
};

// Candidates handed from the threads that sort the records out to the calling thread,
// which computes them in batches: however many records the culling keeps (nearly all, far
// from the elements' epoch), only about kCandidatosEnEspera are held at once.
constexpr std::size_t kCandidatosPorLote = 4096;
constexpr std::size_t kCandidatosEnEspera = 2 * kCandidatosPorLote;

class ColaCandidatos final {
 public:
  explicit ColaCandidatos(unsigned productores) : productores_(productores) {}

  // Moves `candidatos` in, waiting while too many wait; false once abandoned.
  bool Poner(std::vector<Candidato>& candidatos) {
    if (candidatos.empty()) return true;
    std::unique_lock<std::mutex> cerrojo(mutex_);
    hay_sitio_.wait(cerrojo,
                    [this] { return esperando_.size() < kCandidatosEnEspera || abandonada_; });
    if (abandonada_) return false;
    for (Candidato& c : candidatos) esperando_.push_back(std::move(c));
    candidatos.clear();
    if (esperando_.size() >= kCandidatosPorLote) hay_lote_.notify_one();
    return true;
  }

  // One producer is done (also when it failed).
  void Terminar() {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    --productores_;
    hay_lote_.notify_one();
  }

  enum class Toma { Lote, Nada, Fin };
  // Waits at most `espera` for a whole batch and takes what waits into `lote`; once every
  // producer is done, also a last smaller one. Nada: nothing yet; Fin: nothing more.
  Toma Tomar(std::vector<Candidato>& lote, std::chrono::milliseconds espera) {
    std::unique_lock<std::mutex> cerrojo(mutex_);
    hay_lote_.wait_for(cerrojo, espera, [this] {
      return esperando_.size() >= kCandidatosPorLote || productores_ == 0;
    });
    if (esperando_.size() >= kCandidatosPorLote || (productores_ == 0 && !esperando_.empty())) {
      lote.clear();
      lote.swap(esperando_);
      hay_sitio_.notify_all();
      return Toma::Lote;
    }
    return productores_ == 0 ? Toma::Fin : Toma::Nada;
  }

  void Abandonar() {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    abandonada_ = true;
    hay_sitio_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable hay_lote_;
  std::condition_variable hay_sitio_;
  std::vector<Candidato> esperando_;
  unsigned productores_;
  bool abandonada_ = false;
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
      : fuente_(fuente), corrida_(corrida), cabeza_(nombre), leidos_(std::move(leidos)) {}

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
        linea_ = bloques.Lineas() + 1;
        // Only blocks with lines are numbered: whoever joins blocks by their number waits
        // for each in turn.
        if (bloque.datos.empty()) continue;
        bloque.indice = indice++;
        // Abandoned: the end is still announced, or a thread would wait for blocks forever.
        if (!Poner(std::move(bloque))) break;
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

  // Whether the whole source was read (or the reading ended otherwise).
  bool Terminada() {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    return terminada_;
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
  // With the planets, where records far from the instant are carried (null: not carried).
  const ef::AcarreoElementos* acarreo = nullptr;
  // The night's index being built (null: none): its middle, where the blocks go, and where
  // the file's records are kept (null: an earlier run kept them).
  const NodoNoche* nodo = nullptr;
  ObraNoche* obra = nullptr;
  EntradaEnOrden* textos = nullptr;
  // What an earlier run carried from this file (null: nothing), and where what is carried
  // now is noted to be kept (null: nowhere).
  const TablaAcarreos* guardados = nullptr;
  EntradaEnOrden* apunte = nullptr;
  const std::string* nombre = nullptr;  // the file's, for its messages
  std::uint32_t archivo = 0;            // its place among the files
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
                  std::vector<Candidato>& candidatos, ef::CorridaSinRegistro& corrida) {
  const ef::FormatoElementos& formato = *bloque.formato;
  const PeticionCampo& p = *criba.peticion;
  const ef::ContextoEfemerides& ctx = *criba.contexto;
  ef::CacheEpoca cache;
  std::string acarreados;  // for criba.apunte
  TrozoNoche trozo;        // for criba.obra
  std::string huecos;      // for criba.textos
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
      h.OmitirAlLeer(numero_linea, Recortado(formato.Designacion(linea)), criba.archivo);
      continue;
    }
    h.hubo_registro = true;
    ef::ElementosOrbitales el;
    if (formato.Convertir(linea, numero, numero_linea, *criba.nombre, cache, el)) {
      h.OmitirAlLeer(numero_linea, formato.NombreLegible(linea), criba.archivo);
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
    // Far from the epoch every record is integrated once to the grid epoch, so that both
    // the culling's bound and the exact place start a few days from the instant.
    std::uint32_t fila = kSinFila;
    if (criba.acarreo != nullptr && ef::SeAcarrea(el, ctx.instante())) {
      const TablaAcarreos::Hallado hallado =
          criba.guardados != nullptr ? criba.guardados->Buscar(numero_linea, el, &fila)
                                     : TablaAcarreos::Hallado::NoGuardado;
      if (hallado == TablaAcarreos::Hallado::NoGuardado) {
        ++h.acarreados;
        const std::optional<ef::ElementosOrbitales> llevado = criba.acarreo->Acarrear(el);
        if (criba.apunte != nullptr) {
          AnotarAcarreo(acarreados, numero_linea, llevado);
          fila = trozo.NuevaFila();
        }
        if (llevado) el = *llevado;
      }
    }
    if (criba.obra != nullptr) {
      ++h.guardados;
      // A record too long for its slot leaves the night without an index.
      if (linea.size() > kTextoMaximoHueco) {
        criba.obra->Renunciar();
      } else if (criba.textos != nullptr) {
        AnotarTexto(huecos, numero_linea, linea);
      }
      trozo.Anadir(fila, criba.nodo->Trazar(el), el);
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
      candidatos.push_back({el, formato.NombreLegible(linea), numero_linea, criba.archivo});
    }
  }
  if (criba.apunte != nullptr) criba.apunte->Anotar(bloque.indice, std::move(acarreados));
  if (criba.obra != nullptr) criba.obra->Anotar(criba.archivo, bloque.indice, std::move(trozo));
  if (criba.textos != nullptr) criba.textos->Anotar(bloque.indice, std::move(huecos));
}

ef::Vector3 Unitario(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

double Angulo(const ef::Vector3& a, const ef::Vector3& b) {
  return std::atan2(ef::Modulo(ef::ProductoVectorial(a, b)), ef::Producto(a, b));
}

// The exact place at the three instants; nullopt when it cannot be computed.
std::optional<ObjetoCampo> Calcular(const Candidato& c, const ef::ContextoEfemerides& ctx,
                                    const PeticionCampo& p) {
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

// The exact computation of the candidates, batch after batch as the culling hands them
// over, keeping only the objects in the circle: what it holds does not grow with the
// candidates, whatever the date.
class CalculoEnLotes final {
 public:
  struct Hallado {
    ObjetoCampo objeto;
    std::uint32_t archivo = 0;
    std::uint64_t linea = 0;
  };

  CalculoEnLotes(ef::ContextoEfemerides& ctx, const PeticionCampo& p, unsigned procesadores)
      : ctx_(ctx), p_(p), procesadores_(procesadores), intervalo_(ctx.T()) {}

  void Calcular(std::vector<Candidato>& lote,
                const std::function<void(std::size_t, std::size_t)>& aviso) {
    candidatos_ += lote.size();
    if (!Cubrir(lote)) return;
    // An integration is costly: the batch is shared out in small pieces.
    constexpr std::size_t kLote = 16;
    std::vector<std::optional<ObjetoCampo>> calculados(lote.size());
    RepartirEnLotes(
        lote.size(), kLote, procesadores_,
        [&](std::size_t desde, std::size_t hasta) {
          for (std::size_t i = desde; i < hasta; ++i)
            calculados[i] = campo::Calcular(lote[i], ctx_, p_);
        },
        aviso);
    const double radio_arcsec = p_.radio / kSegundoArco;
    for (std::size_t i = 0; i < lote.size(); ++i) {
      Candidato& c = lote[i];
      if (!calculados[i]) {
        ++omitidos_total_;
        if (omitidos_por_archivo_.size() <= c.archivo) omitidos_por_archivo_.resize(c.archivo + 1);
        ++omitidos_por_archivo_[c.archivo];
        GuardarPrimeros(omitidos_, {c.linea, std::move(c.designacion), c.archivo});
        continue;
      }
      ObjetoCampo& o = *calculados[i];
      if (o.distancia > radio_arcsec) continue;
      if (p_.magnitud_maxima && o.v && *o.v > *p_.magnitud_maxima) continue;
      hallados_.push_back({std::move(o), c.archivo, c.linea});
    }
    lote.clear();
  }

  // Throws ErrorPosicion when the epochs of all the candidates and the instant span too
  // many years, as a single table of the planets over them would.
  void Comprobar() const {
    if (p_.perturbado) intervalo_.Comprobar();
  }

  std::uint64_t Candidatos() const { return candidatos_; }
  std::uint64_t Omitidos() const { return omitidos_total_; }
  std::uint64_t OmitidosDe(std::uint32_t archivo) const {
    return archivo < omitidos_por_archivo_.size() ? omitidos_por_archivo_[archivo] : 0;
  }
  std::vector<Omitido>& PrimerosOmitidos() { return omitidos_; }

  // By distance from the centre; equal distances in the order of the files and their
  // lines, as if every candidate had been computed at once in that order.
  std::vector<Hallado>& Ordenados() {
    std::sort(hallados_.begin(), hallados_.end(), [](const Hallado& a, const Hallado& b) {
      if (a.objeto.distancia != b.objeto.distancia) return a.objeto.distancia < b.objeto.distancia;
      return a.archivo != b.archivo ? a.archivo < b.archivo : a.linea < b.linea;
    });
    return hallados_;
  }

 private:
  // The planets over the epochs of every candidate so far. The table's nodes lie on a grid
  // of their own, so a table widened batch by batch gives the same places as one built
  // over everything at once. False when the span is too long to integrate: nothing more
  // is computed, and Comprobar says why once all is read.
  bool Cubrir(const std::vector<Candidato>& lote) {
    if (!p_.perturbado) return true;
    bool crece = false;
    for (const Candidato& c : lote) {
      if (!c.el.sin_perturbar) crece = intervalo_.Incluir(c.el.epoca) || crece;
    }
    if (demasiado_largo_) return false;
    if (preparada_ && !crece) return true;
    try {
      intervalo_.Comprobar();
    } catch (const ef::ErrorPosicion&) {
      demasiado_largo_ = true;
      return false;
    }
    ctx_.AmpliarPlanetas(intervalo_, procesadores_);
    preparada_ = true;
    return true;
  }

  ef::ContextoEfemerides& ctx_;
  const PeticionCampo& p_;
  unsigned procesadores_;
  ef::IntervaloEpocas intervalo_;
  bool preparada_ = false;
  bool demasiado_largo_ = false;
  std::uint64_t candidatos_ = 0;
  std::uint64_t omitidos_total_ = 0;
  std::vector<std::uint64_t> omitidos_por_archivo_;
  std::vector<Omitido> omitidos_;  // the earliest few
  std::vector<Hallado> hallados_;
};

// What the streaming pass found in one file.
struct LecturaArchivo {
  std::vector<Omitido> omitidos;  // the earliest few
  ResumenArchivo resumen;         // for a night's index
  CuentaArchivo cuenta;
  std::uint64_t epocas_lejanas = 0;
  std::uint64_t acarreados = 0;
};

LecturaArchivo LeerArchivo(ef::FuenteBytes& fuente, const Criba& criba, unsigned procesadores,
                           CalculoEnLotes& calculo) {
  const PeticionCampo& p = *criba.peticion;
  const std::string& nombre = *criba.nombre;
  // The streaming pass: one thread reads, others sort the blocks out and hand their
  // candidates to this one, which computes them in batches.
  std::atomic<std::size_t> bytes{0};
  CorridaEnOrden corrida(nombre);
  LectorEnBloques lectura(fuente, nombre, corrida, [&bytes](std::size_t n) { bytes.store(n); });
  std::thread lector([&lectura] { lectura.Leer(); });
  const unsigned cribadores = std::max(1u, procesadores);
  std::vector<Hallazgos> hallazgos(cribadores);
  ColaCandidatos cola(cribadores);
  std::exception_ptr fallo;
  std::atomic<bool> fallido{false};
  std::mutex mutex_fallo;
  auto cribar = [&](unsigned k) {
    try {
      Bloque bloque;
      std::vector<Candidato> candidatos;
      while (lectura.Tomar(bloque)) {
        ef::CorridaSinRegistro propia(nombre);
        CribarBloque(bloque, criba, hallazgos[k], candidatos, propia);
        corrida.Sumar(bloque.indice, propia);
        if (!cola.Poner(candidatos)) break;
      }
    } catch (...) {
      std::lock_guard<std::mutex> cerrojo(mutex_fallo);
      if (!fallo) fallo = std::current_exception();
      fallido.store(true);
      lectura.Abandonar();
    }
    cola.Terminar();
  };
  std::vector<std::thread> hilos;
  for (unsigned k = 0; k < cribadores; ++k) hilos.emplace_back(cribar, k);

  std::function<void(std::size_t, std::size_t)> aviso;
  if (p.progreso) {
    aviso = [&](std::size_t hechos, std::size_t total) {
      if (lectura.Terminada()) {
        p.progreso("cálculo exacto", hechos, total);
      } else {
        p.progreso("lectura", bytes.load(), p.bytes_previstos);
      }
    };
  }
  std::exception_ptr fallo_calculo;
  try {
    std::vector<Candidato> lote;
    for (;;) {
      // A failed record stops the run at once, as reading it alone would.
      if (fallido.load()) break;
      const ColaCandidatos::Toma toma = cola.Tomar(lote, std::chrono::milliseconds(100));
      if (toma == ColaCandidatos::Toma::Fin) break;
      if (toma == ColaCandidatos::Toma::Lote) calculo.Calcular(lote, aviso);
      if (p.progreso && !lectura.Terminada()) {
        p.progreso("lectura", bytes.load(), p.bytes_previstos);
      }
    }
  } catch (...) {
    fallo_calculo = std::current_exception();
  }
  cola.Abandonar();
  lectura.Abandonar();
  for (auto& hilo : hilos) hilo.join();
  lector.join();
  if (fallo) std::rethrow_exception(fallo);
  lectura.Relanzar();
  if (fallo_calculo) std::rethrow_exception(fallo_calculo);

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
  std::vector<Omitido> al_leer;
  for (const ef::LineaAjena& a : cabeza.PrimerasAjenas()) {
    leido.omitidos.push_back({a.linea, Recortado(a.designacion), criba.archivo});
    al_leer.push_back(leido.omitidos.back());
  }
  leido.resumen.omitidos = cabeza.Ajenas();
  for (Hallazgos& h : hallazgos) {
    leido.cuenta.registros += h.registros;
    leido.cuenta.omitidos += h.omitidos_total;
    leido.epocas_lejanas += h.epocas_lejanas;
    leido.acarreados += h.acarreados;
    leido.resumen.guardados += h.guardados;
    hubo_registro = hubo_registro || h.hubo_registro;
    hubo_ajena = hubo_ajena || h.hubo_ajena;
    leido.resumen.omitidos += h.omitidos_lectura_total;
    for (auto& o : h.omitidos_lectura) al_leer.push_back(std::move(o));
    for (auto& o : h.omitidos) leido.omitidos.push_back(std::move(o));
    h = {};
  }
  if (!hubo_registro) throw ef::ErrorSinRegistros(nombre, hubo_ajena);
  std::sort(al_leer.begin(), al_leer.end(), AntesQue);
  for (std::size_t i = 0; i < al_leer.size() && i < kOmitidosNombrados; ++i) {
    leido.resumen.primeros_omitidos.emplace_back(al_leer[i].linea, al_leer[i].designacion);
  }
  leido.resumen.registros = leido.cuenta.registros;
  leido.resumen.cometas = leido.cuenta.cometas;
  return leido;
}

void Avisar(std::vector<std::string>& avisos, std::string mensaje) {
  if (std::find(avisos.begin(), avisos.end(), mensaje) == avisos.end()) {
    avisos.push_back(std::move(mensaje));
  }
}

// A folder that cannot be used, or a bound too small, said once a run however many entries
// it tried: it is the same news for each.
void AvisarCarpeta(std::vector<std::string>& avisos, const std::string& mensaje, bool& dicho) {
  if (dicho) return;
  dicho = true;
  Avisar(avisos, mensaje);
}

void AvisarEscritura(std::vector<std::string>& avisos, const EscrituraCache& escritura,
                     bool& dicho) {
  if (escritura.resultado != EscrituraCache::Resultado::Guardada) {
    AvisarCarpeta(avisos, escritura.mensaje, dicho);
  }
}

// One file's carried elements in the cache: what an earlier run kept, read before the
// file, and what this run carries, stored after it.
class AcarreosEnCache final {
 public:
  AcarreosEnCache(AlmacenCache& cache, const ClaveCache& archivo, double epoca,
                  std::vector<std::string>& avisos, bool& carpeta_dicha)
      : cache_(cache),
        clave_(ClaveAcarreos(archivo, epoca)),
        avisos_(avisos),
        carpeta_dicha_(carpeta_dicha) {
    using R = LecturaCache::Resultado;
    LecturaCache lectura = cache_.Leer(clave_);
    switch (lectura.resultado) {
      case R::Hallada:
        guardados_ = TablaAcarreos::Leer(std::move(lectura.carga), epoca);
        if (!guardados_) {
          Avisar(avisos_,
                 cache_.MensajeDanada(clave_, "no es una lista de elementos acarreados"));
        }
        break;
      case R::Danada:
        Avisar(avisos_, lectura.mensaje);
        break;
      case R::Ausente:
        break;
      case R::SinCache:
        AvisarCarpeta(avisos_, lectura.mensaje, carpeta_dicha_);
        return;
    }
    // Only a run that found nothing whole stores: a later one near the same grid epoch
    // carries what it misses (records whose epoch was near the first instant) each time.
    // The rows go to the disk as the blocks come in order, never all held at once.
    if (!guardados_) {
      apunte_.emplace(cache_, clave_, [this](std::string_view filas) { sumas_.Anadir(filas); });
    }
  }

  void Preparar(Criba& criba) {
    criba.guardados = guardados_ ? &*guardados_ : nullptr;
    criba.apunte = apunte_ ? &*apunte_ : nullptr;
  }

  // Stores what this run carried. `crcs`, for a night's index, gets the checksums of the
  // rows the index may name (those found, or those stored now), and the result says whether
  // the rows noted during this run were stored.
  bool Guardar(std::vector<std::uint32_t>* crcs) {
    if (guardados_ && crcs != nullptr) {
      SumasDeFilas sumas;
      sumas.Anadir(guardados_->Carga());
      *crcs = sumas.Crcs();
    }
    // Nothing carried: nothing to keep (the entry begun is dropped).
    if (!apunte_ || apunte_->Largo() == 0) return false;
    const EscrituraCache escritura = apunte_->Terminar();
    AvisarEscritura(avisos_, escritura, carpeta_dicha_);
    if (escritura.resultado != EscrituraCache::Resultado::Guardada) return false;
    if (crcs != nullptr) *crcs = sumas_.Crcs();
    return true;
  }

 private:
  AlmacenCache& cache_;
  ClaveCache clave_;
  std::vector<std::string>& avisos_;
  bool& carpeta_dicha_;
  std::optional<TablaAcarreos> guardados_;
  std::optional<EntradaEnOrden> apunte_;
  SumasDeFilas sumas_;
};

ResultadoCampo Terminar(CalculoEnLotes& calculo, ResultadoCampo& resultado,
                        std::vector<Omitido>& omitidos);

// The key of the night's index of these files, or none when the query takes no index: the
// index serves only the planets' route from the cache, with elements carried as usual.
std::optional<ClaveCache> ClaveNoche(const std::vector<FuenteCampo>& fuentes,
                                     const PeticionCampo& p) {
  if (p.cache == nullptr || !p.perturbado || p.exhaustivo || p.sin_acarreo) return std::nullopt;
  ClaveCache clave;
  for (const FuenteCampo& f : fuentes) {
    if (!f.clave) return std::nullopt;
    clave.AnadirParte("elementos", f.clave->texto());
  }
  clave.AnadirParte("contenido", "indice de la noche 4");
  clave.AnadirParte("movimiento", "perturbado");
  clave.AnadirParte("noche (JD UTC)", std::to_string(NocheDe(p.instante)));
  // The last minute of a night may belong to the next grid epoch.
  clave.AnadirParte("epoca de acarreo (JD TT)",
                    std::to_string(ef::EpocaDeAcarreo(p.instante)));
  clave.AnadirParte("binario", std::endian::native == std::endian::little ? "le" : "be");
  return clave;
}

// The query from the night's index: the records it chooses, read from the files' kept
// records with their carried rows, go through the same carrying, culling and exact
// computation as in a reading of the files, and the counts of the files are the index's.
// False, with the reason, when a part of the index or of the stores is damaged or missing;
// nothing has been computed then.
bool BuscarConIndice(const IndiceNoche& indice, EntradaPorPartes& entrada,
                     const std::vector<FuenteCampo>& fuentes, const Criba& criba,
                     CalculoEnLotes& calculo, ResultadoCampo& resultado,
                     std::vector<Omitido>& omitidos, std::string& motivo) {
  const PeticionCampo& p = *criba.peticion;
  const ef::ContextoEfemerides& ctx = *criba.contexto;
  const auto& archivos = indice.Archivos();
  if (archivos.size() != fuentes.size() || criba.acarreo == nullptr ||
      criba.acarreo->Epoca() != indice.EpocaAcarreo()) {
    motivo = "no es de esta búsqueda";
    return false;
  }
  std::vector<Elegido> elegidos;
  if (!indice.Elegir(entrada, p.ar_centro, p.dec_centro, p.radio, DiasDesdeMedio(p.instante),
                     elegidos, motivo)) {
    return false;
  }
  for (std::size_t k = 0; k < fuentes.size(); ++k) {
    const ResumenArchivo& a = archivos[k];
    resultado.archivos.push_back({fuentes[k].nombre, a.cometas, a.registros, a.omitidos});
    resultado.registros += a.registros;
    resultado.omitidos += a.omitidos;
    for (const auto& [linea, nombre] : a.primeros_omitidos) {
      omitidos.push_back({linea, nombre, static_cast<std::uint32_t>(k)});
    }
  }
  std::vector<Candidato> lote;
  ef::CacheEpoca cache;
  std::size_t desde = 0;
  while (desde < elegidos.size()) {
    const std::uint32_t k = elegidos[desde].archivo;
    std::size_t hasta = desde;
    while (hasta < elegidos.size() && elegidos[hasta].archivo == k) ++hasta;
    // The file's kept records, and its carried rows, read in increasing order.
    LecturaPorPartes textos = p.cache->AbrirPorPartes(ClaveTextos(*fuentes[k].clave));
    motivo = "faltan los registros guardados de " + fuentes[k].nombre;
    if (textos.resultado != LecturaCache::Resultado::Hallada ||
        textos.entrada->Largo() != archivos[k].guardados * kLargoHueco) {
      return false;
    }
    std::vector<std::uint64_t> lugares;
    std::vector<std::uint32_t> filas;
    for (std::size_t i = desde; i < hasta; ++i) {
      lugares.push_back(elegidos[i].lugar);
      if (elegidos[i].fila != kSinFila) filas.push_back(elegidos[i].fila);
    }
    std::vector<TextoGuardado> leidos;
    motivo = "un registro guardado de " + fuentes[k].nombre + " no pasa su comprobación";
    if (!LeerTextos(*textos.entrada, lugares, leidos)) return false;
    std::sort(filas.begin(), filas.end());
    filas.erase(std::unique(filas.begin(), filas.end()), filas.end());
    std::vector<std::string> bytes_filas;
    if (!filas.empty()) {
      LecturaPorPartes tabla = p.cache->AbrirPorPartes(
          ClaveAcarreos(*fuentes[k].clave, indice.EpocaAcarreo()));
      motivo = "faltan o no pasan su comprobación los elementos acarreados de " +
               fuentes[k].nombre;
      const std::vector<std::uint32_t> tramos = TramosDeFilas(filas);
      std::vector<std::uint32_t> crcs;
      if (tabla.resultado != LecturaCache::Resultado::Hallada ||
          !indice.Crcs(entrada, k, tramos, crcs) ||
          !LeerFilas(*tabla.entrada, tramos, crcs, filas, bytes_filas)) {
        return false;
      }
    }
    const ef::FormatoElementos& formato =
        archivos[k].cometas ? ef::FormatoCometas() : ef::FormatoMPC();
    for (std::size_t i = desde; i < hasta; ++i) {
      const TextoGuardado& t = leidos[i - desde];
      const Elegido& e = elegidos[i];
      std::int32_t numero = 0;
      ef::ElementosOrbitales el;
      motivo = "un registro guardado no se puede leer";
      if (formato.Clasificar(t.texto, numero) != ef::ClaseLinea::Registro ||
          formato.Convertir(t.texto, numero, t.linea, fuentes[k].nombre, cache, el)) {
        return false;
      }
      if (!el.sin_perturbar) {
        ef::IntervaloEpocas propio(ctx.T());
        propio.Incluir(el.epoca);
        propio.Comprobar();
      }
      if (ef::SeAcarrea(el, ctx.instante())) {
        if (e.fila != kSinFila) {
          const auto donde = std::lower_bound(filas.begin(), filas.end(), e.fila);
          const std::string& fila = bytes_filas[static_cast<std::size_t>(donde - filas.begin())];
          std::uint64_t linea = 0;
          std::memcpy(&linea, fila.data(), 8);
          motivo = "sus elementos acarreados no son los de su registro";
          if (linea != t.linea) return false;
          PonerFila(fila, indice.EpocaAcarreo(), el);
        } else {
          ++resultado.acarreados;
          if (std::optional<ef::ElementosOrbitales> llevado = criba.acarreo->Acarrear(el)) {
            el = *llevado;
          }
        }
      }
      bool candidato = p.exhaustivo || el.forma == ef::FormaOrbita::Perihelio;
      if (!candidato) {
        Criba propia = criba;
        propia.nombre = &fuentes[k].nombre;
        propia.archivo = k;
        const std::optional<bool> puede = PuedeEstar(el, propia);
        if (!puede) {
          ++resultado.omitidos;
          ++resultado.archivos[k].omitidos;
          omitidos.push_back({t.linea, formato.NombreLegible(t.texto), k});
          continue;
        }
        candidato = *puede;
      }
      if (candidato) lote.push_back({el, formato.NombreLegible(t.texto), t.linea, k});
    }
    desde = hasta;
  }
  // The few chosen, computed only once all of them were read whole.
  std::vector<Candidato> parte;
  for (std::size_t inicio = 0; inicio < lote.size(); inicio += kCandidatosPorLote) {
    const std::size_t fin = std::min(lote.size(), inicio + kCandidatosPorLote);
    parte.assign(std::make_move_iterator(lote.begin() + static_cast<std::ptrdiff_t>(inicio)),
                 std::make_move_iterator(lote.begin() + static_cast<std::ptrdiff_t>(fin)));
    calculo.Calcular(parte, {});
  }
  return true;
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
  std::optional<ef::AcarreoElementos> acarreo;
  if (p.perturbado && !p.sin_acarreo) {
    acarreo.emplace(ef::EpocaDeAcarreo(p.instante));
    criba.acarreo = &*acarreo;
  }
  std::optional<TramosCuerpos> tramos;
  if (p.perturbado && !p.exhaustivo) {
    tramos.emplace(ctx.T());
    criba.tramos = &*tramos;
  }

  ResultadoCampo resultado;
  CalculoEnLotes calculo(ctx, p, procesadores);
  std::vector<Omitido> omitidos;
  bool carpeta_dicha = false;
  // The night's index: read when a query of the night stored it, built otherwise.
  const std::optional<ClaveCache> clave_noche = ClaveNoche(fuentes, p);
  std::optional<NodoNoche> nodo;
  std::optional<ObraNoche> obra;
  // After a damaged index, the files' kept records are written again too.
  bool rehacer_textos = false;
  if (clave_noche) {
    LecturaPorPartes lectura = p.cache->AbrirPorPartes(*clave_noche);
    using R = LecturaCache::Resultado;
    if (lectura.resultado == R::Hallada) {
      std::string motivo;
      std::optional<IndiceNoche> indice = IndiceNoche::Abrir(*lectura.entrada, motivo);
      if (indice && BuscarConIndice(*indice, *lectura.entrada, fuentes, criba, calculo, resultado,
                                    omitidos, motivo)) {
        resultado.con_indice = true;
        return Terminar(calculo, resultado, omitidos);
      }
      // Whatever the index gave is dropped: the files are read as if there were none.
      resultado = {};
      omitidos.clear();
      rehacer_textos = true;
      Avisar(resultado.avisos_cache, p.cache->MensajeDanada(*clave_noche, motivo));
    } else if (lectura.resultado == R::Danada) {
      Avisar(resultado.avisos_cache, lectura.mensaje);
    } else if (lectura.resultado == R::SinCache) {
      AvisarCarpeta(resultado.avisos_cache, lectura.mensaje, carpeta_dicha);
    }
    if (lectura.resultado != R::SinCache) {
      nodo.emplace(NocheDe(p.instante));
      obra.emplace();
      criba.nodo = &*nodo;
      criba.obra = &*obra;
    }
  }
  std::vector<ResumenArchivo> resumenes;
  std::vector<bool> filas_guardadas;
  for (std::size_t k = 0; k < fuentes.size(); ++k) {
    Criba propia = criba;
    propia.nombre = &fuentes[k].nombre;
    propia.archivo = static_cast<std::uint32_t>(k);
    std::optional<AcarreosEnCache> en_cache;
    if (acarreo && p.cache != nullptr && fuentes[k].clave) {
      en_cache.emplace(*p.cache, *fuentes[k].clave, acarreo->Epoca(), resultado.avisos_cache,
                       carpeta_dicha);
      en_cache->Preparar(propia);
    }
    // The file's records are kept once for every night: written by the first index.
    std::optional<EntradaEnOrden> textos;
    if (obra) {
      const ClaveCache clave_textos = ClaveTextos(*fuentes[k].clave);
      LecturaPorPartes guardados =
          rehacer_textos ? LecturaPorPartes{} : p.cache->AbrirPorPartes(clave_textos);
      if (guardados.resultado != LecturaCache::Resultado::Hallada) {
        textos.emplace(*p.cache, clave_textos);
        propia.textos = &*textos;
      }
    }
    LecturaArchivo leido = LeerArchivo(*fuentes[k].fuente, propia, procesadores, calculo);
    std::vector<std::uint32_t> crcs;
    const bool guardadas = en_cache && en_cache->Guardar(obra ? &crcs : nullptr);
    // A record too long for a slot leaves the night without an index: its records are not
    // kept either.
    if (textos && !obra->Renunciada()) {
      const EscrituraCache escritura = textos->Terminar();
      AvisarEscritura(resultado.avisos_cache, escritura, carpeta_dicha);
      // An index whose records were not kept would send every query back to the files.
      if (escritura.resultado != EscrituraCache::Resultado::Guardada) obra->Renunciar();
    }
    resultado.acarreados += leido.acarreados;
    resultado.registros += leido.cuenta.registros;
    resultado.omitidos += leido.cuenta.omitidos;
    resultado.epocas_lejanas += leido.epocas_lejanas;
    resultado.archivos.push_back(std::move(leido.cuenta));
    leido.resumen.crcs_filas = std::move(crcs);
    resumenes.push_back(std::move(leido.resumen));
    filas_guardadas.push_back(guardadas);
    for (auto& o : leido.omitidos) omitidos.push_back(std::move(o));
  }
  calculo.Comprobar();
  if (obra && !obra->Renunciada()) {
    const std::vector<std::string> piezas =
        obra->Carga(acarreo->Epoca(), resumenes, filas_guardadas, nodo->Noche(), procesadores);
    const std::vector<std::string_view> vistas(piezas.begin(), piezas.end());
    AvisarEscritura(resultado.avisos_cache, p.cache->Guardar(*clave_noche, vistas),
                    carpeta_dicha);
  }
  return Terminar(calculo, resultado, omitidos);
}

namespace {

// The counts of the exact computation and the objects found, into the result.
ResultadoCampo Terminar(CalculoEnLotes& calculo, ResultadoCampo& resultado,
                        std::vector<Omitido>& omitidos) {
  resultado.candidatos = calculo.Candidatos();
  resultado.omitidos += calculo.Omitidos();
  for (std::size_t k = 0; k < resultado.archivos.size(); ++k) {
    resultado.archivos[k].omitidos += calculo.OmitidosDe(static_cast<std::uint32_t>(k));
  }
  for (auto& o : calculo.PrimerosOmitidos()) omitidos.push_back(std::move(o));
  for (auto& h : calculo.Ordenados()) resultado.objetos.push_back(std::move(h.objeto));
  std::sort(omitidos.begin(), omitidos.end(), AntesQue);
  for (std::size_t i = 0; i < omitidos.size() && i < kOmitidosNombrados; ++i) {
    resultado.primeros_omitidos.push_back(std::move(omitidos[i].designacion));
  }
  return std::move(resultado);
}

}  // namespace

}  // namespace orbelux::campo
