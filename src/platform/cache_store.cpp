// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cache_store.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "platform/atomic_write.h"

#ifdef _WIN32
#include "platform/wide_text.h"
#endif

namespace orbelux {

namespace fs = std::filesystem;

namespace {

// An entry: this header, the key's text, the payload, and a tail with the payload's length
// and checksum, so that an entry can be written as it is made. Numbers are little-endian
// whatever the machine, so a cache folder shared between systems reads the same.
constexpr std::string_view kMagia = "ORBXCACH";
constexpr std::uint32_t kVersionFormato = 2;
constexpr std::size_t kLargoCabecera = 20;  // magic 8, version 4, key 4, crc of these and the key 4
constexpr std::size_t kLargoCola = 12;      // payload 8, its crc 4
// A longer key is a damaged header, not a key: no caller names that much.
constexpr std::uint32_t kMaximoClave = 1u << 20;
constexpr std::string_view kExtension = ".cache";

void PonerNumero(std::string& destino, std::uint64_t valor, int bytes) {
  for (int i = 0; i < bytes; ++i) destino += static_cast<char>((valor >> (8 * i)) & 0xff);
}

std::uint64_t TomarNumero(std::string_view origen, std::size_t desde, int bytes) {
  std::uint64_t valor = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    valor = (valor << 8) | static_cast<unsigned char>(origen[desde + static_cast<std::size_t>(i)]);
  }
  return valor;
}

// zlib's CRC-32 over any length (its own length type may be 32 bits).
std::uint32_t Crc(std::string_view datos, std::uint32_t crc = 0) {
  constexpr std::size_t kTrozo = std::size_t{1} << 30;
  while (!datos.empty()) {
    const std::size_t n = std::min(datos.size(), kTrozo);
    crc = static_cast<std::uint32_t>(
        ::crc32(crc, reinterpret_cast<const Bytef*>(datos.data()), static_cast<uInt>(n)));
    datos.remove_prefix(n);
  }
  return crc;
}

std::string Hexadecimal(std::uint64_t valor) {
  constexpr std::string_view kCifras = "0123456789abcdef";
  std::string texto(16, '0');
  for (int i = 15; i >= 0; --i, valor >>= 4)
    texto[static_cast<std::size_t>(i)] = kCifras[valor & 15];
  return texto;
}

// The header of an entry; its CRC covers it and the key's text.
std::string Cabecera(std::string_view clave) {
  std::string cabecera(kMagia);
  PonerNumero(cabecera, kVersionFormato, 4);
  PonerNumero(cabecera, clave.size(), 4);
  PonerNumero(cabecera, Crc(clave, Crc(cabecera)), 4);
  return cabecera;
}

std::string Cola(std::uint64_t largo, std::uint32_t crc) {
  std::string cola;
  PonerNumero(cola, largo, 8);
  PonerNumero(cola, crc, 4);
  return cola;
}

// Reads up to `n` bytes, fewer only at the end of the file.
std::size_t LeerHasta(ArchivoLectura& archivo, char* destino, std::size_t n) {
  std::size_t total = 0;
  while (total < n) {
    const std::size_t leidos = archivo.Leer(destino + total, n - total);
    if (leidos == 0) break;
    total += leidos;
  }
  return total;
}

bool EsNombreEntrada(const std::string& nombre) {
  return nombre.size() == 16 + kExtension.size() && nombre.ends_with(kExtension) &&
         std::all_of(nombre.begin(), nombre.begin() + 16,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string SinCache(std::string_view detalle) {
  return "no se puede usar la caché (" + std::string(detalle) + "); se trabaja sin ella";
}

fs::path RutaDesdeUtf8(const std::string& texto) {
#ifdef _WIN32
  return fs::path(TextoAncho(texto));
#else
  return fs::path(texto);
#endif
}

}  // namespace

std::uint64_t HuellaFnv(std::string_view datos, std::uint64_t semilla) {
  constexpr std::uint64_t kPrimo = 0x100000001b3ull;
  for (const char c : datos) semilla = (semilla ^ static_cast<unsigned char>(c)) * kPrimo;
  return semilla;
}

fs::path CarpetaCache(const VariableEntorno& variable) {
#ifdef _WIN32
  const std::optional<std::string> local = variable("LOCALAPPDATA");
  if (local && RutaDesdeUtf8(*local).is_absolute()) {
    return RutaDesdeUtf8(*local) / kNombreCarpetaCache;
  }
#else
  // The XDG rule: a relative XDG_CACHE_HOME is to be ignored.
  const std::optional<std::string> xdg = variable("XDG_CACHE_HOME");
  if (xdg && RutaDesdeUtf8(*xdg).is_absolute()) return RutaDesdeUtf8(*xdg) / kNombreCarpetaCache;
  const std::optional<std::string> casa = variable("HOME");
  if (casa && RutaDesdeUtf8(*casa).is_absolute()) {
    return RutaDesdeUtf8(*casa) / ".cache" / kNombreCarpetaCache;
  }
#endif
  return {};
}

fs::path CarpetaCache() {
  return CarpetaCache([](std::string_view nombre) -> std::optional<std::string> {
#ifdef _WIN32
    const wchar_t* valor = ::_wgetenv(TextoAncho(nombre).c_str());
    if (valor == nullptr) return std::nullopt;
    return TextoUtf8(valor);
#else
    const char* valor = std::getenv(std::string(nombre).c_str());
    if (valor == nullptr) return std::nullopt;
    return std::string(valor);
#endif
  });
}

std::uint64_t LeerTamano(std::string_view texto) {
  const std::string formato =
      "debe ser un número de bytes, con una unidad k, M, G o T si se quiere (500M, 2G)";
  std::uint64_t unidad = 1;
  if (!texto.empty()) {
    switch (texto.back()) {
      case 'k':
      case 'K':
        unidad = 1'000;
        break;
      case 'm':
      case 'M':
        unidad = 1'000'000;
        break;
      case 'g':
      case 'G':
        unidad = 1'000'000'000;
        break;
      case 't':
      case 'T':
        unidad = 1'000'000'000'000;
        break;
      default:
        break;
    }
    if (unidad != 1) texto.remove_suffix(1);
  }
  if (texto.empty()) throw ErrorTamano(formato);
  constexpr std::uint64_t kMaximo = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t valor = 0;
  for (const char c : texto) {
    if (c < '0' || c > '9') throw ErrorTamano(formato);
    const auto cifra = static_cast<std::uint64_t>(c - '0');
    if (valor > (kMaximo - cifra) / 10) throw ErrorTamano("es demasiado grande");
    valor = valor * 10 + cifra;
  }
  if (valor > kMaximo / unidad) throw ErrorTamano("es demasiado grande");
  return valor * unidad;
}

void ClaveCache::AnadirArchivo(SistemaArchivos& sistema, const fs::path& ruta) {
  const EstadoArchivo estado = sistema.Estado(ruta);
  const std::unique_ptr<ArchivoLectura> archivo = sistema.AbrirLectura(ruta);
  // The size of the file as opened, which is what was hashed.
  const std::uint64_t tamano = archivo->Tamano();
  std::string tramo(static_cast<std::size_t>(std::min(tamano, 2 * kTramoHuella)), '\0');
  std::uint64_t huella = kSemillaFnv;
  if (tamano <= 2 * kTramoHuella) {
    tramo.resize(LeerHasta(*archivo, tramo.data(), tramo.size()));
    huella = HuellaFnv(tramo, huella);
  } else {
    tramo.resize(LeerHasta(*archivo, tramo.data(), kTramoHuella));
    huella = HuellaFnv(tramo, huella);
    archivo->Saltar(tamano - 2 * kTramoHuella);
    tramo.resize(kTramoHuella);
    tramo.resize(LeerHasta(*archivo, tramo.data(), tramo.size()));
    huella = HuellaFnv(tramo, huella);
  }
  AnadirParte("archivo", std::to_string(tamano) + " " + std::to_string(estado.modificado_ns) + " " +
                             Hexadecimal(huella));
}

void ClaveCache::AnadirParte(std::string_view nombre, std::string_view valor) {
  texto_ += std::to_string(nombre.size()) + ":" + std::string(nombre) + "=" +
            std::to_string(valor.size()) + ":" + std::string(valor) + "\n";
}

std::string ClaveCache::NombreArchivo() const {
  return Hexadecimal(HuellaFnv(texto_)) + std::string(kExtension);
}

std::uint64_t TamanoEntrada(const ClaveCache& clave, std::uint64_t largo_carga) {
  return kLargoCabecera + clave.texto().size() + largo_carga + kLargoCola;
}

AlmacenCache::AlmacenCache(SistemaArchivos& sistema, fs::path carpeta, std::uint64_t tamano_maximo)
    : sistema_(sistema), carpeta_(std::move(carpeta)), tamano_maximo_(tamano_maximo) {}

// An entry opened past its checked header and key, at the start of its payload.
struct EntradaAbierta {
  LecturaCache::Resultado resultado = LecturaCache::Resultado::Ausente;
  std::unique_ptr<ArchivoLectura> archivo;  // when Hallada
  std::uint64_t largo_carga = 0;
  std::string mensaje;
};

EntradaAbierta AlmacenCache::Abrir(const ClaveCache& clave) {
  using R = LecturaCache::Resultado;
  EntradaAbierta abierta;
  if (carpeta_.empty()) {
    abierta.resultado = R::SinCache;
    abierta.mensaje = SinCache("no hay carpeta para ella");
    return abierta;
  }
  const fs::path ruta = carpeta_ / clave.NombreArchivo();
  const auto danada = [&](std::string_view motivo) {
    EntradaAbierta d;
    d.resultado = R::Danada;
    d.mensaje = MensajeDanada(clave, motivo);
    return d;
  };
  try {
    if (sistema_.Estado(ruta).tipo != EstadoArchivo::Tipo::Normal) return abierta;
    std::unique_ptr<ArchivoLectura> archivo;
    try {
      archivo = sistema_.AbrirLectura(ruta);
    } catch (const FalloArchivo&) {
      // Another process may have dropped it for the bound in between.
      if (sistema_.Estado(ruta).tipo == EstadoArchivo::Tipo::NoExiste) return abierta;
      throw;
    }
    std::string cabecera(kLargoCabecera, '\0');
    if (LeerHasta(*archivo, cabecera.data(), cabecera.size()) < kLargoCabecera) {
      return danada("está cortada");
    }
    if (!cabecera.starts_with(kMagia)) return danada("no es una entrada de la caché");
    // Another version's entry is no damage: it is simply not this version's, and is rebuilt.
    if (TomarNumero(cabecera, 8, 4) != kVersionFormato) return abierta;
    const std::uint64_t largo_clave = TomarNumero(cabecera, 12, 4);
    const std::uint64_t tamano = archivo->Tamano();
    if (largo_clave > kMaximoClave ||
        (tamano != 0 && kLargoCabecera + largo_clave + kLargoCola > tamano)) {
      return danada("su cabecera no es válida");
    }
    std::string texto_clave(static_cast<std::size_t>(largo_clave), '\0');
    if (LeerHasta(*archivo, texto_clave.data(), texto_clave.size()) < texto_clave.size()) {
      return danada("está cortada");
    }
    if (Crc(texto_clave, Crc(std::string_view(cabecera).substr(0, kLargoCabecera - 4))) !=
        TomarNumero(cabecera, kLargoCabecera - 4, 4)) {
      return danada("su cabecera no es válida");
    }
    // Another key with the same hash: not this key's entry.
    if (texto_clave != clave.texto()) return abierta;
    if (tamano == 0) return danada("no se sabe su tamaño");
    try {
      sistema_.MarcarUso(ruta);
    } catch (const FalloArchivo&) {
      // A folder the user made read-only still serves; its entries just age by their writing.
    }
    abierta.resultado = R::Hallada;
    abierta.archivo = std::move(archivo);
    abierta.largo_carga = tamano - kLargoCabecera - largo_clave - kLargoCola;
    return abierta;
  } catch (const FalloArchivo& fallo) {
    abierta.resultado = R::SinCache;
    abierta.mensaje = SinCache(fallo.what());
    return abierta;
  }
}

std::string AlmacenCache::MensajeDanada(const ClaveCache& clave, std::string_view motivo) const {
  return "la entrada " + TextoRuta(carpeta_ / clave.NombreArchivo()) +
         " de la caché está dañada (" + std::string(motivo) + "); se vuelve a calcular";
}

LecturaCache AlmacenCache::Leer(const ClaveCache& clave) {
  using R = LecturaCache::Resultado;
  EntradaAbierta abierta = Abrir(clave);
  if (abierta.resultado != R::Hallada) {
    return {abierta.resultado, {}, std::move(abierta.mensaje)};
  }
  const auto danada = [&](std::string_view motivo) {
    return LecturaCache{R::Danada, {}, MensajeDanada(clave, motivo)};
  };
  try {
    std::string carga(static_cast<std::size_t>(abierta.largo_carga), '\0');
    std::string cola(kLargoCola, '\0');
    if (LeerHasta(*abierta.archivo, carga.data(), carga.size()) < carga.size() ||
        LeerHasta(*abierta.archivo, cola.data(), cola.size()) < cola.size()) {
      return danada("está cortada");
    }
    char sobra = 0;
    if (LeerHasta(*abierta.archivo, &sobra, 1) != 0) return danada("le sobran bytes");
    // The tail's length tells a cut or a grown file from the payload's own damage.
    if (TomarNumero(cola, 0, 8) != abierta.largo_carga) return danada("está cortada");
    if (Crc(carga) != TomarNumero(cola, 8, 4)) {
      return danada("su suma de comprobación no coincide");
    }
    return {R::Hallada, std::move(carga), {}};
  } catch (const FalloArchivo& fallo) {
    return {R::SinCache, {}, SinCache(fallo.what())};
  }
}

LecturaPorPartes AlmacenCache::AbrirPorPartes(const ClaveCache& clave) {
  EntradaAbierta abierta = Abrir(clave);
  LecturaPorPartes lectura;
  lectura.resultado = abierta.resultado;
  lectura.mensaje = std::move(abierta.mensaje);
  if (abierta.resultado != LecturaCache::Resultado::Hallada) return lectura;
  const fs::path ruta = carpeta_ / clave.NombreArchivo();
  try {
    // The tail's length tells a cut or grown entry at once; the payload is then read from
    // a second opening, since a file is read forwards only.
    abierta.archivo->Saltar(abierta.largo_carga);
    std::string cola(kLargoCola, '\0');
    if (LeerHasta(*abierta.archivo, cola.data(), cola.size()) < cola.size() ||
        TomarNumero(cola, 0, 8) != abierta.largo_carga) {
      lectura.resultado = LecturaCache::Resultado::Danada;
      lectura.mensaje = MensajeDanada(clave, "está cortada");
      return lectura;
    }
    std::unique_ptr<ArchivoLectura> archivo = sistema_.AbrirLectura(ruta);
    const std::uint64_t inicio = archivo->Tamano() - abierta.largo_carga - kLargoCola;
    archivo->Saltar(inicio);
    lectura.entrada =
        std::make_unique<EntradaPorPartes>(std::move(archivo), abierta.largo_carga, inicio);
  } catch (const FalloArchivo& fallo) {
    lectura.resultado = LecturaCache::Resultado::SinCache;
    lectura.mensaje = SinCache(fallo.what());
  }
  return lectura;
}

bool EntradaPorPartes::Leer(std::uint64_t desde, std::size_t largo, std::string& destino) {
  if (desde > largo_ || largo > largo_ - desde) return false;
  try {
    destino.resize(largo);
    // One call where the file allows, wherever the last part was.
    if (const std::optional<std::size_t> leidos =
            archivo_->LeerEn(inicio_ + desde, destino.data(), largo)) {
      return *leidos == largo;
    }
    if (desde < posicion_) return false;
    if (desde > posicion_) archivo_->Saltar(desde - posicion_);
    const std::size_t leidos = LeerHasta(*archivo_, destino.data(), largo);
    posicion_ = desde + leidos;
    return leidos == largo;
  } catch (const FalloArchivo&) {
    return false;
  }
}

EntradaNueva::EntradaNueva(AlmacenCache& almacen, ClaveCache clave)
    : almacen_(almacen), clave_(std::move(clave)) {
  using R = EscrituraCache::Resultado;
  if (almacen_.carpeta_.empty()) {
    fallo_ = EscrituraCache{R::SinCache, SinCache("no hay carpeta para ella"), 0};
    return;
  }
  try {
    almacen_.sistema_.CrearDirectorios(almacen_.carpeta_);
    escritura_ = std::make_unique<EscrituraAtomica>(
        almacen_.sistema_, almacen_.carpeta_ / clave_.NombreArchivo());
    escritura_->Escribir(Cabecera(clave_.texto()));
    escritura_->Escribir(clave_.texto());
  } catch (const FalloArchivo& fallo) {
    escritura_.reset();
    fallo_ = EscrituraCache{R::SinCache, SinCache(fallo.what()), 0};
  }
}

EntradaNueva::~EntradaNueva() = default;

void EntradaNueva::Anadir(std::string_view datos) {
  if (fallo_) return;
  largo_ += datos.size();
  crc_ = Crc(datos, crc_);
  if (TamanoEntrada(clave_, largo_) > almacen_.tamano_maximo_) {
    // Nothing more is written: the temporary file goes with the writer.
    escritura_.reset();
    fallo_ = EscrituraCache{EscrituraCache::Resultado::NoCabe,
                            "no se guarda en la caché una entrada que pasa de su límite de " +
                                std::to_string(almacen_.tamano_maximo_) + " bytes",
                            0};
    return;
  }
  try {
    escritura_->Escribir(datos);
  } catch (const FalloArchivo& fallo) {
    escritura_.reset();
    fallo_ = EscrituraCache{EscrituraCache::Resultado::SinCache, SinCache(fallo.what()), 0};
  }
}

EscrituraCache EntradaNueva::Confirmar() {
  if (fallo_) return *fallo_;
  try {
    escritura_->Escribir(Cola(largo_, crc_));
    // Writing the file may take long and needs no turn; replacing it and trimming do.
    const std::unique_ptr<Candado> turno =
        almacen_.sistema_.Bloquear(almacen_.carpeta_ / AlmacenCache::kNombreCandado);
    escritura_->Confirmar();
    escritura_.reset();
    fallo_ = EscrituraCache{EscrituraCache::Resultado::Guardada, {},
                            almacen_.Recortar(clave_.NombreArchivo())};
  } catch (const FalloArchivo& fallo) {
    escritura_.reset();
    fallo_ = EscrituraCache{EscrituraCache::Resultado::SinCache, SinCache(fallo.what()), 0};
  }
  return *fallo_;
}

EntradaEnOrden::EntradaEnOrden(AlmacenCache& almacen, ClaveCache clave,
                               std::function<void(std::string_view)> al_escribir)
    : entrada_(almacen, std::move(clave)), al_escribir_(std::move(al_escribir)) {}

void EntradaEnOrden::Anotar(std::uint64_t indice, std::string datos) {
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  pendientes_.emplace(indice, std::move(datos));
  while (!pendientes_.empty() && pendientes_.begin()->first == siguiente_) {
    const std::string& bloque = pendientes_.begin()->second;
    entrada_.Anadir(bloque);
    if (al_escribir_) al_escribir_(bloque);
    largo_ += bloque.size();
    pendientes_.erase(pendientes_.begin());
    ++siguiente_;
  }
}

std::uint64_t EntradaEnOrden::Largo() const {
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  return largo_;
}

EscrituraCache EntradaEnOrden::Terminar() {
  const std::lock_guard<std::mutex> cerrojo(mutex_);
  if (!pendientes_.empty()) {
    return {EscrituraCache::Resultado::NoCabe,
            "no se guarda en la caché una entrada a la que le falta una parte", 0};
  }
  return entrada_.Confirmar();
}

EscrituraCache AlmacenCache::Guardar(const ClaveCache& clave, std::string_view carga) {
  return Guardar(clave, std::vector<std::string_view>{carga});
}

EscrituraCache AlmacenCache::Guardar(const ClaveCache& clave,
                                     const std::vector<std::string_view>& piezas) {
  std::uint64_t largo = 0;
  for (const std::string_view pieza : piezas) largo += pieza.size();
  // Too large by itself is said before anything is written.
  if (!carpeta_.empty() && TamanoEntrada(clave, largo) > tamano_maximo_) {
    return {EscrituraCache::Resultado::NoCabe,
            "no se guarda en la caché una entrada de " +
                std::to_string(TamanoEntrada(clave, largo)) + " bytes: pasa de su límite de " +
                std::to_string(tamano_maximo_) + " bytes",
            0};
  }
  EntradaNueva nueva(*this, clave);
  for (const std::string_view pieza : piezas) nueva.Anadir(pieza);
  return nueva.Confirmar();
}

int AlmacenCache::Recortar(const fs::path& conservar) {
  std::vector<EntradaDirectorio> entradas;
  std::uint64_t total = 0;
  std::set<std::string> con_temporales;
  for (EntradaDirectorio& entrada : sistema_.Listar(carpeta_)) {
    const std::string nombre = TextoRuta(entrada.nombre);
    if (EsNombreEntrada(nombre)) {
      total += entrada.tamano;
      entradas.push_back(std::move(entrada));
    } else if (const auto marca = nombre.find(kMarcaTemporal); marca != std::string::npos) {
      con_temporales.insert(nombre.substr(0, marca));
    }
  }
  // What runs killed on the way left behind; one still being written is kept.
  for (const std::string& destino : con_temporales) {
    sistema_.BorrarTemporalesAbandonados(carpeta_ / RutaDesdeUtf8(destino));
  }
  std::sort(entradas.begin(), entradas.end(), [](const auto& a, const auto& b) {
    return std::pair(a.modificado_ns, a.nombre) < std::pair(b.modificado_ns, b.nombre);
  });
  int descartadas = 0;
  for (const EntradaDirectorio& entrada : entradas) {
    if (total <= tamano_maximo_) break;
    if (entrada.nombre == conservar) continue;
    sistema_.Borrar(carpeta_ / entrada.nombre);
    total -= entrada.tamano;
    ++descartadas;
  }
  return descartadas;
}

}  // namespace orbelux
