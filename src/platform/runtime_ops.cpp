#include "platform/runtime_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orbelux {

namespace fs = std::filesystem;

FalloArchivo::FalloArchivo(Operacion operacion, fs::path ruta, const std::string& detalle)
    : Fallo(TextoRuta(ruta) + ": " + detalle), operacion_(operacion), ruta_(std::move(ruta)) {}

std::string TextoRuta(const fs::path& ruta) {
  const std::u8string texto = ruta.u8string();
  return {texto.begin(), texto.end()};
}

fs::path DirectorioActual() {
  std::error_code error;
  fs::path directorio = fs::current_path(error);
  return error ? fs::path(".") : directorio;
}

namespace {

#ifdef _WIN32
int AbrirDescriptor(const fs::path& ruta, int modo, int permisos = 0) {
  return ::_wopen(ruta.c_str(), modo | _O_BINARY, permisos);
}
long long LeerDescriptor(int fd, char* destino, std::size_t maximo) {
  return ::_read(fd, destino, static_cast<unsigned>(std::min<std::size_t>(maximo, 1u << 30)));
}
long long EscribirDescriptor(int fd, const char* datos, std::size_t n) {
  return ::_write(fd, datos, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
}
int SincronizarDescriptor(int fd) { return ::_commit(fd); }
int CerrarDescriptor(int fd) { return ::_close(fd); }
constexpr int kLectura = _O_RDONLY;
constexpr int kCreacion = _O_WRONLY | _O_CREAT | _O_EXCL;
#else
int AbrirDescriptor(const fs::path& ruta, int modo, int permisos = 0) {
  int fd;
  do {
    fd = ::open(ruta.c_str(), modo | O_CLOEXEC, permisos);
  } while (fd < 0 && errno == EINTR);
  return fd;
}
long long LeerDescriptor(int fd, char* destino, std::size_t maximo) {
  return ::read(fd, destino, maximo);
}
long long EscribirDescriptor(int fd, const char* datos, std::size_t n) {
  return ::write(fd, datos, n);
}
int SincronizarDescriptor(int fd) { return ::fsync(fd); }
int CerrarDescriptor(int fd) { return ::close(fd); }
// Non-blocking open so that a FIFO named like the catalogue cannot hang the run; it
// is refused as soon as fstat shows it is not a regular file.
constexpr int kLectura = O_RDONLY | O_NONBLOCK;
constexpr int kCreacion = O_WRONLY | O_CREAT | O_EXCL;
#endif

std::string TextoError(int codigo) { return std::generic_category().message(codigo); }

class ArchivoLecturaReal final : public ArchivoLectura {
 public:
  explicit ArchivoLecturaReal(const fs::path& ruta) : ruta_(ruta) {
    fd_ = AbrirDescriptor(ruta, kLectura);
    if (fd_ < 0) throw FalloArchivo(FalloArchivo::Operacion::Lectura, ruta, TextoError(errno));
    struct stat estado {};
    if (::fstat(fd_, &estado) != 0 || (estado.st_mode & S_IFMT) != S_IFREG) {
      const int codigo = errno;
      CerrarDescriptor(fd_);
      throw FalloArchivo(FalloArchivo::Operacion::Lectura, ruta,
                         codigo != 0 ? TextoError(codigo) : "no es un archivo normal");
    }
#ifndef _WIN32
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
#endif
  }
  ~ArchivoLecturaReal() override { CerrarDescriptor(fd_); }

  std::size_t Leer(char* destino, std::size_t maximo) override {
    for (;;) {
      const long long leidos = LeerDescriptor(fd_, destino, maximo);
      if (leidos >= 0) return static_cast<std::size_t>(leidos);
      if (errno != EINTR) {
        throw FalloArchivo(FalloArchivo::Operacion::Lectura, ruta_, TextoError(errno));
      }
    }
  }

 private:
  fs::path ruta_;
  int fd_ = -1;
};

class ArchivoEscrituraReal final : public ArchivoEscritura {
 public:
  ArchivoEscrituraReal(int fd, fs::path ruta) : fd_(fd), ruta_(std::move(ruta)) {}
  ~ArchivoEscrituraReal() override {
    if (fd_ >= 0) CerrarDescriptor(fd_);
  }

  const fs::path& ruta() const override { return ruta_; }

  void Escribir(std::string_view datos) override {
    while (!datos.empty()) {
      const long long escritos = EscribirDescriptor(fd_, datos.data(), datos.size());
      if (escritos < 0) {
        if (errno == EINTR) continue;
        Fallar(errno);
      }
      if (escritos == 0) Fallar(ENOSPC);
      datos.remove_prefix(static_cast<std::size_t>(escritos));
    }
  }

  void SincronizarYCerrar() override {
    if (SincronizarDescriptor(fd_) != 0) Fallar(errno);
    const int fd = std::exchange(fd_, -1);
    if (CerrarDescriptor(fd) != 0) Fallar(errno);
  }

 private:
  [[noreturn]] void Fallar(int codigo) {
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta_, TextoError(codigo));
  }

  int fd_;
  fs::path ruta_;
};

class SistemaArchivosReal final : public SistemaArchivos {
 public:
  std::unique_ptr<ArchivoLectura> AbrirLectura(const fs::path& ruta) override {
    return std::make_unique<ArchivoLecturaReal>(ruta);
  }

  std::unique_ptr<ArchivoEscritura> CrearTemporal(const fs::path& destino) override {
    static thread_local std::mt19937_64 azar{std::random_device{}()};
    int codigo = EEXIST;
    for (int intento = 0; intento < 100 && codigo == EEXIST; ++intento) {
      fs::path ruta = destino;
      ruta += ".tmp-" + std::to_string(azar() % 1000000000u);
      const int fd = AbrirDescriptor(ruta, kCreacion, 0666);
      if (fd >= 0) return std::make_unique<ArchivoEscrituraReal>(fd, std::move(ruta));
      codigo = errno;
    }
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino, TextoError(codigo));
  }

  void Renombrar(const fs::path& origen, const fs::path& destino) override {
    std::error_code error;
    fs::rename(origen, destino, error);
    if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino, error.message());
  }

  void Borrar(const fs::path& ruta) noexcept override {
    std::error_code ignorado;
    fs::remove(ruta, ignorado);
  }
};

}  // namespace

SistemaArchivos& SistemaReal() {
  static SistemaArchivosReal sistema;
  return sistema;
}

// ---------------------------------------------------------------------------------------

namespace {

constexpr std::size_t kBloqueLectura = std::size_t{64} * 1024;

// The first CR or LF in [inicio, final), or final. memchr is vectorised; lines are
// short, so looking for both ends in a short window first keeps it cheap.
const char* FinDeLinea(const char* inicio, const char* final) {
  const auto buscar = [](const char* desde, const char* hasta) {
    const std::size_t n = static_cast<std::size_t>(hasta - desde);
    const void* lf = std::memchr(desde, '\n', n);
    const void* cr = std::memchr(desde, '\r', lf ? static_cast<std::size_t>(
                                                      static_cast<const char*>(lf) - desde)
                                                : n);
    return static_cast<const char*>(cr ? cr : lf);
  };
  constexpr std::ptrdiff_t kVentana = 128;
  for (const char* desde = inicio; desde < final; desde += kVentana) {
    const char* hasta = final - desde > kVentana ? desde + kVentana : final;
    if (const char* corte = buscar(desde, hasta)) return corte;
  }
  return final;
}

}  // namespace

LectorLineas::LectorLineas(ArchivoLectura& archivo, std::size_t ancho)
    : archivo_(archivo), ancho_(ancho), bloque_(kBloqueLectura) {
  linea_.reserve(ancho);
}

bool LectorLineas::Rellenar() {
  if (agotado_) return false;
  pos_ = 0;
  fin_ = archivo_.Leer(bloque_.data(), bloque_.size());
  if (fin_ == 0) agotado_ = true;
  return fin_ > 0;
}

bool LectorLineas::AlFinal() { return pos_ == fin_ && !Rellenar(); }

std::string_view LectorLineas::LeerLinea() {
  linea_.clear();
  bool partida = false;  // the line began in an earlier block and lives in linea_
  for (;;) {
    if (pos_ == fin_ && !Rellenar()) return linea_;
    const char* inicio = bloque_.data() + pos_;
    const char* final = bloque_.data() + fin_;
    const char* corte = FinDeLinea(inicio, final);
    const std::size_t largo = static_cast<std::size_t>(corte - inicio);
    pos_ = static_cast<std::size_t>(corte - bloque_.data());
    if (corte == final) {
      linea_.append(inicio, std::min(ancho_ - linea_.size(), largo));
      partida = true;
      continue;
    }
    ++pos_;
    std::string_view linea(inicio, std::min(ancho_, largo));
    if (partida || (*corte == '\r' && pos_ == fin_)) {
      // The line is kept apart when the block is about to be refilled under it.
      linea_.append(inicio, std::min(ancho_ - linea_.size(), largo));
      linea = linea_;
    }
    // CR LF is one line end, even when the block boundary falls between the two.
    if (*corte == '\r' && (pos_ < fin_ || Rellenar()) && bloque_[pos_] == '\n') ++pos_;
    return linea;
  }
}

// ---------------------------------------------------------------------------------------

namespace {
constexpr std::size_t kBloqueEscritura = std::size_t{64} * 1024;
}

EscrituraAtomica::EscrituraAtomica(SistemaArchivos& sistema, fs::path destino)
    : sistema_(sistema), destino_(std::move(destino)) {
  try {
    temporal_ = sistema_.CrearTemporal(destino_);
  } catch (const Fallo& fallo) {
    Fallar(fallo);
  }
  ruta_temporal_ = temporal_->ruta();
  pendiente_.reserve(kBloqueEscritura);
}

EscrituraAtomica::~EscrituraAtomica() {
  if (!hecho_ && !ruta_temporal_.empty()) {
    temporal_.reset();
    sistema_.Borrar(ruta_temporal_);
  }
}

void EscrituraAtomica::Escribir(std::string_view datos) {
  if (pendiente_.size() + datos.size() > kBloqueEscritura) Vaciar();
  if (datos.size() >= kBloqueEscritura) {
    try {
      temporal_->Escribir(datos);
    } catch (const Fallo& fallo) {
      Fallar(fallo);
    }
    return;
  }
  pendiente_.append(datos);
}

void EscrituraAtomica::Vaciar() {
  if (pendiente_.empty()) return;
  try {
    temporal_->Escribir(pendiente_);
  } catch (const Fallo& fallo) {
    Fallar(fallo);
  }
  pendiente_.clear();
}

void EscrituraAtomica::Confirmar() {
  Vaciar();
  try {
    temporal_->SincronizarYCerrar();
    sistema_.Renombrar(ruta_temporal_, destino_);
  } catch (const Fallo& fallo) {
    Fallar(fallo);
  }
  hecho_ = true;
}

void EscrituraAtomica::Fallar(const Fallo& causa) {
  // The user is told about the file they asked for, not about the temporary one.
  throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_, causa.what());
}

}  // namespace orbelux
