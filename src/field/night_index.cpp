// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/night_index.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "ephemeris/earth_track.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/sites.h"
#include "ephemeris/two_body.h"
#include "field/carried_store.h"
#include "platform/parallel_batches.h"

namespace orbelux::campo {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr int kBandas = 180;
// Half a night, days: the middle is this far from either end.
constexpr double kMedioPaso = 0.5;
// The farthest a site is from the Earth's centre: 6400 km, in AU.
constexpr double kRadioTierra = 6400 / 149597870.7;
// The Earth's pull from the Sun at its perihelion, AU/day², with room.
constexpr double kAceleracionTierra = 3.1e-4;
constexpr char kMagia[8] = {'O', 'R', 'B', 'N', 'O', 'C', 'H', '4'};
constexpr std::size_t kLargoCabecera = 8 + 2 * 8 + 4;
constexpr std::size_t kLargoEntrada = 4 + 4 + 4 + 4 + 2 + 2 + 4;
constexpr std::size_t kLargoSiempre = 4 + 4;
constexpr std::size_t kLargoParte = 8 + 4 + 4;

struct Bandas {
  std::array<std::uint32_t, kBandas> celdas{};
  std::array<std::uint32_t, kBandas + 1> primera{};
  Bandas() {
    std::uint32_t antes = 0;
    for (int b = 0; b < kBandas; ++b) {
      const auto bu = static_cast<std::size_t>(b);
      // The band's edge nearer the equator, where its cells are widest.
      const double borde = std::min(std::abs(b - 90), std::abs(b + 1 - 90)) * kGrado;
      celdas[bu] =
          std::max(1u, static_cast<std::uint32_t>(std::ceil(360 * std::cos(borde) - 1e-9)));
      primera[bu] = antes;
      antes += celdas[bu];
    }
    primera.back() = antes;
  }
};

const Bandas& LasBandas() {
  static const Bandas bandas;
  return bandas;
}

int BandaDe(double dec) {
  return std::clamp(static_cast<int>(std::floor(dec / kGrado + 90)), 0, kBandas - 1);
}

double Normalizada(double ar) {
  ar = std::fmod(ar, 2 * kPi);
  return ar < 0 ? ar + 2 * kPi : ar;
}

template <typename T>
void Poner(std::string& destino, T valor) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &valor, sizeof(T));
  destino.append(bytes, sizeof(T));
}

template <typename T>
void PonerEn(char* destino, std::size_t& pos, T valor) {
  std::memcpy(destino + pos, &valor, sizeof(T));
  pos += sizeof(T);
}

template <typename T>
T Tomar(std::string_view origen, std::size_t& pos) {
  T valor{};
  std::memcpy(&valor, origen.data() + pos, sizeof(T));
  pos += sizeof(T);
  return valor;
}

std::uint32_t Crc(std::string_view datos, std::uint32_t crc = 0) {
  return static_cast<std::uint32_t>(
      ::crc32(crc, reinterpret_cast<const Bytef*>(datos.data()), static_cast<uInt>(datos.size())));
}

void PonerParte(std::string& destino, std::uint64_t desde, std::string_view datos) {
  Poner<std::uint64_t>(destino, desde);
  Poner<std::uint32_t>(destino, static_cast<std::uint32_t>(datos.size()));
  Poner<std::uint32_t>(destino, Crc(datos));
}

}  // namespace

std::int64_t NocheDe(const ef::Instante& instante) {
  return static_cast<std::int64_t>(std::floor(instante.utc.Total()));
}

std::uint32_t NumeroCeldas() { return LasBandas().primera[kBandas]; }

std::uint32_t CeldaDe(double ar, double dec) {
  const Bandas& bandas = LasBandas();
  const auto b = static_cast<std::size_t>(BandaDe(dec));
  const std::uint32_t n = bandas.celdas[b];
  const auto i = std::min(n - 1, static_cast<std::uint32_t>(Normalizada(ar) / (2 * kPi) * n));
  return bandas.primera[b] + i;
}

void CeldasDelCirculo(double ar, double dec, double radio, std::vector<std::uint32_t>& celdas) {
  const Bandas& bandas = LasBandas();
  // A hair more, so that a point on an edge is in the cells on both sides.
  radio += 1e-9;
  const int desde = BandaDe(dec - radio);
  const int hasta = BandaDe(dec + radio);
  // The circle's widest reach in right ascension (at any declination it covers), or the
  // whole turn when it holds a pole.
  bool todo = dec + radio >= kPi / 2 || dec - radio <= -kPi / 2;
  double ancho = kPi;
  if (!todo) {
    const double seno = std::sin(radio) / std::cos(dec);
    todo = seno >= 1;
    if (!todo) ancho = std::asin(seno) + 1e-9;
  }
  for (int b = desde; b <= hasta; ++b) {
    const auto bu = static_cast<std::size_t>(b);
    const std::uint32_t n = bandas.celdas[bu];
    const double paso = 2 * kPi / n;
    const double primero = std::floor((ar - ancho) / paso);
    const double ultimo = std::floor((ar + ancho) / paso);
    if (todo || ultimo - primero + 1 >= n) {
      for (std::uint32_t i = 0; i < n; ++i) celdas.push_back(bandas.primera[bu] + i);
      continue;
    }
    const auto hasta_k = static_cast<std::int64_t>(ultimo);
    for (auto k = static_cast<std::int64_t>(primero); k <= hasta_k; ++k) {
      const auto m = static_cast<std::uint32_t>(((k % n) + n) % n);
      celdas.push_back(bandas.primera[bu] + m);
    }
  }
}

namespace {

ef::Vector3 Unidad(double ar, double dec) {
  return {std::cos(dec) * std::cos(ar), std::cos(dec) * std::sin(ar), std::sin(dec)};
}

ef::Instante MedioDe(std::int64_t noche) {
  return ef::InstanteDesdeDiaJulianoUTC(static_cast<double>(noche) + 0.5);
}

}  // namespace

double DiasDesdeMedio(const ef::Instante& instante) {
  return instante.tdb.Total() - MedioDe(NocheDe(instante)).tdb.Total();
}

bool Solapa(const Traza& traza, double ar, double dec, double radio, double dias) {
  const double ar_t = traza.ar;
  const double dec_t = traza.dec;
  // The place moved along the sky's east and north at the middle.
  const ef::Vector3 este{-std::sin(ar_t), std::cos(ar_t), 0};
  const ef::Vector3 norte{-std::sin(dec_t) * std::cos(ar_t), -std::sin(dec_t) * std::sin(ar_t),
                          std::cos(dec_t)};
  const ef::Vector3 movido = Unidad(ar_t, dec_t) +
                            (traza.este * kUnidadVelocidad * dias) * este +
                            (traza.norte * kUnidadVelocidad * dias) * norte;
  const ef::Vector3 centro = Unidad(ar, dec);
  // The angle from the cross and dot products keeps its digits for small angles.
  const double angulo = std::atan2(ef::Modulo(ef::ProductoVectorial(movido, centro)), ef::Producto(movido, centro));
  return angulo <= radio + static_cast<double>(traza.radio);
}

NodoNoche::NodoNoche(std::int64_t noche) : noche_(noche) {
  const ef::Instante medio = MedioDe(noche);
  tdb_ = medio.tdb.Total();
  const ef::TierraEnInstante tierra = ef::TierraERFA(medio.tdb);
  tierra_ = tierra.posicion;
  velocidad_tierra_ = tierra.velocidad;
  const ef::ContextoEfemerides ctx(medio, ef::Sitio{}, ef::Movimiento::DosCuerpos);
  tramos_ = std::make_unique<TramosCuerpos>(ctx.T());
}

NodoNoche::~NodoNoche() = default;

std::optional<Traza> NodoNoche::Trazar(const ef::ElementosOrbitales& el) const {
  if (el.forma != ef::FormaOrbita::Semieje || !(el.semieje > 0) || !(el.excentricidad < 1)) {
    return std::nullopt;
  }
  const ef::OrbitaKepleriana orbita(el);
  ef::Vector3 r;
  ef::Vector3 v;
  orbita.PosicionYVelocidad(tdb_, 0, r, v);
  const ef::Vector3 desde = r - tierra_;
  const double distancia = ef::Modulo(desde);
  const double perihelio = el.semieje * (1 - el.excentricidad);
  if (!std::isfinite(distancia) || !(perihelio > 0)) return std::nullopt;
  // Where the cheap place can be half a day away: the motion from the Earth at the middle,
  // and what the Sun's pull on either can change of it.
  const double aceleracion = ef::kGauss * ef::kGauss / (perihelio * perihelio) + kAceleracionTierra;
  const double recorrido =
      ef::Modulo(v - velocidad_tierra_) * kMedioPaso + 0.5 * aceleracion * kMedioPaso * kMedioPaso;
  const double minima = distancia - recorrido - kRadioTierra;
  if (!(minima > 0) || recorrido + kRadioTierra >= minima) return std::nullopt;
  DatosMargen datos;
  // The margin grows with the span: the end of the night further from the epoch.
  const double antes = tdb_ - kMedioPaso - el.epoca;
  const double despues = tdb_ + kMedioPaso - el.epoca;
  datos.dias_desde_epoca = std::abs(antes) > std::abs(despues) ? antes : despues;
  datos.distancia = minima;
  datos.perturbado = true;
  // The distances from the Sun first, as the culling does; where the bodies are along
  // their orbits only when those are not enough.
  double margen = MargenAngular(el, datos);
  if (!std::isfinite(margen)) {
    datos.orbita = &orbita;
    datos.tramos = tramos_.get();
    margen = MargenAngular(el, datos);
  }
  const double movimiento = std::asin(recorrido / (minima + kRadioTierra));
  const double paralaje = std::asin(kRadioTierra / minima);
  // Room for the place kept as floats (a few hundredths of an arcsecond) and for bounds
  // taken at the middle's bodies.
  const double radio = (margen + movimiento + paralaje) * 1.25 + 5e-6;
  if (!(radio <= kRadioMaximoTraza)) return std::nullopt;
  Traza traza;
  const double ar = Normalizada(std::atan2(desde.y, desde.x));
  const double dec = std::asin(desde.z / distancia);
  traza.ar = static_cast<float>(ar);
  traza.dec = static_cast<float>(dec);
  traza.radio_noche = static_cast<float>(radio);
  traza.radio = traza.radio_noche;
  // The direction's rate at the middle, on the sky's east and north there. Away from a
  // straight line it strays by at most the square of the angle travelled (the distance's
  // change turns it no further) and by the pull over half a day; the rates as kept, by half
  // a unit each.
  const ef::Vector3 u = (1 / distancia) * desde;
  const ef::Vector3 velocidad = v - velocidad_tierra_;
  const ef::Vector3 giro = (1 / distancia) * (velocidad - ef::Producto(velocidad, u) * u);
  const double este = ef::Producto(giro, {-std::sin(ar), std::cos(ar), 0}) / kUnidadVelocidad;
  const double norte = ef::Producto(giro, {-std::sin(dec) * std::cos(ar),
                                           -std::sin(dec) * std::sin(ar), std::cos(dec)}) /
                       kUnidadVelocidad;
  const double recorrido_angular = ef::Modulo(velocidad) * kMedioPaso / minima;
  const double desvio = 2 * recorrido_angular * recorrido_angular +
                        std::asin(0.5 * aceleracion * kMedioPaso * kMedioPaso / minima);
  const double movil =
      (margen + desvio + paralaje) * 1.25 + kUnidadVelocidad * kMedioPaso + 5e-6;
  if (std::abs(este) < 32000 && std::abs(norte) < 32000 && movil < radio) {
    traza.este = static_cast<std::int16_t>(std::lround(este));
    traza.norte = static_cast<std::int16_t>(std::lround(norte));
    traza.radio = static_cast<float>(movil);
  }
  return traza;
}

std::vector<std::optional<Traza>> TrazasExactas(
    const std::vector<ef::ElementosOrbitales>& elementos, std::int64_t noche, unsigned hilos) {
  const std::size_t n = elementos.size();
  std::vector<std::optional<Traza>> trazas(n);
  if (n == 0) return trazas;
  ef::ContextoEfemerides ctx(MedioDe(noche), ef::Sitio{}, ef::Movimiento::Perturbado);
  ef::IntervaloEpocas intervalo(ctx.T());
  for (const ef::ElementosOrbitales& el : elementos) {
    if (!el.sin_perturbar) intervalo.Incluir(el.epoca);
  }
  try {
    intervalo.Comprobar();
  } catch (const ef::ErrorPosicion&) {
    return trazas;
  }
  ctx.PrepararPlanetas(intervalo, hilos);
  RepartirEnLotes(n, 16, hilos, [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t i = desde; i < hasta; ++i) {
      const ef::ElementosOrbitales& el = elementos[i];
      const double q = el.forma == ef::FormaOrbita::Perihelio
                           ? el.distancia_perihelio
                           : el.semieje * (1 - el.excentricidad);
      try {
        const ef::LugarAstrometrico lugar = ctx.LugarYMovimiento(el)[1];
        // Vis-viva at perihelion, for any conic, and the Earth's greatest speed: the fastest
        // the one can move from the other.
        const double recorrido =
            (ef::kGauss * std::sqrt((1 + el.excentricidad) / q) + 0.0179) * kMedioPaso;
        const double minima = lugar.delta - recorrido - kRadioTierra;
        if (!(q > 0) || !(minima > recorrido + kRadioTierra)) continue;
        // The light time slows or hastens the place's motion by a part in a thousand at
        // most for any of these speeds: two parts in a hundred of room.
        const double movimiento = 1.02 * std::asin(recorrido / (minima + kRadioTierra));
        const double paralaje = std::asin(kRadioTierra / minima);
        // Room for floats, and for the other routes to the same place (carried or not),
        // which agree to far less than this.
        const double radio = (movimiento + paralaje) * 1.25 + 1e-5;
        if (!(radio <= kRadioMaximoTrazaExacta)) continue;
        Traza traza;
        traza.ar = static_cast<float>(lugar.ascension_recta);
        traza.dec = static_cast<float>(lugar.declinacion);
        traza.radio = static_cast<float>(radio);
        traza.radio_noche = traza.radio;
        trazas[i] = traza;
      } catch (const ef::ErrorIntegracion&) {
        // No trace: read by every query.
      }
    }
  });
  return trazas;
}

ClaveCache ClaveTextos(const ClaveCache& archivo) {
  ClaveCache clave = archivo;
  clave.AnadirParte("contenido", "registros en huecos de " + std::to_string(kLargoHueco));
  clave.AnadirParte("binario", std::endian::native == std::endian::little ? "le" : "be");
  return clave;
}

bool AnotarTexto(std::string& destino, std::uint64_t linea, std::string_view texto) {
  if (texto.size() > kTextoMaximoHueco) return false;
  const std::size_t inicio = destino.size();
  destino.resize(inicio + kLargoHueco, '\0');
  char* hueco = destino.data() + inicio;
  std::size_t pos = 4;
  PonerEn<std::uint64_t>(hueco, pos, linea);
  PonerEn<std::uint16_t>(hueco, pos, static_cast<std::uint16_t>(texto.size()));
  std::memcpy(hueco + pos, texto.data(), texto.size());
  const std::uint32_t crc = Crc(std::string_view(hueco + 4, kLargoHueco - 4));
  std::memcpy(hueco, &crc, 4);
  return true;
}

bool LeerTextos(EntradaPorPartes& entrada, const std::vector<std::uint64_t>& lugares,
                std::vector<TextoGuardado>& textos) {
  std::string hueco;
  for (const std::uint64_t lugar : lugares) {
    if (lugar >= entrada.Largo() / kLargoHueco ||
        !entrada.Leer(lugar * kLargoHueco, kLargoHueco, hueco)) {
      return false;
    }
    std::size_t pos = 0;
    const auto crc = Tomar<std::uint32_t>(hueco, pos);
    if (crc != Crc(std::string_view(hueco).substr(4))) return false;
    TextoGuardado t;
    t.linea = Tomar<std::uint64_t>(hueco, pos);
    const auto largo = Tomar<std::uint16_t>(hueco, pos);
    if (largo > kTextoMaximoHueco) return false;
    t.texto.assign(hueco, pos, largo);
    textos.push_back(std::move(t));
  }
  return true;
}

void SumasDeFilas::Anadir(std::string_view bytes) {
  constexpr std::size_t kTramo = kFilasPorTramo * kBytesAcarreo;
  while (!bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), kTramo - en_tramo_);
    crc_ = Crc(bytes.substr(0, n), crc_);
    en_tramo_ += n;
    bytes.remove_prefix(n);
    if (en_tramo_ == kTramo) {
      crcs_.push_back(crc_);
      crc_ = 0;
      en_tramo_ = 0;
    }
  }
}

std::vector<std::uint32_t> SumasDeFilas::Crcs() const {
  std::vector<std::uint32_t> crcs = crcs_;
  if (en_tramo_ > 0) crcs.push_back(crc_);
  return crcs;
}

std::vector<std::uint32_t> TramosDeFilas(const std::vector<std::uint32_t>& filas) {
  std::vector<std::uint32_t> tramos;
  for (const std::uint32_t fila : filas) {
    const auto t = static_cast<std::uint32_t>(fila / kFilasPorTramo);
    if (tramos.empty() || tramos.back() != t) tramos.push_back(t);
  }
  return tramos;
}

bool LeerFilas(EntradaPorPartes& entrada, const std::vector<std::uint32_t>& tramos,
               const std::vector<std::uint32_t>& crcs, const std::vector<std::uint32_t>& filas,
               std::vector<std::string>& leidas) {
  constexpr std::size_t kTramo = kFilasPorTramo * kBytesAcarreo;
  std::string tramo;
  std::size_t actual = tramos.size();
  for (const std::uint32_t fila : filas) {
    const auto donde = std::lower_bound(tramos.begin(), tramos.end(), fila / kFilasPorTramo);
    if (donde == tramos.end() || *donde != fila / kFilasPorTramo) return false;
    const auto t = static_cast<std::size_t>(donde - tramos.begin());
    if (t != actual) {
      const std::uint64_t desde = std::uint64_t{tramos[t]} * kTramo;
      if (desde >= entrada.Largo()) return false;
      const auto largo =
          static_cast<std::size_t>(std::min<std::uint64_t>(kTramo, entrada.Largo() - desde));
      if (!entrada.Leer(desde, largo, tramo) || Crc(tramo) != crcs[t]) return false;
      actual = t;
    }
    const std::size_t dentro = (fila % kFilasPorTramo) * kBytesAcarreo;
    if (dentro + kBytesAcarreo > tramo.size()) return false;
    leidas.push_back(tramo.substr(dentro, kBytesAcarreo));
  }
  return true;
}

void TrozoNoche::Anadir(std::uint32_t fila, const std::optional<Traza>& traza,
                        const ef::ElementosOrbitales& el) {
  if (traza) {
    trazas_.push_back({registros_, fila, *traza});
  } else {
    siempre_.emplace_back(registros_, fila);
    elementos_siempre_.push_back(el);
  }
  ++registros_;
}

void ObraNoche::Anotar(std::uint32_t archivo, std::uint64_t indice_bloque, TrozoNoche trozo) {
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  trozos_.emplace(std::make_pair(archivo, indice_bloque), std::move(trozo));
}

std::vector<std::string> ObraNoche::Carga(double epoca_acarreo,
                                          const std::vector<ResumenArchivo>& archivos,
                                          const std::vector<bool>& filas_guardadas,
                                          std::int64_t noche, unsigned hilos) {
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  const std::uint32_t n_celdas = NumeroCeldas();
  // Each block's first record among all files, and its rows' numbers as the files' tables
  // have them.
  struct Base {
    std::uint32_t lugar;
    std::uint32_t fila;
  };
  std::map<std::pair<std::uint32_t, std::uint64_t>, Base> bases;
  {
    std::uint32_t lugar = 0;
    std::uint32_t fila = 0;
    std::uint32_t archivo = 0;
    for (const auto& [donde, trozo] : trozos_) {
      if (donde.first != archivo) {
        archivo = donde.first;
        fila = 0;
      }
      bases[donde] = {lugar, fila};
      lugar += trozo.registros_;
      fila += trozo.filas_nuevas_;
    }
  }
  const auto fila_global = [&](std::uint32_t archivo, std::uint32_t fila, const Base& base) {
    if (fila == kSinFila || (fila & TrozoNoche::kFilaDelBloque) == 0) return fila;
    if (archivo >= filas_guardadas.size() || !filas_guardadas[archivo]) return kSinFila;
    return base.fila + (fila & ~TrozoNoche::kFilaDelBloque);
  };

  // The objects without a cheap trace, traced from their exact places or read always.
  struct Exacta {
    std::uint32_t lugar;
    std::uint32_t fila;
    Traza traza;
  };
  std::vector<Exacta> exactas;
  std::string siempre;
  {
    std::vector<ef::ElementosOrbitales> elementos;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> quienes;
    for (auto& [donde, trozo] : trozos_) {
      const Base& base = bases[donde];
      for (const auto& [lugar, fila] : trozo.siempre_) {
        quienes.emplace_back(base.lugar + lugar, fila_global(donde.first, fila, base));
      }
      elementos.insert(elementos.end(), trozo.elementos_siempre_.begin(),
                       trozo.elementos_siempre_.end());
      trozo.siempre_ = {};
      trozo.elementos_siempre_ = {};
    }
    const std::vector<std::optional<Traza>> trazas = TrazasExactas(elementos, noche, hilos);
    for (std::size_t i = 0; i < quienes.size(); ++i) {
      if (trazas[i]) {
        exactas.push_back({quienes[i].first, quienes[i].second, *trazas[i]});
      } else {
        Poner<std::uint32_t>(siempre, quienes[i].first);
        Poner<std::uint32_t>(siempre, quienes[i].second);
      }
    }
  }

  // Every trace in every cell its circle touches: counted first, then put in place, so that
  // the cells take one array of their exact size.
  std::vector<std::uint64_t> inicio(n_celdas + 1, 0);
  std::vector<std::uint32_t> celdas;
  const auto recorrer = [&](const auto& anotar) {
    for (const auto& [donde, trozo] : trozos_) {
      const Base& base = bases[donde];
      for (const TrozoNoche::Entrada& e : trozo.trazas_) {
        celdas.clear();
        CeldasDelCirculo(e.traza.ar, e.traza.dec, e.traza.radio_noche, celdas);
        anotar(base.lugar + e.lugar, fila_global(donde.first, e.fila, base), e.traza);
      }
    }
    for (const Exacta& e : exactas) {
      celdas.clear();
      CeldasDelCirculo(e.traza.ar, e.traza.dec, e.traza.radio_noche, celdas);
      anotar(e.lugar, e.fila, e.traza);
    }
  };
  recorrer([&](std::uint32_t, std::uint32_t, const Traza&) {
    for (const std::uint32_t c : celdas) ++inicio[c + 1];
  });
  for (std::uint32_t c = 0; c < n_celdas; ++c) inicio[c + 1] += inicio[c];
  std::string entradas(static_cast<std::size_t>(inicio[n_celdas]) * kLargoEntrada, '\0');
  std::vector<std::uint64_t> lleno(inicio.begin(), inicio.end() - 1);
  recorrer([&](std::uint32_t lugar, std::uint32_t fila, const Traza& traza) {
    for (const std::uint32_t c : celdas) {
      std::size_t pos = static_cast<std::size_t>(lleno[c]++) * kLargoEntrada;
      PonerEn<std::uint32_t>(entradas.data(), pos, lugar);
      PonerEn<std::uint32_t>(entradas.data(), pos, fila);
      PonerEn<float>(entradas.data(), pos, traza.ar);
      PonerEn<float>(entradas.data(), pos, traza.dec);
      PonerEn<std::int16_t>(entradas.data(), pos, traza.este);
      PonerEn<std::int16_t>(entradas.data(), pos, traza.norte);
      PonerEn<float>(entradas.data(), pos, traza.radio);
    }
  });
  trozos_.clear();

  // The head, the summary, the directory (where each cell's entries are, and the list read
  // always), the files' checksums of their runs of carried rows, the cells. A query reads the
  // head and the summary whole and of the rest only what it needs: every cell is checked by
  // its own CRC, and a directory entry or a checksum gone wrong only fails that check.
  std::size_t total_crcs = 0;
  for (const ResumenArchivo& a : archivos) total_crcs += a.crcs_filas.size();
  std::string resumen;
  Poner<double>(resumen, epoca_acarreo);
  Poner<std::uint32_t>(resumen, static_cast<std::uint32_t>(archivos.size()));
  std::size_t largo_resumen = 12;
  for (const ResumenArchivo& a : archivos) {
    largo_resumen += 8 + 8 + 1 + 4 + 8 + 4 + 8;
    for (const auto& [linea, nombre] : a.primeros_omitidos) largo_resumen += 12 + nombre.size();
  }
  const std::uint64_t desde_directorio = kLargoCabecera + largo_resumen;
  const std::uint64_t desde_crcs = desde_directorio + (n_celdas + 1ull) * kLargoParte;
  const std::uint64_t antes = desde_crcs + total_crcs * 4;
  std::uint64_t crcs_de = desde_crcs;
  std::string crcs;
  for (const ResumenArchivo& a : archivos) {
    Poner<std::uint64_t>(resumen, a.registros);
    Poner<std::uint64_t>(resumen, a.omitidos);
    Poner<std::uint8_t>(resumen, a.cometas ? 1 : 0);
    Poner<std::uint32_t>(resumen, static_cast<std::uint32_t>(a.primeros_omitidos.size()));
    for (const auto& [linea, nombre] : a.primeros_omitidos) {
      Poner<std::uint64_t>(resumen, linea);
      Poner<std::uint32_t>(resumen, static_cast<std::uint32_t>(nombre.size()));
      resumen += nombre;
    }
    Poner<std::uint64_t>(resumen, a.guardados);
    Poner<std::uint32_t>(resumen, static_cast<std::uint32_t>(a.crcs_filas.size()));
    Poner<std::uint64_t>(resumen, crcs_de);
    crcs_de += a.crcs_filas.size() * 4;
    for (const std::uint32_t crc : a.crcs_filas) Poner<std::uint32_t>(crcs, crc);
  }
  std::string directorio;
  for (std::uint32_t c = 0; c < n_celdas; ++c) {
    const auto desde = static_cast<std::size_t>(inicio[c]) * kLargoEntrada;
    const auto hasta = static_cast<std::size_t>(inicio[c + 1]) * kLargoEntrada;
    PonerParte(directorio, antes + desde, std::string_view(entradas).substr(desde, hasta - desde));
  }
  PonerParte(directorio, antes + entradas.size(), siempre);

  std::string cabecera(kMagia, sizeof kMagia);
  Poner<std::uint64_t>(cabecera, resumen.size());
  Poner<std::uint64_t>(cabecera, n_celdas + 1ull);
  Poner<std::uint32_t>(cabecera, Crc(resumen));
  std::vector<std::string> piezas;
  piezas.push_back(std::move(cabecera));
  piezas.push_back(std::move(resumen));
  piezas.push_back(std::move(directorio));
  piezas.push_back(std::move(crcs));
  piezas.push_back(std::move(entradas));
  piezas.push_back(std::move(siempre));
  return piezas;
}

std::optional<IndiceNoche> IndiceNoche::Abrir(EntradaPorPartes& entrada, std::string& motivo) {
  std::string cabecera;
  motivo = "su cabecera no es válida";
  if (!entrada.Leer(0, kLargoCabecera, cabecera) ||
      std::memcmp(cabecera.data(), kMagia, sizeof kMagia) != 0) {
    return std::nullopt;
  }
  std::size_t pos = sizeof kMagia;
  const auto largo_resumen = Tomar<std::uint64_t>(cabecera, pos);
  const auto n_celdas = Tomar<std::uint64_t>(cabecera, pos);
  const auto crc_resumen = Tomar<std::uint32_t>(cabecera, pos);
  const std::uint64_t largo_directorio = n_celdas * kLargoParte;
  if (n_celdas != NumeroCeldas() + 1ull || largo_resumen > entrada.Largo() - kLargoCabecera ||
      largo_directorio > entrada.Largo() - kLargoCabecera - largo_resumen) {
    return std::nullopt;
  }
  std::string resumen;
  if (!entrada.Leer(kLargoCabecera, largo_resumen, resumen)) return std::nullopt;
  if (Crc(resumen) != crc_resumen) {
    motivo = "su suma de comprobación no coincide";
    return std::nullopt;
  }
  IndiceNoche indice;
  indice.desde_directorio_ = kLargoCabecera + largo_resumen;
  pos = 0;
  const auto queda = [&](std::uint64_t n) { return resumen.size() - pos >= n; };
  if (!queda(12)) return std::nullopt;
  indice.epoca_acarreo_ = Tomar<double>(resumen, pos);
  const auto n_archivos = Tomar<std::uint32_t>(resumen, pos);
  std::uint64_t lugar = 0;
  for (std::uint32_t a = 0; a < n_archivos; ++a) {
    ResumenArchivo r;
    if (!queda(21)) return std::nullopt;
    r.registros = Tomar<std::uint64_t>(resumen, pos);
    r.omitidos = Tomar<std::uint64_t>(resumen, pos);
    r.cometas = Tomar<std::uint8_t>(resumen, pos) != 0;
    const auto n = Tomar<std::uint32_t>(resumen, pos);
    for (std::uint32_t i = 0; i < n; ++i) {
      if (!queda(12)) return std::nullopt;
      const auto linea = Tomar<std::uint64_t>(resumen, pos);
      const auto largo = Tomar<std::uint32_t>(resumen, pos);
      if (!queda(largo)) return std::nullopt;
      r.primeros_omitidos.emplace_back(linea, std::string(resumen.substr(pos, largo)));
      pos += largo;
    }
    if (!queda(20)) return std::nullopt;
    r.guardados = Tomar<std::uint64_t>(resumen, pos);
    indice.tramos_.push_back(Tomar<std::uint32_t>(resumen, pos));
    indice.desde_crcs_.push_back(Tomar<std::uint64_t>(resumen, pos));
    indice.primer_lugar_.push_back(lugar);
    lugar += r.guardados;
    indice.archivos_.push_back(std::move(r));
  }
  return indice;
}

bool IndiceNoche::Elegir(EntradaPorPartes& entrada, double ar, double dec, double radio,
                         double dias, std::vector<Elegido>& elegidos,
                         std::string& motivo) const {
  motivo = "su suma de comprobación no coincide";
  std::vector<std::uint32_t> celdas;
  CeldasDelCirculo(ar, dec, radio, celdas);
  celdas.push_back(NumeroCeldas());  // the list read always
  std::sort(celdas.begin(), celdas.end());
  celdas.erase(std::unique(celdas.begin(), celdas.end()), celdas.end());
  const auto elegir = [&](std::uint32_t lugar, std::uint32_t fila) {
    const auto it = std::upper_bound(primer_lugar_.begin(), primer_lugar_.end(), lugar);
    if (it == primer_lugar_.begin()) return false;
    const auto archivo = static_cast<std::size_t>(it - primer_lugar_.begin() - 1);
    const std::uint64_t dentro = lugar - primer_lugar_[archivo];
    if (dentro >= archivos_[archivo].guardados) return false;
    elegidos.push_back({static_cast<std::uint32_t>(archivo), dentro, fila});
    return true;
  };
  std::string directorio;
  std::string bloque;
  for (std::size_t i = 0; i < celdas.size();) {
    // The directory's entries of a run of neighbouring cells in one read.
    std::size_t j = i + 1;
    while (j < celdas.size() && celdas[j] == celdas[j - 1] + 1) ++j;
    if (!entrada.Leer(desde_directorio_ + std::uint64_t{celdas[i]} * kLargoParte,
                      (j - i) * kLargoParte, directorio)) {
      return false;
    }
    std::size_t en_directorio = 0;
    for (; i < j; ++i) {
      const std::uint32_t c = celdas[i];
      const auto desde = Tomar<std::uint64_t>(directorio, en_directorio);
      const auto largo = Tomar<std::uint32_t>(directorio, en_directorio);
      const auto crc = Tomar<std::uint32_t>(directorio, en_directorio);
      if (!entrada.Leer(desde, largo, bloque) || Crc(bloque) != crc) return false;
      std::size_t pos = 0;
      if (c == NumeroCeldas()) {
        if (bloque.size() % kLargoSiempre != 0) return false;
        while (pos < bloque.size()) {
          const auto lugar = Tomar<std::uint32_t>(bloque, pos);
          const auto fila = Tomar<std::uint32_t>(bloque, pos);
          if (!elegir(lugar, fila)) return false;
        }
        continue;
      }
      if (bloque.size() % kLargoEntrada != 0) return false;
      while (pos < bloque.size()) {
        const auto lugar = Tomar<std::uint32_t>(bloque, pos);
        const auto fila = Tomar<std::uint32_t>(bloque, pos);
        Traza t;
        t.ar = Tomar<float>(bloque, pos);
        t.dec = Tomar<float>(bloque, pos);
        t.este = Tomar<std::int16_t>(bloque, pos);
        t.norte = Tomar<std::int16_t>(bloque, pos);
        t.radio = Tomar<float>(bloque, pos);
        if (Solapa(t, ar, dec, radio, dias) && !elegir(lugar, fila)) return false;
      }
    }
  }
  std::sort(elegidos.begin(), elegidos.end());
  elegidos.erase(std::unique(elegidos.begin(), elegidos.end()), elegidos.end());
  return true;
}

bool IndiceNoche::Crcs(EntradaPorPartes& entrada, std::uint32_t archivo,
                       const std::vector<std::uint32_t>& tramos,
                       std::vector<std::uint32_t>& crcs) const {
  std::string bytes;
  for (const std::uint32_t t : tramos) {
    if (archivo >= tramos_.size() || t >= tramos_[archivo] ||
        !entrada.Leer(desde_crcs_[archivo] + std::uint64_t{t} * 4, 4, bytes)) {
      return false;
    }
    std::size_t pos = 0;
    crcs.push_back(Tomar<std::uint32_t>(bytes, pos));
  }
  return true;
}

}  // namespace orbelux::campo
