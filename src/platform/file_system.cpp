// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/signals.h"

namespace orbelux {

namespace fs = std::filesystem;

void ArchivoLectura::Saltar(std::uint64_t bytes) {
  char tirados[4096];
  while (bytes > 0) {
    const std::size_t leidos = Leer(tirados, std::min<std::uint64_t>(bytes, sizeof tirados));
    if (leidos == 0) return;
    bytes -= leidos;
  }
}

std::optional<std::size_t> ArchivoLectura::LeerEn(std::uint64_t, char*, std::size_t) {
  return std::nullopt;
}

fs::path DirectorioActual() {
  std::error_code error;
  fs::path directorio = fs::current_path(error);
  return error ? fs::path(".") : directorio;
}

fs::path DirectorioDe(const fs::path& ruta) {
  return ruta.has_parent_path() ? ruta.parent_path() : fs::path(".");
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

// Twelve letters or digits: 36^12 names, so that a clash is as good as impossible.
fs::path RutaTemporal(const fs::path& destino) {
  static thread_local std::mt19937_64 azar{std::random_device{}()};
  constexpr std::string_view kLetras = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string texto(kMarcaTemporal);
  for (std::size_t i = 0; i < kLargoAzarTemporal; ++i) texto += kLetras[azar() % kLetras.size()];
  fs::path ruta = destino;
  ruta += texto;
  return ruta;
}

// The real file system on POSIX systems; Windows has its own in file_system_windows.cpp.
#ifndef _WIN32
namespace {

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
int BloquearDescriptor(int fd, int operacion) {
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

std::string MotivoDe(const std::error_code& error) { return MotivoError(error.value()); }

std::int64_t Nanosegundos(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The lock goes with the descriptor.
class CandadoReal final : public Candado {
 public:
  explicit CandadoReal(int fd) : fd_(fd) {}
  ~CandadoReal() override { CerrarDescriptor(fd_); }
  CandadoReal(const CandadoReal&) = delete;
  CandadoReal& operator=(const CandadoReal&) = delete;

 private:
  int fd_;
};

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
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
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

  void Saltar(std::uint64_t bytes) override {
    if (bytes > 0 && ::lseek(fd_, static_cast<off_t>(bytes), SEEK_CUR) < 0) Fallar(errno);
  }

  std::optional<std::size_t> LeerEn(std::uint64_t desde, char* destino, std::size_t n) override {
    std::size_t total = 0;
    while (total < n) {
      const ssize_t leidos =
          ::pread(fd_, destino + total, n - total, static_cast<off_t>(desde + total));
      if (leidos == 0) break;
      if (leidos < 0) {
        if (errno == EINTR) continue;
        Fallar(errno);
      }
      total += static_cast<std::size_t>(leidos);
    }
    return total;
  }

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
    // The lock lives on a second descriptor of the same open file, so that it outlasts
    // the close in SincronizarYCerrar and covers the rename.
    candado_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    hueco_ = RecordarTemporal(ruta_);
  }
  ~ArchivoEscrituraReal() override {
    if (fd_ >= 0) CerrarDescriptor(fd_);
    if (candado_ >= 0) CerrarDescriptor(candado_);
    OlvidarTemporal(hueco_);
  }

  const fs::path& ruta() const override { return ruta_; }

  void TomarPermisos([[maybe_unused]] const EstadoArchivo& anterior) override {
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
  int candado_ = -1;
  int hueco_ = -1;
};

class SistemaArchivosReal final : public SistemaArchivos {
 public:
  std::unique_ptr<ArchivoLectura> AbrirLectura(const fs::path& ruta) override {
    return std::make_unique<ArchivoLecturaReal>(ruta);
  }

  EstadoArchivo Estado(const fs::path& ruta) override {
    EstadoArchivo estado;
    struct stat st {};
    if (::stat(ruta.c_str(), &st) != 0) {
      if (errno == ENOENT) return estado;
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(errno));
    }
    estado.tipo = S_ISREG(st.st_mode) ? EstadoArchivo::Tipo::Normal : EstadoArchivo::Tipo::Otro;
    estado.permisos = st.st_mode & 07777;
    estado.propietario = st.st_uid;
    estado.grupo = st.st_gid;
    estado.tamano = static_cast<std::uint64_t>(st.st_size);
    estado.modificado_ns = Nanosegundos(st.st_mtim);
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
  }

  std::unique_ptr<ArchivoEscritura> CrearTemporal(const fs::path& destino) override {
    int codigo = EEXIST;
    for (int intento = 0; intento < 100; ++intento) {
      fs::path ruta = RutaTemporal(destino);
      const int fd = AbrirDescriptor(ruta, kCreacion, 0666);
      if (fd < 0) {
        codigo = errno;
        if (codigo == EEXIST) continue;
        break;
      }
      // A cleaner may have taken the file between its creation and the lock, and removed
      // it: then the name leads elsewhere and another file is made.
      if (BloquearDescriptor(fd, LOCK_EX) == 0 && !MismoArchivo(fd, ruta)) {
        CerrarDescriptor(fd);
        continue;
      }
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
  }

  void Borrar(const fs::path& ruta) noexcept override {
    std::error_code ignorado;
    fs::remove(ruta, ignorado);
  }

  void CrearDirectorios(const fs::path& ruta) override {
    std::error_code error;
    fs::create_directories(ruta, error);
    if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoDe(error));
  }

  std::vector<EntradaDirectorio> Listar(const fs::path& directorio) override {
    std::vector<EntradaDirectorio> entradas;
    std::error_code error;
    for (fs::directory_iterator it(directorio, error), fin; !error && it != fin;
         it.increment(error)) {
      struct stat st {};
      // A file removed since the folder was read is simply no longer there.
      if (::stat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      entradas.push_back({it->path().filename(), static_cast<std::uint64_t>(st.st_size),
                          Nanosegundos(st.st_mtim)});
    }
    if (error) throw FalloArchivo(FalloArchivo::Operacion::Lectura, directorio, MotivoDe(error));
    return entradas;
  }

  void MarcarUso(const fs::path& ruta) override {
    const struct timespec ahora[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    if (::utimensat(AT_FDCWD, ruta.c_str(), ahora, 0) != 0) {
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(errno));
    }
  }

  std::unique_ptr<Candado> Bloquear(const fs::path& ruta) override {
    const int fd = AbrirDescriptor(ruta, O_RDWR | O_CREAT, 0666);
    if (fd < 0) throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(errno));
    // flock, not fcntl: its lock belongs to the open file, so two threads exclude each
    // other as two processes do.
    if (BloquearDescriptor(fd, LOCK_EX) != 0) {
      const int codigo = errno;
      CerrarDescriptor(fd);
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoError(codigo));
    }
    return std::make_unique<CandadoReal>(fd);
  }

 private:
  // Only a file nobody holds locked is abandoned, and only if the name still leads to
  // the file locked: it may have been renamed into place meanwhile.
  static void BorrarSiAbandonado(const fs::path& ruta) {
    const int fd = AbrirDescriptor(ruta, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return;
    struct stat st {};
    if (BloquearDescriptor(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 &&
        S_ISREG(st.st_mode) && MismoArchivo(fd, ruta)) {
      ::unlink(ruta.c_str());
    }
    CerrarDescriptor(fd);
  }
};

}  // namespace

SistemaArchivos& SistemaReal() {
  static SistemaArchivosReal sistema;
  return sistema;
}
#endif

}  // namespace orbelux
