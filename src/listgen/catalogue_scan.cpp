// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/catalogue_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "listgen/catalogue_format.h"
#include "platform/line_reader.h"

namespace orbelux {

namespace {

std::string_view Campo(std::string_view linea, columnas::Campo campo) {
  // Lines are nearly always complete; the general cut handles the short ones.
  if (linea.size() >= campo.inicio - 1 + campo.ancho) {
    return {linea.data() + campo.inicio - 1, campo.ancho};
  }
  return ExtraerTexto(linea, campo.inicio, campo.ancho);
}

// Most fields are two plain digits ("05"); they need none of the general conversion's
// work and give exactly its result.
bool DosCifras(std::string_view texto) {
  return texto.size() == 2 && detalle::EsDigito(texto[0]) && detalle::EsDigito(texto[1]);
}

int ValorDosCifras(std::string_view texto) { return (texto[0] - '0') * 10 + (texto[1] - '0'); }

std::int16_t Corto(std::string_view linea, columnas::Campo campo) {
  const std::string_view texto = Campo(linea, campo);
  if (DosCifras(texto)) return static_cast<std::int16_t>(ValorDosCifras(texto));
  return EnteroCorto(ValNumerico(texto));
}

double Real(std::string_view linea, columnas::Campo campo) {
  const std::string_view texto = Campo(linea, campo);
  if (DosCifras(texto)) return ValorDosCifras(texto);
  return ValNumerico(texto);
}

}  // namespace

RegistroAsteroide ConvertirLinea(std::int16_t numero, std::string_view linea) {
  RegistroAsteroide registro;
  registro.numero = numero;
  registro.linea = linea;
  const std::int16_t horas = Corto(linea, columnas::kARHoras);
  const std::int16_t minutos = Corto(linea, columnas::kARMinutos);
  registro.AR = HorasDecimales(horas, minutos, Real(linea, columnas::kARSegundos));
  const double grados = ValNumerico(Campo(linea, columnas::kDECGrados));
  const std::int16_t grados_enteros = EnteroCorto(grados);
  const std::int16_t arcominutos = Corto(linea, columnas::kDECMinutos);
  registro.DEC = GradosDecimales(std::signbit(grados), grados_enteros, arcominutos,
                                 Real(linea, columnas::kDECSegundos));
  registro.Mag = Corto(linea, columnas::kMagnitud);
  return registro;
}

double ClaveAR(const RegistroAsteroide& registro, const LimitesFiltro& limites) {
  if (limites.AR_cruza && registro.AR < limites.AR_max - 24.0) return registro.AR + 24.0;
  return registro.AR;
}

bool PasaFiltros(const RegistroAsteroide& registro, const LimitesFiltro& limites) {
  const double clave = ClaveAR(registro, limites);
  return registro.numero > limites.Num_min && clave > limites.AR_min &&
         clave < limites.AR_max && registro.DEC > limites.DEC_min &&
         registro.DEC < limites.DEC_max && registro.Mag > limites.Mag_min &&
         registro.Mag < limites.Mag_max && registro.numero < limites.Num_max;
}

std::array<char, kAnchoLineaLista> LineaLista(std::string_view linea) {
  // A short line reads as if padded with blanks to its full width, so every list
  // line keeps its columns and its length.
  std::array<char, columnas::kAnchoLinea> completa;
  if (linea.size() < completa.size()) {
    completa.fill(' ');
    std::copy(linea.begin(), linea.end(), completa.begin());
    linea = std::string_view(completa.data(), completa.size());
  }
  std::array<char, kAnchoLineaLista> lista;
  lista.fill(' ');
  const auto copiar = [&](columnas::Campo campo, std::size_t destino) {
    std::copy_n(linea.begin() + static_cast<std::ptrdiff_t>(campo.inicio - 1), campo.ancho,
                lista.begin() + static_cast<std::ptrdiff_t>(destino - 1));
  };
  copiar(columnas::kIdentificacion, 1);
  copiar(columnas::kARHoras, 25);
  copiar(columnas::kARMinutos, 28);
  copiar(columnas::kARSegundos, 31);
  copiar(columnas::kDECGrados, 37);
  copiar(columnas::kDECMinutos, 41);
  copiar(columnas::kDECSegundos, 44);
  copiar(columnas::kMagnitud, 48);
  return lista;
}

void ListaOrdenada::Insertar(double clave, const std::array<char, kAnchoLineaLista>& linea) {
  const auto orden = static_cast<std::uint32_t>(claves_.size());
  if (orden % kLineasPorBloque == 0) {
    bloques_.push_back(std::make_unique_for_overwrite<char[]>(kLineasPorBloque * kAnchoLineaLista));
  }
  char* destino = bloques_.back().get() + (orden % kLineasPorBloque) * kAnchoLineaLista;
  std::copy(linea.begin(), linea.end(), destino);
  if (!claves_.empty() && clave < claves_.back().clave) ordenada_ = false;
  claves_.push_back({clave, orden});
}

void ListaOrdenada::Ordenar() {
  if (ordenada_) return;
  // The arrival order breaks ties, which gives the same order as inserting each new
  // record after every key equal to its own.
  std::sort(claves_.begin(), claves_.end(), [](const Entrada& a, const Entrada& b) {
    return a.clave < b.clave || (a.clave == b.clave && a.orden < b.orden);
  });
  ordenada_ = true;
}

const char* ListaOrdenada::Linea(std::uint32_t orden) const {
  return bloques_[orden / kLineasPorBloque].get() + (orden % kLineasPorBloque) * kAnchoLineaLista;
}

std::string ListaOrdenada::texto() {
  std::string texto;
  texto.reserve(claves_.size() * (kAnchoLineaLista + kFinLinea.size()));
  Recorrer([&](std::string_view linea) { texto.append(linea); });
  return texto;
}

ListaOrdenada CrearListaOrdenada(const LimitesFiltro& /*limites*/) { return {}; }

void ConsiderarRegistro(const RegistroAsteroide& registro, const LimitesFiltro& limites,
                        ListaOrdenada& lista) {
  if (PasaFiltros(registro, limites)) {
    lista.Insertar(ClaveAR(registro, limites), LineaLista(registro.linea));
  }
}

DiaJuliano LeerCatalogo(const std::filesystem::path& ruta, const LimitesFiltro& limites,
                        ListaOrdenada& lista, SistemaArchivos& sistema) {
  const std::unique_ptr<ArchivoLectura> archivo = sistema.AbrirLectura(ruta);
  LectorLineas lector(*archivo, columnas::kAnchoLinea);
  DiaJuliano dia_juliano;
  std::int16_t numero = 0;
  while (!lector.AlFinal()) {
    // The counter is raised before it is compared, so a catalogue longer than 32767
    // lines overflows when the upper number bound lets the scan reach that far.
    if (numero == std::numeric_limits<std::int16_t>::max()) throw Desbordamiento();
    ++numero;
    if (numero > limites.Num_max) break;
    const std::string_view linea = lector.LeerLinea();
    if (numero == 1) {
      dia_juliano = ExtraerTexto(linea, columnas::kDiaJuliano.inicio, columnas::kDiaJuliano.ancho);
    }
    ConsiderarRegistro(ConvertirLinea(numero, linea), limites, lista);
  }
  return dia_juliano;
}

}  // namespace orbelux
