// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/object_lookup.h"

#include <algorithm>
#include <optional>

#include "ephemeris/element_source.h"
#include "ephemeris/elements_format.h"
#include "ephemeris/packed_fields.h"
#include "platform/line_reader.h"

namespace orbelux::planificador {

namespace ef = orbelux::efemerides;

namespace {

// The base letter of a two-byte UTF-8 Latin-1 letter (second byte after 0xC3), 0 if none.
char SinAcento(unsigned char segundo) {
  static constexpr std::string_view kBases =
      "aaaaaaaceeeeiiii"   // 0x80-0x8F: À-Ï
      "dnooooo ouuuuy s"   // 0x90-0x9F: Ð-ß
      "aaaaaaaceeeeiiii"   // 0xA0-0xAF: à-ï
      "dnooooo ouuuuy y";  // 0xB0-0xBF: ð-ÿ
  if (segundo < 0x80 || segundo > 0xBF) return 0;
  const char c = kBases[segundo - 0x80];
  return c == ' ' ? 0 : c;
}

std::string Recortado(std::string_view texto) {
  const std::size_t primero = texto.find_first_not_of(" \t");
  if (primero == std::string_view::npos) return {};
  return std::string(texto.substr(primero, texto.find_last_not_of(" \t") - primero + 1));
}

bool SoloCifras(std::string_view texto) {
  return !texto.empty() && texto.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::string Plegado(std::string_view texto) {
  std::string s;
  s.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const auto c = static_cast<unsigned char>(texto[i]);
    if (c == 0xC3 && i + 1 < texto.size()) {
      if (const char base = SinAcento(static_cast<unsigned char>(texto[i + 1]))) {
        s += base;
        ++i;
        continue;
      }
    }
    if (c == ' ' || c == '\t') {
      if (!s.empty() && s.back() != ' ') s += ' ';
      continue;
    }
    s += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

namespace {

bool TipoDeCometa(char c) {
  return c != '\0' && std::string_view("PCDXIA").find(c) != std::string_view::npos;
}

bool Cifra(char c) { return c >= '0' && c <= '9'; }

// A comet's packed designation as the first columns of its record hold it: a periodic
// number and the orbit type ("0002P"), or the type and the packed provisional designation,
// with a fragment's letter or 0 at the end ("CJ95O010").
bool CometaEmpaquetado(std::string_view p) {
  if (p.size() == 5) {
    return Cifra(p[0]) && Cifra(p[1]) && Cifra(p[2]) && Cifra(p[3]) && TipoDeCometa(p[4]);
  }
  const auto letra = [](char c) { return c >= 'A' && c <= 'Z'; };
  return p.size() == 8 && TipoDeCometa(p[0]) && p[1] >= 'A' && p[1] <= 'L' && Cifra(p[2]) &&
         Cifra(p[3]) && letra(p[4]) && (Cifra(p[5]) || letra(p[5])) && Cifra(p[6]) &&
         (p[7] == '0' || (p[7] >= 'a' && p[7] <= 'z'));
}

}  // namespace

ClasePedido ClaseDePedido(std::string_view pedido) {
  const std::string p = Recortado(pedido);
  if (SoloCifras(p)) return ClasePedido::Numero;
  if ((p.size() == 5 || p.size() == 7) && p.find(' ') == std::string::npos &&
      (ef::NumeroEmpaquetado(p) || ef::EsDesignacionProvisional(p))) {
    return ClasePedido::Empaquetada;
  }
  if (CometaEmpaquetado(p)) return ClasePedido::Empaquetada;
  return ClasePedido::Nombre;
}

bool NombreCoincide(std::string_view legible, std::string_view plegado) {
  const std::string todo = Plegado(legible);
  if (todo == plegado) return true;
  std::string_view resto = todo;
  // "(433) eros": the name after the number.
  if (resto.starts_with('(')) {
    const std::size_t cierre = resto.find(") ");
    if (cierre != std::string_view::npos && SoloCifras(resto.substr(1, cierre - 1))) {
      resto.remove_prefix(cierre + 2);
      if (resto == plegado) return true;
    }
  }
  // "c/2023 a3 (atlas)": the designation without its name.
  const std::size_t parentesis = resto.find(" (");
  if (parentesis != std::string_view::npos && resto.substr(0, parentesis) == plegado) return true;
  // "c/1995 o1 (hale-bopp)": the name in brackets at the end.
  if (parentesis != std::string_view::npos && resto.ends_with(')') &&
      resto.substr(parentesis + 2, resto.size() - parentesis - 3) == plegado) {
    return true;
  }
  // "2p/encke": the number before the slash, the name after it; "c/2023 a3" has a letter
  // before it, which is no designation by itself.
  const std::size_t barra = resto.find('/');
  if (barra != std::string_view::npos && barra > 1) {
    if (resto.substr(0, barra) == plegado) return true;
    if (resto.substr(barra + 1) == plegado) return true;
  }
  return false;
}

namespace {

struct Busqueda {
  std::string pedido;
  ClasePedido clase;
  std::string clave;  // the number, the packed form or the folded name
  std::int32_t numero = 0;
  std::vector<ObjetoHallado> hallados;  // in the file being read
  bool resuelto = false;
};

std::string ListaDe(const std::vector<ObjetoHallado>& hallados) {
  std::string s;
  for (std::size_t i = 0; i < hallados.size() && i < 20; ++i) {
    s += (i == 0 ? "" : ", ") + hallados[i].nombre;
  }
  if (hallados.size() > 20) s += "...";
  return s;
}

void LeerArchivo(const std::filesystem::path& ruta, std::vector<Busqueda*>& pendientes,
                 SistemaArchivos& sistema, std::uint64_t* bytes_leidos,
                 const ef::AvisoLectura& aviso) {
  const std::string nombre = TextoRuta(ruta);
  ef::ArchivoElementos archivo(ruta, sistema, aviso);
  // The format is told by the first block: until then every line keeps what the widest
  // format reads.
  LectorBloques bloques(archivo, ef::AnchoUtilMaximo());
  const ef::FormatoElementos* formato_detectado = nullptr;
  ef::Preambulo preambulo;
  ef::CorridaSinRegistro corrida(nombre);
  ef::CacheEpoca cache;
  bool hubo_registro = false;
  bool hubo_ajena = false;
  std::uint64_t numero_linea = 0;
  const auto terminado = [&pendientes] {
    return std::all_of(pendientes.begin(), pendientes.end(), [](const Busqueda* b) {
      return b->clase != ClasePedido::Nombre && !b->hallados.empty();
    });
  };
  std::string datos;
  bool fin = false;
  while (!fin && bloques.Siguiente(datos)) {
    if (formato_detectado == nullptr) formato_detectado = &ef::DetectarFormato(datos);
    const ef::FormatoElementos& formato = *formato_detectado;
    for (std::size_t pos = 0; pos < datos.size();) {
      const std::size_t salto = datos.find('\n', pos);
      const std::string_view linea(datos.data() + pos, salto - pos);
      pos = salto + 1;
      ++numero_linea;
      std::int32_t numero = 0;
      const ef::ClaseLinea clase = formato.Clasificar(linea, numero);
      if (!preambulo.Terminado() &&
          preambulo.Linea(clase, formato.Designacion(linea), numero_linea)) {
        corrida.Linea(false, numero_linea);
        continue;
      }
      corrida.Linea(clase == ef::ClaseLinea::Registro, numero_linea);
      if (clase != ef::ClaseLinea::Registro) {
        hubo_ajena = hubo_ajena || clase != ef::ClaseLinea::EnBlanco;
        continue;
      }
      hubo_registro = true;
      std::string legible;
      std::string empaquetada;
      for (Busqueda* b : pendientes) {
        bool coincide = false;
        switch (b->clase) {
          case ClasePedido::Numero:
            coincide = numero == b->numero && numero != 0;
            break;
          case ClasePedido::Empaquetada:
            if (empaquetada.empty()) empaquetada = Recortado(formato.Designacion(linea));
            coincide = empaquetada == b->clave;
            break;
          case ClasePedido::Nombre:
            if (legible.empty()) legible = formato.NombreLegible(linea);
            coincide = NombreCoincide(legible, b->clave);
            break;
        }
        if (!coincide) continue;
        ObjetoHallado h;
        h.pedido = b->pedido;
        h.nombre = formato.NombreLegible(linea);
        h.archivo = nombre;
        h.linea = numero_linea;
        if (const auto error =
                formato.Convertir(linea, numero, numero_linea, nombre, cache, h.elementos)) {
          throw ef::ErrorElementos(*error, numero_linea);
        }
        b->hallados.push_back(std::move(h));
      }
      if (terminado()) {
        fin = true;
        break;
      }
    }
    if (bytes_leidos != nullptr) *bytes_leidos = bloques.BytesLeidos();
  }
  if (!hubo_registro && !fin) {
    throw ef::ErrorSinRegistros(nombre, hubo_ajena || preambulo.Ajenas() > 0);
  }
}

}  // namespace

std::vector<ObjetoHallado> BuscarObjetos(const std::vector<std::string>& pedidos,
                                         const std::vector<std::filesystem::path>& archivos,
                                         SistemaArchivos& sistema, std::uint64_t* bytes_leidos,
                                         const ef::AvisoLectura& aviso) {
  std::vector<Busqueda> busquedas;
  for (const std::string& p : pedidos) {
    Busqueda b;
    b.pedido = p;
    b.clase = ClaseDePedido(p);
    switch (b.clase) {
      case ClasePedido::Numero: {
        const std::string cifras = Recortado(p);
        // More digits than any number has: nothing will match.
        b.numero = cifras.size() > 9 ? -1 : std::stoi(cifras);
        break;
      }
      case ClasePedido::Empaquetada:
        b.clave = Recortado(p);
        break;
      case ClasePedido::Nombre:
        b.clave = Plegado(p);
        break;
    }
    busquedas.push_back(std::move(b));
  }
  std::uint64_t total_bytes = 0;
  for (const auto& ruta : archivos) {
    std::vector<Busqueda*> pendientes;
    for (Busqueda& b : busquedas) {
      if (!b.resuelto) pendientes.push_back(&b);
    }
    if (pendientes.empty()) break;
    std::uint64_t bytes = 0;
    LeerArchivo(ruta, pendientes, sistema, &bytes, aviso);
    total_bytes += bytes;
    for (Busqueda* b : pendientes) {
      if (b->hallados.size() > 1) {
        throw ErrorObjetoAmbiguo("«" + b->pedido + "» designa " +
                                 std::to_string(b->hallados.size()) + " objetos de " +
                                 b->hallados.front().archivo + ": " + ListaDe(b->hallados) +
                                 "; escriba la designación de uno de ellos");
      }
      b->resuelto = b->hallados.size() == 1;
    }
  }
  if (bytes_leidos != nullptr) *bytes_leidos = total_bytes;
  std::vector<ObjetoHallado> resultado;
  for (Busqueda& b : busquedas) {
    if (!b.resuelto) {
      std::string nombres;
      for (const auto& ruta : archivos) nombres += (nombres.empty() ? "" : ", ") + TextoRuta(ruta);
      throw ErrorObjetoDesconocido("no se encuentra el objeto «" + b.pedido + "» en " + nombres);
    }
    resultado.push_back(std::move(b.hallados.front()));
  }
  return resultado;
}

}  // namespace orbelux::planificador
