// SPDX-License-Identifier: GPL-3.0-or-later
#include "ephemeris/element_source.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace orbelux::efemerides {

namespace {

constexpr std::size_t kBloque = std::size_t{64} * 1024;

bool EmpiezaComoGzip(const unsigned char* bytes) { return bytes[0] == 0x1f && bytes[1] == 0x8b; }

}  // namespace

struct ArchivoElementos::Estado {
  enum class Modo { Plano, Gzip, Terminado };

  Estado() : entrada(kBloque) {}
  ~Estado() {
    if (zlib_iniciado) inflateEnd(&z);
  }
  Estado(const Estado&) = delete;
  Estado& operator=(const Estado&) = delete;

  Modo modo = Modo::Plano;
  z_stream z{};
  bool zlib_iniciado = false;
  // The bytes read from the file and not used yet are entrada[pos, fin).
  std::vector<unsigned char> entrada;
  std::size_t pos = 0;
  std::size_t fin = 0;
  bool agotado = false;  // the file has no more bytes
  std::uint64_t consumidos = 0;
};

ArchivoElementos::ArchivoElementos(const std::filesystem::path& ruta, SistemaArchivos& sistema,
                                   AvisoLectura aviso)
    : nombre_(TextoRuta(ruta)), aviso_(std::move(aviso)), estado_(std::make_unique<Estado>()) {
  try {
    archivo_ = sistema.AbrirLectura(ruta);
  } catch (const FalloArchivo& fallo) {
    Fallar("no se puede abrir: " + fallo.motivo());
  }
  Estado& e = *estado_;
  while (e.fin < 2 && Rellenar()) {
  }
  if (e.fin >= 2 && EmpiezaComoGzip(e.entrada.data())) {
    // 15 + 32: the largest window, with the header (gzip or zlib) found by inflate.
    if (inflateInit2(&e.z, 15 + 32) != Z_OK) Fallar("no hay memoria para descomprimirlo");
    e.zlib_iniciado = true;
    e.modo = Estado::Modo::Gzip;
  }
}

ArchivoElementos::~ArchivoElementos() = default;

std::uint64_t ArchivoElementos::Tamano() const { return archivo_->Tamano(); }

void ArchivoElementos::Fallar(std::string_view motivo) const {
  throw ErrorLecturaElementos(nombre_ + ": " + std::string(motivo));
}

bool ArchivoElementos::Rellenar() {
  Estado& e = *estado_;
  if (e.agotado) return false;
  if (e.pos == e.fin) e.pos = e.fin = 0;
  if (e.fin == e.entrada.size()) {
    // Only a few bytes are ever kept back: the rest of a block moves to the front.
    std::memmove(e.entrada.data(), e.entrada.data() + e.pos, e.fin - e.pos);
    e.fin -= e.pos;
    e.pos = 0;
  }
  std::size_t n = 0;
  try {
    n = archivo_->Leer(reinterpret_cast<char*>(e.entrada.data() + e.fin), e.entrada.size() - e.fin);
  } catch (const FalloArchivo& fallo) {
    Fallar("error de lectura: " + fallo.motivo());
  }
  if (n == 0) {
    e.agotado = true;
    return false;
  }
  e.fin += n;
  e.consumidos += n;
  if (aviso_) aviso_(e.consumidos, archivo_->Tamano());
  return true;
}

std::size_t ArchivoElementos::Leer(char* destino, std::size_t maximo) {
  Estado& e = *estado_;
  if (maximo == 0) return 0;
  switch (e.modo) {
    case Estado::Modo::Plano: {
      if (e.pos == e.fin && !Rellenar()) return 0;
      const std::size_t n = std::min(maximo, e.fin - e.pos);
      std::memcpy(destino, e.entrada.data() + e.pos, n);
      e.pos += n;
      return n;
    }
    case Estado::Modo::Gzip:
      return Inflar(destino, maximo);
    case Estado::Modo::Terminado:
      return 0;
  }
  return 0;
}

std::size_t ArchivoElementos::Inflar(char* destino, std::size_t maximo) {
  Estado& e = *estado_;
  const auto pedido = static_cast<uInt>(std::min<std::size_t>(maximo, UINT_MAX));
  for (;;) {
    if (e.pos == e.fin) Rellenar();
    e.z.next_in = e.entrada.data() + e.pos;
    e.z.avail_in = static_cast<uInt>(e.fin - e.pos);
    e.z.next_out = reinterpret_cast<Bytef*>(destino);
    e.z.avail_out = pedido;
    const int r = inflate(&e.z, Z_NO_FLUSH);
    e.pos = e.fin - e.z.avail_in;
    const std::size_t producidos = pedido - e.z.avail_out;
    switch (r) {
      case Z_STREAM_END: {
        // Another member may follow; anything else after a member is ignored, as gzip
        // and zlib's own reader do.
        while (e.fin - e.pos < 2 && Rellenar()) {
        }
        if (e.fin - e.pos >= 2 && EmpiezaComoGzip(e.entrada.data() + e.pos)) {
          inflateReset(&e.z);
        } else {
          e.modo = Estado::Modo::Terminado;
        }
        if (producidos > 0 || e.modo == Estado::Modo::Terminado) return producidos;
        break;
      }
      case Z_OK:
      case Z_BUF_ERROR:
        if (producidos > 0) return producidos;
        if (e.pos == e.fin && e.agotado) Fallar("el fichero comprimido está incompleto");
        break;
      case Z_MEM_ERROR:
        Fallar("no hay memoria para descomprimirlo");
      default:
        Fallar(std::string("el contenido comprimido está dañado (") +
               (e.z.msg != nullptr ? e.z.msg : "zlib " + std::to_string(r)) + ")");
    }
  }
}

std::size_t FuenteMemoria::Leer(char* destino, std::size_t maximo) {
  const std::size_t n = std::min(maximo, datos_.size());
  std::copy_n(datos_.data(), n, destino);
  datos_.remove_prefix(n);
  return n;
}

}  // namespace orbelux::efemerides
