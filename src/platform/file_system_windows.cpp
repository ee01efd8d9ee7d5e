// SPDX-License-Identifier: GPL-3.0-or-later
// The real file system on Windows. Paths stay wide all the way to CreateFileW. The temporary
// file is held open, sharing only reading and deletion, until it is renamed: another run's
// cleaner, which opens a candidate with no sharing at all, cannot take it, and the console
// control handler can still remove it. The replace waits up to a second for a virus scanner
// or an indexer that holds the destination for a moment.
#include "platform/file_system.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/signals.h"
#include "platform/wide_text.h"

namespace orbelux {

namespace fs = std::filesystem;

namespace {

// One open handle, closed once.
class Manejador {
 public:
  explicit Manejador(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Manejador() { Cerrar(); }
  Manejador(const Manejador&) = delete;
  Manejador& operator=(const Manejador&) = delete;
  HANDLE get() const { return h_; }
  bool valido() const { return h_ != INVALID_HANDLE_VALUE; }
  void Cerrar() {
    if (valido()) ::CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE));
  }

 private:
  HANDLE h_;
};

[[noreturn]] void Fallar(FalloArchivo::Operacion operacion, const fs::path& ruta, DWORD codigo) {
  throw FalloArchivo(operacion, ruta, MotivoSistema(codigo));
}

// std::filesystem reports some errors as Windows codes and others as errno values.
std::string MotivoDe(const std::error_code& error) {
  return error.category() == std::system_category()
             ? MotivoSistema(static_cast<DWORD>(error.value()))
             : MotivoError(error.value());
}

class ArchivoLecturaWindows final : public ArchivoLectura {
 public:
  explicit ArchivoLecturaWindows(const fs::path& ruta) : ruta_(ruta), h_(Abrir(ruta)) {
    // NUL, CON, COM1 and the like are devices, not files.
    if (::GetFileType(h_.get()) != FILE_TYPE_DISK) NoEsNormal();
    LARGE_INTEGER tamano{};
    if (::GetFileSizeEx(h_.get(), &tamano)) tamano_ = static_cast<std::uint64_t>(tamano.QuadPart);
  }

  std::size_t Leer(char* destino, std::size_t maximo) override {
    DWORD leidos = 0;
    const auto pedidos = static_cast<DWORD>(std::min<std::size_t>(maximo, 1u << 30));
    if (!::ReadFile(h_.get(), destino, pedidos, &leidos, nullptr)) {
      Fallar(Lectura, ruta_, ::GetLastError());
    }
    return leidos;
  }

  std::uint64_t Tamano() const override { return tamano_; }

  void Saltar(std::uint64_t bytes) override {
    LARGE_INTEGER distancia{};
    distancia.QuadPart = static_cast<LONGLONG>(bytes);
    if (bytes > 0 && !::SetFilePointerEx(h_.get(), distancia, nullptr, FILE_CURRENT)) {
      Fallar(Lectura, ruta_, ::GetLastError());
    }
  }

  std::optional<std::size_t> LeerEn(std::uint64_t desde, char* destino, std::size_t n) override {
    std::size_t total = 0;
    while (total < n) {
      OVERLAPPED donde{};
      donde.Offset = static_cast<DWORD>((desde + total) & 0xffffffffu);
      donde.OffsetHigh = static_cast<DWORD>((desde + total) >> 32);
      DWORD leidos = 0;
      const auto pedidos = static_cast<DWORD>(std::min<std::size_t>(n - total, 1u << 30));
      if (!::ReadFile(h_.get(), destino + total, pedidos, &leidos, &donde)) {
        const DWORD codigo = ::GetLastError();
        if (codigo == ERROR_HANDLE_EOF) break;
        Fallar(Lectura, ruta_, codigo);
      }
      if (leidos == 0) break;
      total += leidos;
    }
    return total;
  }

 private:
  static constexpr auto Lectura = FalloArchivo::Operacion::Lectura;
  [[noreturn]] void NoEsNormal() {
    throw FalloArchivo(Lectura, ruta_, std::string(kNoEsArchivoNormal));
  }

  static HANDLE Abrir(const fs::path& ruta) {
    // A folder cannot be opened as a file at all ("access denied"): tell it apart first.
    const DWORD atributos = ::GetFileAttributesW(RutaWin32(ruta).c_str());
    if (atributos == INVALID_FILE_ATTRIBUTES) Fallar(Lectura, ruta, ::GetLastError());
    if ((atributos & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw FalloArchivo(Lectura, ruta, std::string(kNoEsArchivoNormal));
    }
    const HANDLE h = ::CreateFileW(RutaWin32(ruta).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fallar(Lectura, ruta, ::GetLastError());
    return h;
  }

  fs::path ruta_;
  Manejador h_;
  std::uint64_t tamano_ = 0;
};

class ArchivoEscrituraWindows final : public ArchivoEscritura {
 public:
  ArchivoEscrituraWindows(HANDLE h, fs::path ruta)
      : h_(h), ruta_(std::move(ruta)), hueco_(RecordarTemporal(ruta_)) {}
  ~ArchivoEscrituraWindows() override {
    h_.Cerrar();
    OlvidarTemporal(hueco_);
  }

  const fs::path& ruta() const override { return ruta_; }

  // The new file takes the folder's permissions, as any file made there; Windows has no
  // mode bits to carry over.
  void TomarPermisos(const EstadoArchivo&) override {}

  void Escribir(std::string_view datos) override {
    while (!datos.empty()) {
      DWORD escritos = 0;
      const auto pedidos = static_cast<DWORD>(std::min<std::size_t>(datos.size(), 1u << 30));
      if (!::WriteFile(h_.get(), datos.data(), pedidos, &escritos, nullptr)) {
        Fallar(Escritura, ruta_, ::GetLastError());
      }
      if (escritos == 0) Fallar(Escritura, ruta_, ERROR_DISK_FULL);
      datos.remove_prefix(escritos);
    }
  }

  // The handle stays open (nothing more is written through it) until this object goes:
  // it is what keeps other runs' cleaners off the file until the rename.
  void SincronizarYCerrar() override {
    if (!::FlushFileBuffers(h_.get())) Fallar(Escritura, ruta_, ::GetLastError());
  }

 private:
  static constexpr auto Escritura = FalloArchivo::Operacion::Escritura;
  Manejador h_;
  fs::path ruta_;
  int hueco_;
};

// FILETIME counts 100 ns from 1601; the seam counts ns from 1970.
std::int64_t Nanosegundos(const FILETIME& t) {
  constexpr std::int64_t kDesde1601 = 116444736000000000;  // 100 ns steps to 1970
  const auto pasos = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  return (pasos - kDesde1601) * 100;
}

std::uint64_t Tamano(DWORD alto, DWORD bajo) {
  return (static_cast<std::uint64_t>(alto) << 32) | bajo;
}

// The lock goes when the handle closes; unlocking first makes it go at once.
class CandadoWindows final : public Candado {
 public:
  explicit CandadoWindows(HANDLE h) : h_(h) {}
  ~CandadoWindows() override {
    OVERLAPPED desde{};
    ::UnlockFileEx(h_.get(), 0, MAXDWORD, MAXDWORD, &desde);
  }

 private:
  Manejador h_;
};

bool EsNoExiste(DWORD codigo) {
  return codigo == ERROR_FILE_NOT_FOUND || codigo == ERROR_PATH_NOT_FOUND;
}

// Whether the replace may succeed if tried again in a moment: the destination (or the new
// file) is held by a program that did not allow it to be deleted or renamed.
bool EsRetenido(DWORD codigo) {
  return codigo == ERROR_SHARING_VIOLATION || codigo == ERROR_LOCK_VIOLATION ||
         codigo == ERROR_ACCESS_DENIED;
}

// True when another program has `ruta` open without letting it be replaced: opening it
// for deletion, sharing everything, is then a sharing violation.
bool AbiertoEnOtroPrograma(const fs::path& ruta) {
  Manejador h(::CreateFileW(RutaWin32(ruta).c_str(), DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return !h.valido() && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

class SistemaArchivosWindows final : public SistemaArchivos {
 public:
  std::unique_ptr<ArchivoLectura> AbrirLectura(const fs::path& ruta) override {
    return std::make_unique<ArchivoLecturaWindows>(ruta);
  }

  EstadoArchivo Estado(const fs::path& ruta) override {
    EstadoArchivo estado;
    WIN32_FILE_ATTRIBUTE_DATA datos{};
    if (!::GetFileAttributesExW(RutaWin32(ruta).c_str(), GetFileExInfoStandard, &datos)) {
      const DWORD codigo = ::GetLastError();
      if (EsNoExiste(codigo)) return estado;
      Fallar(FalloArchivo::Operacion::Escritura, ruta, codigo);
    }
    estado.tipo = (datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                      ? EstadoArchivo::Tipo::Otro
                      : EstadoArchivo::Tipo::Normal;
    estado.tamano = Tamano(datos.nFileSizeHigh, datos.nFileSizeLow);
    estado.modificado_ns = Nanosegundos(datos.ftLastWriteTime);
    return estado;
  }

  fs::path ResolverEnlaces(const fs::path& ruta) override {
    constexpr int kMaximoEnlaces = 40;
    fs::path actual = ruta;
    for (int i = 0; i < kMaximoEnlaces; ++i) {
      std::error_code error;
      if (!fs::is_symlink(fs::symlink_status(actual, error)) || error) return actual;
      const fs::path objetivo = fs::read_symlink(actual, error);
      if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoDe(error));
      actual = objetivo.is_absolute() ? objetivo : actual.parent_path() / objetivo;
    }
    Fallar(FalloArchivo::Operacion::Escritura, ruta, ERROR_CANT_RESOLVE_FILENAME);
  }

  // A file nobody has open is abandoned: opening it with no sharing succeeds only then,
  // and the handle deletes it as it closes.
  void BorrarTemporalesAbandonados(const fs::path& destino) noexcept override {
    try {
      const std::string nombre = TextoRuta(destino.filename());
      std::error_code error;
      for (fs::directory_iterator it(DirectorioDe(destino), error), fin; !error && it != fin;
           it.increment(error)) {
        if (!EsNombreTemporal(TextoRuta(it->path().filename()), nombre)) continue;
        Manejador h(::CreateFileW(RutaWin32(it->path()).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
      }
    } catch (...) {
      // Cleaning up is a courtesy: a run never fails for it.
    }
  }

  std::unique_ptr<ArchivoEscritura> CrearTemporal(const fs::path& destino) override {
    DWORD codigo = ERROR_FILE_EXISTS;
    for (int intento = 0; intento < 100; ++intento) {
      fs::path ruta = RutaTemporal(destino);
      const HANDLE h =
          ::CreateFileW(RutaWin32(ruta).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        codigo = ::GetLastError();
        if (codigo == ERROR_FILE_EXISTS) continue;
        break;
      }
      return std::make_unique<ArchivoEscrituraWindows>(h, std::move(ruta));
    }
    Fallar(FalloArchivo::Operacion::Escritura, destino, codigo);
  }

  void Renombrar(const fs::path& origen, const fs::path& destino) override {
    const auto limite = std::chrono::steady_clock::now() + kEsperaReemplazo;
    DWORD codigo = ERROR_SUCCESS;
    for (;;) {
      if (::MoveFileExW(RutaWin32(origen).c_str(), RutaWin32(destino).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return;
      }
      codigo = ::GetLastError();
      if (!EsRetenido(codigo) || std::chrono::steady_clock::now() >= limite) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (codigo == ERROR_SHARING_VIOLATION || codigo == ERROR_LOCK_VIOLATION ||
        (codigo == ERROR_ACCESS_DENIED && AbiertoEnOtroPrograma(destino))) {
      throw FalloArchivo(FalloArchivo::Operacion::Escritura, destino,
                         std::string(kAbiertoEnOtroPrograma));
    }
    Fallar(FalloArchivo::Operacion::Escritura, destino, codigo);
  }

  // MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk.
  void SincronizarDirectorio(const fs::path&) override {}

  void Borrar(const fs::path& ruta) noexcept override { ::DeleteFileW(RutaWin32(ruta).c_str()); }

  void CrearDirectorios(const fs::path& ruta) override {
    std::error_code error;
    fs::create_directories(ruta, error);
    if (error) throw FalloArchivo(FalloArchivo::Operacion::Escritura, ruta, MotivoDe(error));
  }

  std::vector<EntradaDirectorio> Listar(const fs::path& directorio) override {
    std::vector<EntradaDirectorio> entradas;
    WIN32_FIND_DATAW datos{};
    const HANDLE busqueda =
        ::FindFirstFileExW(RutaWin32(directorio / L"*").c_str(), FindExInfoBasic, &datos,
                           FindExSearchNameMatch, nullptr, 0);
    if (busqueda == INVALID_HANDLE_VALUE) {
      const DWORD codigo = ::GetLastError();
      if (codigo == ERROR_FILE_NOT_FOUND) return entradas;
      Fallar(FalloArchivo::Operacion::Lectura, directorio, codigo);
    }
    do {
      if ((datos.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
        continue;
      entradas.push_back({fs::path(datos.cFileName),
                          Tamano(datos.nFileSizeHigh, datos.nFileSizeLow),
                          Nanosegundos(datos.ftLastWriteTime)});
    } while (::FindNextFileW(busqueda, &datos));
    const DWORD codigo = ::GetLastError();
    ::FindClose(busqueda);
    if (codigo != ERROR_NO_MORE_FILES) Fallar(FalloArchivo::Operacion::Lectura, directorio, codigo);
    return entradas;
  }

  void MarcarUso(const fs::path& ruta) override {
    Manejador h(::CreateFileW(RutaWin32(ruta).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    if (!h.valido()) Fallar(FalloArchivo::Operacion::Escritura, ruta, ::GetLastError());
    FILETIME ahora{};
    ::GetSystemTimeAsFileTime(&ahora);
    if (!::SetFileTime(h.get(), nullptr, nullptr, &ahora)) {
      Fallar(FalloArchivo::Operacion::Escritura, ruta, ::GetLastError());
    }
  }

  std::unique_ptr<Candado> Bloquear(const fs::path& ruta) override {
    const HANDLE h = ::CreateFileW(RutaWin32(ruta).c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      Fallar(FalloArchivo::Operacion::Escritura, ruta, ::GetLastError());
    // A lock on a handle of its own: two threads exclude each other as two processes do.
    OVERLAPPED desde{};
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &desde)) {
      const DWORD codigo = ::GetLastError();
      ::CloseHandle(h);
      Fallar(FalloArchivo::Operacion::Escritura, ruta, codigo);
    }
    return std::make_unique<CandadoWindows>(h);
  }
};

}  // namespace

SistemaArchivos& SistemaReal() {
  static SistemaArchivosWindows sistema;
  return sistema;
}

}  // namespace orbelux
