// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/night_index.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "ephemeris/ephemeris_context.h"
#include "ephemeris/sites.h"
#include "ephemeris/two_body.h"
#include "platform/cache_store.h"
#include "platform/parallel_batches.h"

namespace orbelux::campo {

namespace ef = orbelux::efemerides;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
constexpr int kBandas = 180;
// Half the span between nodes, days.
constexpr double kMedioPaso = 0.125;
// The Earth's greatest heliocentric speed (30.29 km/s at perihelion, the Moon's pull
// included) and a site's speed about the axis, AU per day, with room.
constexpr double kVelocidadTierra = 0.0176 + 0.0003;
// The farthest a site is from the Earth's centre: 6400 km, in AU.
constexpr double kRadioTierra = 6400 / 149597870.7;
constexpr char kMagia[8] = {'O', 'R', 'B', 'N', 'O', 'C', 'H', 'E'};
constexpr std::size_t kLargoCabecera = 8 + 3 * 8 + 2 * 4;
constexpr std::size_t kLargoTraza = 4 + 4 * (2 * kNodosNoche + 1);
constexpr std::size_t kLargoParte = 8 + 4 + 4;

struct Bandas {
  std::array<std::uint32_t, kBandas> celdas{};
  std::array<std::uint32_t, kBandas + 1> primera{};
  Bandas() {
    for (int b = 0; b < kBandas; ++b) {
      // The band's edge nearer the equator, where its cells are widest.
      const double borde = std::min(std::abs(b - 90), std::abs(b + 1 - 90)) * kGrado;
      celdas[static_cast<std::size_t>(b)] =
          std::max(1u, static_cast<std::uint32_t>(std::ceil(360 * std::cos(borde) - 1e-9)));
      primera[static_cast<std::size_t>(b) + 1] =
          primera[static_cast<std::size_t>(b)] + celdas[static_cast<std::size_t>(b)];
    }
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
T Tomar(std::string_view origen, std::size_t& pos) {
  T valor{};
  std::memcpy(&valor, origen.data() + pos, sizeof(T));
  pos += sizeof(T);
  return valor;
}

std::uint32_t Crc(std::string_view datos) {
  return static_cast<std::uint32_t>(
      ::crc32(0, reinterpret_cast<const Bytef*>(datos.data()), static_cast<uInt>(datos.size())));
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
    for (double i = primero; i <= ultimo; ++i) {
      const auto k = static_cast<std::int64_t>(i);
      const auto m = static_cast<std::uint32_t>(((k % n) + n) % n);
      celdas.push_back(bandas.primera[bu] + m);
    }
  }
}

bool Solapa(const Traza& traza, int nodo, double ar, double dec, double radio) {
  const auto k = static_cast<std::size_t>(2 * nodo);
  const double ar_t = traza.nodos[k];
  const double dec_t = traza.nodos[k + 1];
  // The haversine form keeps its digits for small angles.
  const double s1 = std::sin((dec - dec_t) / 2);
  const double s2 = std::sin((ar - ar_t) / 2);
  const double h = s1 * s1 + std::cos(dec) * std::cos(dec_t) * s2 * s2;
  const double angulo = 2 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0)));
  return angulo <= radio + static_cast<double>(traza.radio);
}

NodosNoche::NodosNoche(std::int64_t noche) : noche_(noche) {
  for (int k = 0; k < kNodosNoche; ++k) {
    const ef::Instante instante =
        ef::InstanteDesdeDiaJulianoUTC(static_cast<double>(noche) + 2 * kMedioPaso * k);
    const auto ku = static_cast<std::size_t>(k);
    tdb_[ku] = instante.tdb.Total();
    const ef::ContextoEfemerides ctx(instante, ef::Sitio{}, ef::Movimiento::DosCuerpos);
    tierra_[ku] = ctx.Observador();
    tramos_.push_back(std::make_unique<TramosCuerpos>(ctx.T()));
  }
}

NodosNoche::~NodosNoche() = default;

int NodoDe(const ef::Instante& instante) {
  const double horas = instante.utc.Total() - static_cast<double>(NocheDe(instante));
  return std::clamp(static_cast<int>(std::lround(horas / (2 * kMedioPaso))), 0, kNodosNoche - 1);
}

std::optional<Traza> NodosNoche::Trazar(const ef::ElementosOrbitales& el) const {
  if (el.forma != ef::FormaOrbita::Semieje || !(el.semieje > 0) || !(el.excentricidad < 1)) {
    return std::nullopt;
  }
  const ef::OrbitaKepleriana orbita(el);
  const double perihelio = el.semieje * (1 - el.excentricidad);
  // Vis-viva at perihelion: the fastest the object goes.
  const double velocidad =
      ef::kGauss * std::sqrt((1 + el.excentricidad) / perihelio) + kVelocidadTierra;
  const double recorrido = velocidad * kMedioPaso;
  Traza traza;
  double radio = 0;
  for (std::size_t k = 0; k < kNodosNoche; ++k) {
    const double t = tdb_[k];
    const ef::Vector3 desde = orbita.Posicion(t, 0) - tierra_[k];
    const double distancia = ef::Modulo(desde);
    if (!std::isfinite(distancia)) return std::nullopt;
    const double minima = distancia - recorrido - kRadioTierra;
    if (!(minima > 0) || recorrido + kRadioTierra >= minima) return std::nullopt;
    traza.nodos[2 * k] = static_cast<float>(Normalizada(std::atan2(desde.y, desde.x)));
    traza.nodos[2 * k + 1] = static_cast<float>(std::asin(desde.z / distancia));
    DatosMargen datos;
    // The margin grows with the span: the end of the node's six hours further from the epoch.
    const double antes = t - kMedioPaso - el.epoca;
    const double despues = t + kMedioPaso - el.epoca;
    datos.dias_desde_epoca = std::abs(antes) > std::abs(despues) ? antes : despues;
    datos.distancia = minima;
    datos.perturbado = true;
    // The distances from the Sun first, as the culling does; where the bodies are along
    // their orbits only when those are not enough.
    double margen = MargenAngular(el, datos);
    if (!std::isfinite(margen)) {
      datos.orbita = &orbita;
      datos.tramos = tramos_[k].get();
      margen = MargenAngular(el, datos);
    }
    const double movimiento = std::asin(recorrido / (minima + kRadioTierra));
    const double paralaje = std::asin(kRadioTierra / (minima + kRadioTierra));
    radio = std::max(radio, margen + movimiento + paralaje);
  }
  // Room for the node places kept as floats (a few tenths of an arcsecond) and for bounds
  // taken at the node's own bodies.
  radio = radio * 1.25 + 5e-6;
  if (!(radio <= kRadioMaximoTraza)) return std::nullopt;
  traza.radio = static_cast<float>(radio);
  return traza;
}

std::vector<std::optional<Traza>> TrazasExactas(
    const std::vector<ef::ElementosOrbitales>& elementos, std::int64_t noche, unsigned hilos) {
  const std::size_t n = elementos.size();
  std::vector<std::optional<Traza>> trazas(n);
  if (n == 0) return trazas;
  std::vector<Traza> nodos(n);
  std::vector<double> radios(n, 0);
  std::vector<char> fallidos(n, 0);
  for (int k = 0; k < kNodosNoche; ++k) {
    const ef::Instante instante =
        ef::InstanteDesdeDiaJulianoUTC(static_cast<double>(noche) + 2 * kMedioPaso * k);
    ef::ContextoEfemerides ctx(instante, ef::Sitio{}, ef::Movimiento::Perturbado);
    ef::IntervaloEpocas intervalo(ctx.T());
    for (const ef::ElementosOrbitales& el : elementos) {
      if (!el.sin_perturbar) intervalo.Incluir(el.epoca);
    }
    try {
      intervalo.Comprobar();
    } catch (const ef::ErrorPosicion&) {
      return trazas;
    }
    ctx.AmpliarPlanetas(intervalo, hilos);
    const auto ku = static_cast<std::size_t>(2 * k);
    RepartirEnLotes(n, 16, hilos, [&](std::size_t desde, std::size_t hasta) {
      for (std::size_t i = desde; i < hasta; ++i) {
        if (fallidos[i]) continue;
        const ef::ElementosOrbitales& el = elementos[i];
        const double q = el.forma == ef::FormaOrbita::Perihelio
                             ? el.distancia_perihelio
                             : el.semieje * (1 - el.excentricidad);
        try {
          const ef::LugarAstrometrico lugar = ctx.LugarYMovimiento(el)[1];
          // Vis-viva at perihelion, for any conic: the fastest the object goes.
          const double recorrido =
              (ef::kGauss * std::sqrt((1 + el.excentricidad) / q) + kVelocidadTierra) * kMedioPaso;
          const double minima = lugar.delta - recorrido - kRadioTierra;
          if (!(q > 0) || !(minima > recorrido + kRadioTierra)) {
            fallidos[i] = 1;
            continue;
          }
          nodos[i].nodos[ku] = static_cast<float>(lugar.ascension_recta);
          nodos[i].nodos[ku + 1] = static_cast<float>(lugar.declinacion);
          // The light time slows or hastens the place's motion by a part in a thousand at
          // most for any of these speeds: two parts in a hundred of room.
          const double movimiento = 1.02 * std::asin(recorrido / (minima + kRadioTierra));
          const double paralaje = std::asin(kRadioTierra / (minima + kRadioTierra));
          radios[i] = std::max(radios[i], movimiento + paralaje);
        } catch (const ef::ErrorIntegracion&) {
          fallidos[i] = 1;
        }
      }
    });
  }
  for (std::size_t i = 0; i < n; ++i) {
    // Room for floats, and for the other routes to the same place (carried or not), which
    // agree to far less than this.
    const double radio = radios[i] * 1.25 + 1e-5;
    if (fallidos[i] || !(radio <= kRadioMaximoTrazaExacta)) continue;
    nodos[i].radio = static_cast<float>(radio);
    trazas[i] = nodos[i];
  }
  return trazas;
}

void AnotarRegistro(std::string& grupo, const RegistroNoche& r) {
  Poner<std::uint32_t>(grupo, r.archivo);
  Poner<std::uint64_t>(grupo, r.linea);
  Poner<std::uint32_t>(grupo, static_cast<std::uint32_t>(r.texto.size()));
  grupo += r.texto;
  Poner<std::uint8_t>(grupo, r.acarreo);
  if (r.acarreo == RegistroNoche::kAcarreado) {
    for (const double v : r.acarreados) Poner<double>(grupo, v);
  }
}

bool LeerRegistros(std::string_view grupo, std::vector<RegistroNoche>& registros) {
  std::size_t pos = 0;
  while (pos < grupo.size()) {
    if (grupo.size() - pos < 17) return false;
    RegistroNoche r;
    r.archivo = Tomar<std::uint32_t>(grupo, pos);
    r.linea = Tomar<std::uint64_t>(grupo, pos);
    const auto largo = Tomar<std::uint32_t>(grupo, pos);
    if (grupo.size() - pos < std::size_t{largo} + 1) return false;
    r.texto = std::string(grupo.substr(pos, largo));
    pos += largo;
    const auto acarreo = Tomar<std::uint8_t>(grupo, pos);
    if (acarreo > RegistroNoche::kFallido) return false;
    r.acarreo = static_cast<RegistroNoche::Acarreo>(acarreo);
    if (r.acarreo == RegistroNoche::kAcarreado) {
      if (grupo.size() - pos < 6 * 8) return false;
      for (double& v : r.acarreados) v = Tomar<double>(grupo, pos);
    }
    registros.push_back(std::move(r));
  }
  return true;
}

std::string Comprimir(std::string_view datos) {
  uLongf largo = compressBound(static_cast<uLong>(datos.size()));
  std::string salida(4 + largo, '\0');
  const auto original = static_cast<std::uint32_t>(datos.size());
  std::memcpy(salida.data(), &original, 4);
  compress2(reinterpret_cast<Bytef*>(salida.data() + 4), &largo,
            reinterpret_cast<const Bytef*>(datos.data()), static_cast<uLong>(datos.size()), 1);
  salida.resize(4 + largo);
  return salida;
}

std::optional<std::string> Descomprimir(std::string_view datos) {
  if (datos.size() < 4) return std::nullopt;
  std::uint32_t original = 0;
  std::memcpy(&original, datos.data(), 4);
  // A group is a few tens of lines: a larger size is no group of ours.
  if (original > (1u << 24)) return std::nullopt;
  std::string salida(original, '\0');
  uLongf largo = original;
  if (uncompress(reinterpret_cast<Bytef*>(salida.data()), &largo,
                 reinterpret_cast<const Bytef*>(datos.data() + 4),
                 static_cast<uLong>(datos.size() - 4)) != Z_OK ||
      largo != original) {
    return std::nullopt;
  }
  return salida;
}

void TrozoNoche::Anadir(const RegistroNoche& registro, const std::optional<Traza>& traza,
                        const ef::ElementosOrbitales& el) {
  if (!traza) {
    AnotarRegistro(siempre_, registro);
    elementos_siempre_.push_back(el);
    return;
  }
  trazas_.emplace_back(registros_, *traza);
  ++registros_;
  AnotarRegistro(abierto_, registro);
  if (++en_abierto_ == kRegistrosPorGrupo) Cerrar();
}

void TrozoNoche::Cerrar() {
  if (en_abierto_ == 0) return;
  grupos_.push_back(Comprimir(abierto_));
  por_grupo_.push_back(en_abierto_);
  abierto_.clear();
  en_abierto_ = 0;
}

void ObraNoche::Anotar(std::uint32_t archivo, std::uint64_t indice_bloque, TrozoNoche trozo) {
  trozo.Cerrar();
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  trozos_.emplace(std::make_pair(archivo, indice_bloque), std::move(trozo));
}

std::string ObraNoche::Carga(double epoca_acarreo, const std::vector<ResumenArchivo>& archivos,
                             std::int64_t noche, unsigned hilos) {
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  // Every trace by its cells, the records numbered in the order of the files.
  struct Ref {
    std::uint32_t celda;
    std::uint32_t registro;
    const Traza* traza;
  };
  std::vector<Ref> refs;
  std::vector<std::uint32_t> siempre;
  std::vector<std::uint32_t> celdas;
  std::uint32_t base = 0;
  std::uint64_t grupos = 0;
  for (const auto& [lugar, trozo] : trozos_) {
    for (const auto& [posicion, traza] : trozo.trazas_) {
      celdas.clear();
      for (int k = 0; k < kNodosNoche; ++k) {
        const auto ku = static_cast<std::size_t>(2 * k);
        CeldasDelCirculo(traza.nodos[ku], traza.nodos[ku + 1], traza.radio, celdas);
      }
      std::sort(celdas.begin(), celdas.end());
      celdas.erase(std::unique(celdas.begin(), celdas.end()), celdas.end());
      for (const std::uint32_t c : celdas) refs.push_back({c, base + posicion, &traza});
    }
    base += trozo.registros_;
    grupos += trozo.grupos_.size();
  }
  // The records with no cheap trace, numbered after the others, in groups of their own:
  // those with an exact trace go to the cells, the rest to the list read always.
  std::vector<std::optional<Traza>> exactas;
  std::vector<std::string> grupos_siempre;
  std::vector<std::uint32_t> por_grupo_siempre;
  {
    std::vector<RegistroNoche> todos;
    std::vector<ef::ElementosOrbitales> elementos;
    for (auto& [lugar, trozo] : trozos_) {
      LeerRegistros(trozo.siempre_, todos);
      trozo.siempre_ = {};
      elementos.insert(elementos.end(), trozo.elementos_siempre_.begin(),
                       trozo.elementos_siempre_.end());
      trozo.elementos_siempre_ = {};
    }
    exactas = TrazasExactas(elementos, noche, hilos);
    std::string abierto;
    for (std::size_t i = 0; i < todos.size(); ++i) {
      const auto registro = base + static_cast<std::uint32_t>(i);
      if (exactas[i]) {
        celdas.clear();
        for (int k = 0; k < kNodosNoche; ++k) {
          const auto ku = static_cast<std::size_t>(2 * k);
          CeldasDelCirculo(exactas[i]->nodos[ku], exactas[i]->nodos[ku + 1], exactas[i]->radio,
                           celdas);
        }
        std::sort(celdas.begin(), celdas.end());
        celdas.erase(std::unique(celdas.begin(), celdas.end()), celdas.end());
        for (const std::uint32_t c : celdas) refs.push_back({c, registro, &*exactas[i]});
      } else {
        siempre.push_back(registro);
      }
      AnotarRegistro(abierto, todos[i]);
      if ((i + 1) % kRegistrosPorGrupo == 0 || i + 1 == todos.size()) {
        grupos_siempre.push_back(Comprimir(abierto));
        por_grupo_siempre.push_back(static_cast<std::uint32_t>((i % kRegistrosPorGrupo) + 1));
        abierto.clear();
      }
    }
    grupos += grupos_siempre.size();
  }
  std::stable_sort(refs.begin(), refs.end(),
                   [](const Ref& a, const Ref& b) { return a.celda < b.celda; });

  std::string resumen;
  Poner<double>(resumen, epoca_acarreo);
  Poner<std::uint32_t>(resumen, static_cast<std::uint32_t>(archivos.size()));
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
  }
  const std::uint64_t n_celdas = NumeroCeldas() + 1;
  const std::size_t largo_directorio = n_celdas * kLargoParte + grupos * (kLargoParte + 8);

  // The head with room for the directory, which is filled in as the parts go in after it:
  // the cells' blocks, the list read always, then the groups.
  std::string carga(kMagia, sizeof kMagia);
  Poner<std::uint64_t>(carga, resumen.size());
  Poner<std::uint64_t>(carga, n_celdas);
  Poner<std::uint64_t>(carga, grupos);
  Poner<std::uint32_t>(carga, Crc(resumen));
  Poner<std::uint32_t>(carga, 0);
  // Its whole size at once: a string that doubles as it grows would hold twice the index.
  std::size_t total = carga.size() + resumen.size() + largo_directorio + refs.size() * kLargoTraza +
                      siempre.size() * 4;
  for (const auto& [lugar, trozo] : trozos_) {
    for (const std::string& g : trozo.grupos_) total += g.size();
  }
  for (const std::string& g : grupos_siempre) total += g.size();
  carga.reserve(total);
  carga += resumen;
  const std::size_t desde_directorio = carga.size();
  carga.append(largo_directorio, '\0');
  std::size_t en_directorio = desde_directorio;
  const auto anotar = [&](std::size_t desde, const std::uint64_t* primero) {
    std::string parte;
    PonerParte(parte, desde, std::string_view(carga).substr(desde));
    if (primero != nullptr) Poner<std::uint64_t>(parte, *primero);
    std::memcpy(carga.data() + en_directorio, parte.data(), parte.size());
    en_directorio += parte.size();
  };
  std::size_t r = 0;
  for (std::uint32_t c = 0; c < n_celdas; ++c) {
    const std::size_t desde = carga.size();
    if (c + 1 < n_celdas) {
      for (; r < refs.size() && refs[r].celda == c; ++r) {
        Poner<std::uint32_t>(carga, refs[r].registro);
        for (const float v : refs[r].traza->nodos) Poner<float>(carga, v);
        Poner<float>(carga, refs[r].traza->radio);
      }
    } else {
      for (const std::uint32_t s : siempre) Poner<std::uint32_t>(carga, s);
    }
    anotar(desde, nullptr);
  }
  refs = {};
  std::uint64_t primero = 0;
  for (auto& [lugar, trozo] : trozos_) {
    for (std::size_t g = 0; g < trozo.grupos_.size(); ++g) {
      const std::size_t desde = carga.size();
      carga += trozo.grupos_[g];
      trozo.grupos_[g] = {};
      anotar(desde, &primero);
      primero += trozo.por_grupo_[g];
    }
  }
  trozos_.clear();
  for (std::size_t g = 0; g < grupos_siempre.size(); ++g) {
    const std::size_t desde = carga.size();
    carga += grupos_siempre[g];
    anotar(desde, &primero);
    primero += por_grupo_siempre[g];
  }
  const std::uint32_t crc_directorio =
      Crc(std::string_view(carga).substr(desde_directorio, largo_directorio));
  std::memcpy(carga.data() + kLargoCabecera - 4, &crc_directorio, 4);
  return carga;
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
  const auto n_grupos = Tomar<std::uint64_t>(cabecera, pos);
  const auto crc_resumen = Tomar<std::uint32_t>(cabecera, pos);
  const auto crc_directorio = Tomar<std::uint32_t>(cabecera, pos);
  const std::uint64_t largo_directorio = n_celdas * kLargoParte + n_grupos * (kLargoParte + 8);
  if (n_celdas != NumeroCeldas() + 1ull || largo_resumen > entrada.Largo() ||
      n_grupos > entrada.Largo() || largo_directorio > entrada.Largo()) {
    return std::nullopt;
  }
  std::string cuerpo;
  if (!entrada.Leer(kLargoCabecera, largo_resumen + largo_directorio, cuerpo)) return std::nullopt;
  const std::string_view resumen = std::string_view(cuerpo).substr(0, largo_resumen);
  const std::string_view directorio = std::string_view(cuerpo).substr(largo_resumen);
  if (Crc(resumen) != crc_resumen || Crc(directorio) != crc_directorio) {
    motivo = "su suma de comprobación no coincide";
    return std::nullopt;
  }
  IndiceNoche indice;
  pos = 0;
  const auto queda = [&](std::size_t n) { return resumen.size() - pos >= n; };
  if (!queda(12)) return std::nullopt;
  indice.epoca_acarreo_ = Tomar<double>(resumen, pos);
  const auto n_archivos = Tomar<std::uint32_t>(resumen, pos);
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
    indice.archivos_.push_back(std::move(r));
  }
  pos = 0;
  const auto parte = [&] {
    Parte p;
    p.desde = Tomar<std::uint64_t>(directorio, pos);
    p.largo = Tomar<std::uint32_t>(directorio, pos);
    p.crc = Tomar<std::uint32_t>(directorio, pos);
    return p;
  };
  for (std::uint64_t c = 0; c < n_celdas; ++c) indice.celdas_.push_back(parte());
  for (std::uint64_t g = 0; g < n_grupos; ++g) {
    indice.grupos_.push_back(parte());
    indice.primer_registro_.push_back(Tomar<std::uint64_t>(directorio, pos));
  }
  return indice;
}

bool IndiceNoche::Elegir(EntradaPorPartes& entrada, double ar, double dec, double radio, int nodo,
                         std::vector<RegistroNoche>& elegidos, std::string& motivo) const {
  motivo = "su suma de comprobación no coincide";
  std::vector<std::uint32_t> celdas;
  CeldasDelCirculo(ar, dec, radio, celdas);
  std::sort(celdas.begin(), celdas.end());
  celdas.erase(std::unique(celdas.begin(), celdas.end()), celdas.end());
  celdas.push_back(NumeroCeldas());  // the list read always
  std::vector<std::uint64_t> registros;
  std::string bloque;
  for (const std::uint32_t c : celdas) {
    const Parte& p = celdas_[c];
    if (!entrada.Leer(p.desde, p.largo, bloque) || Crc(bloque) != p.crc) return false;
    std::size_t pos = 0;
    if (c == NumeroCeldas()) {
      if (bloque.size() % 4 != 0) return false;
      while (pos < bloque.size()) registros.push_back(Tomar<std::uint32_t>(bloque, pos));
      continue;
    }
    if (bloque.size() % kLargoTraza != 0) return false;
    while (pos < bloque.size()) {
      const auto registro = Tomar<std::uint32_t>(bloque, pos);
      Traza t;
      for (float& v : t.nodos) v = Tomar<float>(bloque, pos);
      t.radio = Tomar<float>(bloque, pos);
      if (Solapa(t, nodo, ar, dec, radio)) registros.push_back(registro);
    }
  }
  std::sort(registros.begin(), registros.end());
  registros.erase(std::unique(registros.begin(), registros.end()), registros.end());
  std::vector<RegistroNoche> grupo;
  std::size_t g_actual = grupos_.size();
  for (const std::uint64_t registro : registros) {
    const auto it = std::upper_bound(primer_registro_.begin(), primer_registro_.end(), registro);
    if (it == primer_registro_.begin()) return false;
    const auto g = static_cast<std::size_t>(it - primer_registro_.begin() - 1);
    if (g != g_actual) {
      const Parte& p = grupos_[g];
      if (!entrada.Leer(p.desde, p.largo, bloque) || Crc(bloque) != p.crc) return false;
      const std::optional<std::string> datos = Descomprimir(bloque);
      grupo.clear();
      if (!datos || !LeerRegistros(*datos, grupo)) return false;
      g_actual = g;
    }
    const std::uint64_t dentro = registro - primer_registro_[g];
    if (dentro >= grupo.size()) return false;
    elegidos.push_back(grupo[static_cast<std::size_t>(dentro)]);
  }
  return true;
}

}  // namespace orbelux::campo
