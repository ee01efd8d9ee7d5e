// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as an elements file, read as they are and once more gzip-compressed:
// every input must end in a clear error or in a catalogue whose every line has the
// catalogue's form.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <zlib.h>

#include "catalogue/catalogue_line.h"
#include "catalogue/catalogue_maker.h"
#include "ephemeris/element_source.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/time_scales.h"

namespace {

namespace ef = orbelux::efemerides;
namespace cat = orbelux::catalogo;

void Exigir(bool condicion, const char* que) {
  if (!condicion) {
    std::fprintf(stderr, "catalogue line check failed: %s\n", que);
    std::abort();
  }
}

bool Digitos(std::string_view l, std::size_t columna, std::size_t ancho, int maximo) {
  int valor = 0;
  for (std::size_t i = columna - 1; i < columna - 1 + ancho; ++i) {
    if (l[i] < '0' || l[i] > '9') return false;
    valor = valor * 10 + (l[i] - '0');
  }
  return valor <= maximo;
}

void ComprobarLinea(std::string_view l, bool primera) {
  Exigir(l.size() == cat::kAnchoLinea, "length");
  Exigir(l.substr(62) == "\r\n", "line end");
  for (std::size_t i = 0; i < 23; ++i) Exigir(l[i] >= 0x20 && l[i] < 0x7f, "identification");
  if (primera) {
    Exigir(l[23] >= '1' && l[23] <= '9' && l.substr(30, 1) == "." && Digitos(l, 25, 6, 999999) &&
               Digitos(l, 32, 4, 9999),
           "julian day");
  } else {
    Exigir(l.substr(23, 12) == std::string(12, ' '), "blank julian day");
  }
  Exigir(l[35] == ' ' && l[38] == ' ' && l[41] == ' ' && l[46] == ' ' && l[50] == ' ' &&
             l[53] == ' ' && l[56] == ' ',
         "separators");
  Exigir(Digitos(l, 37, 2, 23) && Digitos(l, 40, 2, 59) && Digitos(l, 43, 2, 59) && l[44] == '.' &&
             Digitos(l, 46, 1, 9),
         "right ascension");
  Exigir((l[47] == '+' || l[47] == '-') && Digitos(l, 49, 2, 90) && Digitos(l, 52, 2, 59) &&
             Digitos(l, 55, 2, 59),
         "declination");
  if (l.substr(48, 2) == "90") Exigir(l.substr(51, 5) == "00 00", "beyond the pole");
  // " 16.3", "  8.5", " -1.2", "-99.9", "999.9": a right-aligned number with one decimal.
  const std::string_view mag = l.substr(57, 5);
  Exigir(mag[3] == '.' && mag[4] >= '0' && mag[4] <= '9' && mag[2] >= '0' && mag[2] <= '9',
         "magnitude");
  const std::size_t primero = mag.find_first_not_of(' ');
  for (std::size_t i = primero; i < 3; ++i) {
    Exigir((mag[i] >= '0' && mag[i] <= '9') || (i == primero && mag[i] == '-'), "magnitude");
  }
}

std::string Gzip(const std::uint8_t* datos, std::size_t n) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  std::string salida(deflateBound(&z, static_cast<uLong>(n)) + 32, '\0');
  z.next_in = const_cast<Bytef*>(datos);
  z.avail_in = static_cast<uInt>(n);
  z.next_out = reinterpret_cast<Bytef*>(salida.data());
  z.avail_out = static_cast<uInt>(salida.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  salida.resize(z.total_out);
  deflateEnd(&z);
  return salida;
}

void Probar(std::string_view bytes, const ef::Instante& instante) {
  // The program's own path: a file opened through zlib, here one that lives in memory.
  const int fd = memfd_create("elementos", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  if (!bytes.empty() &&
      ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::abort();
  }
  const std::string ruta = "/proc/self/fd/" + std::to_string(fd);
  try {
    ef::ArchivoElementos archivo(ruta);
    ef::OpcionesLectura opciones;
    opciones.nombre = "elementos";
    opciones.tope = cat::kMaximoAsteroides;
    const std::vector<ef::ElementosOrbitales> elementos = ef::LeerElementosMPC(archivo, opciones);
    // Perturbed motion builds a table of the planets over the whole span of the epochs,
    // which arbitrary bytes can stretch over centuries: that path runs on small sets with
    // epochs close together, two-body motion on the rest.
    cat::OpcionesCatalogo opciones_catalogo;
    double primera = instante.tt.Total();
    double ultima = primera;
    for (const ef::ElementosOrbitales& el : elementos) {
      primera = std::min(primera, el.epoca);
      ultima = std::max(ultima, el.epoca);
    }
    if (elementos.size() > 20 || ultima - primera > 400) {
      opciones_catalogo.movimiento = cat::Movimiento::DosCuerpos;
    }
    const std::string texto = cat::TextoCatalogo(elementos, instante, opciones_catalogo);
    Exigir(texto.size() == elementos.size() * cat::kAnchoLinea, "catalogue size");
    for (std::size_t i = 0; i < elementos.size(); ++i) {
      ComprobarLinea(std::string_view(texto).substr(i * cat::kAnchoLinea, cat::kAnchoLinea),
                     i == 0);
    }
  } catch (const ef::ErrorElementos& e) {
    Exigir(std::strlen(e.what()) > 0, "error message");
  } catch (const ef::ErrorLecturaElementos& e) {
    Exigir(std::strlen(e.what()) > 0, "error message");
  } catch (const cat::ErrorPosicion& e) {
    Exigir(std::strlen(e.what()) > 0, "error message");
  }
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
  static const ef::Instante instante = ef::InstanteDesdeCalendario(2022, 9, 20, 0, 0, 0);
  Probar(std::string_view(reinterpret_cast<const char*>(datos), n), instante);
  Probar(Gzip(datos, n), instante);
  return 0;
}
