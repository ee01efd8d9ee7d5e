// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/runtime_ops.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace orbelux {

namespace fs = std::filesystem;

FalloArchivo::FalloArchivo(Operacion operacion, fs::path ruta, std::string motivo)
    : Fallo(TextoRuta(ruta) + ": " + motivo),
      operacion_(operacion),
      ruta_(std::move(ruta)),
      motivo_(std::move(motivo)) {}

std::string MotivoError(int codigo) {
  switch (codigo) {
    case ENOENT:
      return "no existe";
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case EROFS:
      return "sistema de archivos de solo lectura";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "no queda espacio en el disco";
    case ELOOP:
    case EMLINK:
      return "demasiados enlaces";
    case EISDIR:
      return "es un directorio";
    case ENOTDIR:
      return "una parte de la ruta no es un directorio";
    case ENAMETOOLONG:
      return "el nombre es demasiado largo";
    case EIO:
      return "error de entrada/salida del disco";
    default:
      return std::generic_category().message(codigo);
  }
}

std::string TextoRuta(const fs::path& ruta) {
  const std::u8string texto = ruta.u8string();
  return {texto.begin(), texto.end()};
}

fs::path DirectorioActual() {
  std::error_code error;
  fs::path directorio = fs::current_path(error);
  return error ? fs::path(".") : directorio;
}

bool EsNombreTemporal(std::string_view nombre, std::string_view destino) {
  if (nombre.size() != destino.size() + kMarcaTemporal.size() + kLargoAzarTemporal ||
      !nombre.starts_with(destino) ||
      nombre.substr(destino.size(), kMarcaTemporal.size()) != kMarcaTemporal) {
    return false;
  }
  const std::string_view azar = nombre.substr(destino.size() + kMarcaTemporal.size());
  return std::all_of(azar.begin(), azar.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
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

// flock, retried when a signal interrupts it.
int Bloquear(int fd, int operacion) {
  int r;
  do {
    r = ::flock(fd, operacion);
  } while (r != 0 && errno == EINTR);
  return r;
}

// True when `ruta` still names the file open as `fd`.
bool MismoArchivo(int fd, const fs::path& ruta) {
  struct stat abierto {};
  struct stat nombrado {};
  return ::fstat(fd, &abierto) == 0 && ::lstat(ruta.c_str(), &nombrado) == 0 &&
         abierto.st_dev == nombrado.st_dev && abierto.st_ino == nombrado.st_ino;
}

// The temporary files being written, for the signal handler, which may only read plain
// memory and call unlink: a fixed table of C strings, each slot claimed through its state.
// These are the process's only globals besides the window; a handler has nothing else.
constexpr std::size_t kHuecos = 16;
constexpr std::size_t kLargoHueco = 4096;
constexpr int kLibre = 0;
constexpr int kOcupandose = 1;
constexpr int kEnUso = 2;
struct Hueco {
  std::atomic<int> estado{kLibre};
  char ruta[kLargoHueco];
};
Hueco g_huecos[kHuecos];

constexpr int kSenales[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_anteriores[std::size(kSenales)];

void AlRecibirSenal(int senal, siginfo_t* info, void* contexto) {
  const int errno_guardado = errno;
  for (Hueco& hueco : g_huecos) {
    if (hueco.estado.load(std::memory_order_acquire) == kEnUso) ::unlink(hueco.ruta);
  }
  for (std::size_t i = 0; i < std::size(kSenales); ++i) {
    if (kSenales[i] != senal) continue;
    const struct sigaction& anterior = g_anteriores[i];
    if ((anterior.sa_flags & SA_SIGINFO) != 0 && anterior.sa_sigaction != nullptr) {
      anterior.sa_sigaction(senal, info, contexto);
    } else if ((anterior.sa_flags & SA_SIGINFO) == 0 && anterior.sa_handler != SIG_DFL &&
               anterior.sa_handler != SIG_IGN) {
      anterior.sa_handler(senal);
    } else {
      // The default action, so that whoever started the process sees the signal. It is
      // blocked while this handler runs and strikes as soon as it returns.
      ::sigaction(senal, &anterior, nullptr);
      ::raise(senal);
    }
  }
  errno = errno_guardado;
}

// Once per process. A signal the process was told to ignore (nohup) stays ignored, and
// a handler that was there before runs after ours.
void InstalarManejadores() {
  static const bool instalados = [] {
    for (std::size_t i = 0; i < std::size(kSenales); ++i) {
      struct sigaction actual {};
      if (::sigaction(kSenales[i], nullptr, &actual) != 0) continue;
      if ((actual.sa_flags & SA_SIGINFO) == 0 && actual.sa_handler == SIG_IGN) continue;
      g_anteriores[i] = actual;
      struct sigaction nueva {};
      nueva.sa_sigaction = AlRecibirSenal;
      nueva.sa_flags = SA_SIGINFO | SA_RESTART;
      sigemptyset(&nueva.sa_mask);
      for (const int otra : kSenales) sigaddset(&nueva.sa_mask, otra);
      ::sigaction(kSenales[i], &nueva, nullptr);
    }
    return true;
  }();
  static_cast<void>(instalados);
}

// The slot holding `ruta`, or -1 when it does not fit (the file is then only cleaned up
// by a later run).
int RecordarTemporal(const fs::path& ruta) {
  InstalarManejadores();
  std::error_code error;
  const std::string absoluta = fs::absolute(ruta, error).native();
  if (error || absoluta.size() >= kLargoHueco) return -1;
  for (std::size_t i = 0; i < kHuecos; ++i) {
    int libre = kLibre;
    if (g_huecos[i].estado.compare_exchange_strong(libre, kOcupandose)) {
      std::memcpy(g_huecos[i].ruta, absoluta.c_str(), absoluta.size() + 1);
      g_huecos[i].estado.store(kEnUso, std::memory_order_release);
      return static_cast<int>(i);
    }
  }
  return -1;
}

void OlvidarTemporal(int hueco) {
  if (hueco >= 0) g_huecos[hueco].estado.store(kLibre, std::memory_order_release);
}
#endif

std::string MotivoDe(const std::error_code& error) {
#ifdef _WIN32
  return error.message();
#else
  return MotivoError(error.value());
#endif
}

class ArchivoLecturaReal final : public ArchivoLectura {
 public:
  explicit ArchivoLecturaReal(const fs::path& ruta) : ruta_(ruta) {
    fd_ = AbrirDescriptor(ruta, kLectura);
    if (fd_ < 0) Fallar(errno);
    struct stat estado {};
    if (::fstat(fd_, &estado) != 0) {
      const int codigo = errno;
      CerrarDescriptor(fd_);
      Fallar(codigo);
    }
    if ((estado.st_mode & S_IFMT) != S_IFREG) {
      CerrarDescriptor(fd_);
      throw FalloArchivo(FalloArchivo::Operacion::Lectura, ruta_, std::string(kNoEsArchivoNormal));
    }
    tamano_ = static_cast<std::uint64_t>(estado.st_size);
#ifndef _WIN32
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
#endif
  }
  ~ArchivoLecturaReal() override { CerrarDescriptor(fd_); }

  std::size_t Leer(char* destino, std::size_t maximo) override {
    for (;;) {
      const long long leidos = LeerDescriptor(fd_, destino, maximo);
      if (leidos >= 0) return static_cast<std::size_t>(leidos);
      if (errno != EINTR) Fallar(errno);
    }
  }

  std::uint64_t Tamano() const override { return tamano_; }

 private:
  [[noreturn]] void Fallar(int codigo) {
    throw FalloArchivo(FalloArchivo::Operacion::Lectura, ruta_, MotivoError(codigo));
  }

  fs::path ruta_;
  int fd_ = -1;
  std::uint64_t tamano_ = 0;
};

class ArchivoEscrituraReal final : public ArchivoEscritura {
 public:
  ArchivoEscrituraReal(int fd, fs::path ruta) : fd_(fd), ruta_(std::move(ruta)) {
#ifndef _WIN32
    // The lock lives on a second descriptor of the same open file, so that it outlasts
    // the close in SincronizarYCerrar and covers the rename.
    candado_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    hueco_ = RecordarTemporal(ruta_);
#endif
  }
  ~ArchivoEscrituraReal() override {
    if (fd_ >= 0) CerrarDescriptor(fd_);
#ifndef _WIN32
    if (candado_ >= 0) CerrarDescriptor(candado_);
    OlvidarTemporal(hueco_);
#endif
  }

  const fs::path& ruta() const override { return ruta_; }

  void TomarPermisos([[maybe_unused]] const EstadoArchivo& anterior) override {
#ifndef _WIN32
    struct stat propio {};
    if (::fstat(fd_, &propio) != 0) Fallar(errno);
    const auto uid = static_cast<uid_t>(anterior.propietario);
    const auto gid = static_cast<gid_t>(anterior.grupo);
    // Only a privileged process may give a file away; then the group alone, if the
    // process belongs to it. A change of owner clears the set-id bits: chmod comes after.
    if (anterior.propietario >= 0 && (propio.st_uid != uid || propio.st_gid != gid) &&
        ::fchown(fd_, uid, gid) != 0) {
      if (errno != EPERM) Fallar(errno);
      if (propio.st_gid != gid && ::fchown(fd_, static_cast<uid_t>(-1), gid) != 0 &&
          errno != EPERM) {
        Fallar(errno);
      }
    }
    if (::fchmod(fd_, static_cast<mode_t>(anterior.permisos & 07777)) != 0) Fallar(errno);
#endif
  }

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
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta_, MotivoError(codigo));
  }

  int fd_;
  fs::path ruta_;
#ifndef _WIN32
  int candado_ = -1;
  int hueco_ = -1;
#endif
};

// Twelve letters or digits: 36^12 names, so that a clash is as good as impossible.
std::string Azar() {
  static thread_local std::mt19937_64 azar{std::random_device{}()};
  constexpr std::string_view kLetras = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string texto(kLargoAzarTemporal, '0');
  for (char& c : texto) c = kLetras[azar() % kLetras.size()];
  return texto;
}

fs::path DirectorioDe(const fs::path& ruta) {
  return ruta.has_parent_path() ? ruta.parent_path() : fs::path(".");
}

class SistemaArchivosReal final : public SistemaArchivos {
 public:
  std::unique_ptr<ArchivoLectura> AbrirLectura(const fs::path& ruta) override {
    return std::make_unique<ArchivoLecturaReal>(ruta);
  }

  EstadoArchivo Estado(const fs::path& ruta) override {
    EstadoArchivo estado;
#ifdef _WIN32
    std::error_code error;
    const fs::file_status s = fs::status(ruta, error);
    if (s.type() == fs::file_type::not_found) return estado;
    if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoDe(error));
    estado.tipo = s.type() == fs::file_type::regular ? EstadoArchivo::Tipo::Normal
                                                     : EstadoArchivo::Tipo::Otro;
#else
    struct stat st {};
    if (::stat(ruta.c_str(), &st) != 0) {
      if (errno == ENOENT) return estado;
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(errno));
    }
    estado.tipo = S_ISREG(st.st_mode) ? EstadoArchivo::Tipo::Normal : EstadoArchivo::Tipo::Otro;
    estado.permisos = st.st_mode & 07777;
    estado.propietario = st.st_uid;
    estado.grupo = st.st_gid;
#endif
    return estado;
  }

  fs::path ResolverEnlaces(const fs::path& ruta) override {
    // As many links as the kernel itself follows in one path.
    constexpr int kMaximoEnlaces = 40;
    fs::path actual = ruta;
    for (int i = 0; i < kMaximoEnlaces; ++i) {
      std::error_code error;
      if (!fs::is_symlink(fs::symlink_status(actual, error)) || error) return actual;
      const fs::path objetivo = fs::read_symlink(actual, error);
      if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoDe(error));
      actual = objetivo.is_absolute() ? objetivo : actual.parent_path() / objetivo;
    }
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(ELOOP));
  }

  void BorrarTemporalesAbandonados([[maybe_unused]] const fs::path& destino) noexcept override {
#ifndef _WIN32
    try {
      const std::string nombre = destino.filename().native();
      std::error_code error;
      for (fs::directory_iterator it(DirectorioDe(destino), error), fin; !error && it != fin;
           it.increment(error)) {
        if (EsNombreTemporal(it->path().filename().native(), nombre))
          BorrarSiAbandonado(it->path());
      }
    } catch (...) {
      // Cleaning up is a courtesy: a run never fails for it.
    }
#endif
  }

  std::unique_ptr<ArchivoEscritura> CrearTemporal(const fs::path& destino) override {
    int codigo = EEXIST;
    for (int intento = 0; intento < 100; ++intento) {
      fs::path ruta = destino;
      ruta += std::string(kMarcaTemporal) + Azar();
      const int fd = AbrirDescriptor(ruta, kCreacion, 0666);
      if (fd < 0) {
        codigo = errno;
        if (codigo == EEXIST) continue;
        break;
      }
#ifndef _WIN32
      // A cleaner may have taken the file between its creation and the lock, and removed
      // it: then the name leads elsewhere and another file is made.
      if (Bloquear(fd, LOCK_EX) == 0 && !MismoArchivo(fd, ruta)) {
        CerrarDescriptor(fd);
        continue;
      }
#endif
      return std::make_unique<ArchivoEscrituraReal>(fd, std::move(ruta));
    }
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino, MotivoError(codigo));
  }

  void Renombrar(const fs::path& origen, const fs::path& destino) override {
    std::error_code error;
    fs::rename(origen, destino, error);
    if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino, MotivoDe(error));
  }

  void SincronizarDirectorio([[maybe_unused]] const fs::path& directorio) override {
#ifndef _WIN32
    const fs::path ruta = directorio.empty() ? fs::path(".") : directorio;
    const int fd = AbrirDescriptor(ruta, O_RDONLY | O_DIRECTORY);
    // A folder the process may write in but not list cannot be synced, nor is it an
    // error: the rename is done.
    if (fd < 0) {
      if (errno == EACCES || errno == EPERM) return;
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(errno));
    }
    const int r = SincronizarDescriptor(fd);
    const int codigo = errno;
    CerrarDescriptor(fd);
    // Some file systems cannot sync a directory and say so.
    if (r != 0 && codigo != EINVAL && codigo != ENOTSUP) {
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(codigo));
    }
#endif
  }

  void Borrar(const fs::path& ruta) noexcept override {
    std::error_code ignorado;
    fs::remove(ruta, ignorado);
  }

 private:
#ifndef _WIN32
  // Only a file nobody holds locked is abandoned, and only if the name still leads to
  // the file locked: it may have been renamed into place meanwhile.
  static void BorrarSiAbandonado(const fs::path& ruta) {
    const int fd = AbrirDescriptor(ruta, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return;
    struct stat st {};
    if (Bloquear(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        MismoArchivo(fd, ruta)) {
      ::unlink(ruta.c_str());
    }
    CerrarDescriptor(fd);
  }
#endif
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
    Preparar();
  } catch (const FalloArchivo& fallo) {
    Descartar();
    Fallar(fallo);
  }
  pendiente_.reserve(kBloqueEscritura);
}

void EscrituraAtomica::Preparar() {
  final_ = sistema_.ResolverEnlaces(destino_);
  const EstadoArchivo anterior = sistema_.Estado(final_);
  // Renaming over a device, a FIFO or a socket would replace it, and as root even
  // /dev/null; a directory would fail later with a vaguer reason.
  if (anterior.tipo == EstadoArchivo::Tipo::Otro) {
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_,
                       std::string(kNoEsArchivoNormal));
  }
  sistema_.BorrarTemporalesAbandonados(final_);
  temporal_ = sistema_.CrearTemporal(final_);
  ruta_temporal_ = temporal_->ruta();
  if (anterior.tipo == EstadoArchivo::Tipo::Normal) temporal_->TomarPermisos(anterior);
}

void EscrituraAtomica::Descartar() noexcept {
  if (hecho_ || ruta_temporal_.empty()) {
    temporal_.reset();
    return;
  }
#ifdef _WIN32
  temporal_.reset();
  sistema_.Borrar(ruta_temporal_);
#else
  // Removed while still open and locked, so that no signal in between can leave it.
  sistema_.Borrar(ruta_temporal_);
  temporal_.reset();
#endif
  ruta_temporal_.clear();
}

EscrituraAtomica::~EscrituraAtomica() { Descartar(); }

void EscrituraAtomica::Escribir(std::string_view datos) {
  if (pendiente_.size() + datos.size() > kBloqueEscritura) Vaciar();
  if (datos.size() >= kBloqueEscritura) {
    try {
      temporal_->Escribir(datos);
    } catch (const FalloArchivo& fallo) {
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
  } catch (const FalloArchivo& fallo) {
    Fallar(fallo);
  }
  pendiente_.clear();
}

void EscrituraAtomica::Confirmar() {
  Vaciar();
  try {
    temporal_->SincronizarYCerrar();
    sistema_.Renombrar(ruta_temporal_, final_);
  } catch (const FalloArchivo& fallo) {
    Fallar(fallo);
  }
  hecho_ = true;
  temporal_.reset();
  // Without this a power cut could lose the rename, and with it both files.
  try {
    sistema_.SincronizarDirectorio(DirectorioDe(final_));
  } catch (const FalloArchivo& fallo) {
    throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_,
                       "escrito, pero sin poder asegurarlo en el disco: " + fallo.motivo());
  }
}

void EscrituraAtomica::Fallar(const FalloArchivo& causa) {
  // The user is told about the file they asked for, not about the temporary one.
  throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino_, causa.motivo());
}

}  // namespace orbelux
