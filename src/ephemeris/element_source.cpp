#include "ephemeris/element_source.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace orbelux::efemerides {

namespace {

constexpr unsigned kBufferZlib = 64 * 1024;

gzFile Gz(void* p) { return static_cast<gzFile>(p); }

}  // namespace

ArchivoElementos::ArchivoElementos(const std::filesystem::path& ruta) : nombre_(ruta.string()) {
  const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw ErrorLecturaElementos(nombre_ + ": no se puede abrir: " + std::strerror(errno));
  }
  struct stat estado {};
  if (::fstat(fd, &estado) != 0 || !S_ISREG(estado.st_mode)) {
    ::close(fd);
    throw ErrorLecturaElementos(nombre_ + ": no es un fichero normal");
  }
  gzFile gz = gzdopen(fd, "rb");
  if (gz == nullptr) {
    ::close(fd);
    throw ErrorLecturaElementos(nombre_ + ": no se puede abrir (sin memoria para zlib)");
  }
  gzbuffer(gz, kBufferZlib);
  gz_ = gz;
}

ArchivoElementos::~ArchivoElementos() {
  if (gz_ != nullptr) gzclose_r(Gz(gz_));
}

std::size_t ArchivoElementos::Leer(char* destino, std::size_t maximo) {
  const unsigned pedido = static_cast<unsigned>(std::min<std::size_t>(maximo, INT_MAX));
  const int leido = gzread(Gz(gz_), destino, pedido);
  int codigo = Z_OK;
  const char* mensaje = gzerror(Gz(gz_), &codigo);
  if (leido < 0 || (codigo != Z_OK && codigo != Z_BUF_ERROR)) {
    if (codigo == Z_ERRNO) {
      throw ErrorLecturaElementos(nombre_ + ": error de lectura: " + std::strerror(errno));
    }
    throw ErrorLecturaElementos(nombre_ + ": el contenido comprimido está dañado (" +
                                mensaje + ")");
  }
  if (leido == 0 && codigo == Z_BUF_ERROR) {
    throw ErrorLecturaElementos(nombre_ + ": el fichero comprimido está incompleto");
  }
  return static_cast<std::size_t>(leido);
}

std::size_t FuenteMemoria::Leer(char* destino, std::size_t maximo) {
  const std::size_t n = std::min(maximo, datos_.size());
  std::copy_n(datos_.data(), n, destino);
  datos_.remove_prefix(n);
  return n;
}

}  // namespace orbelux::efemerides
