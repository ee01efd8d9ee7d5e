// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/dates.h"
#include "console/default_elements.h"
#include "console/options.h"
#include "console/progress_bar.h"
#include "console/site_options.h"
#include "ephemeris/element_source.h"
#include "ephemeris/packed_fields.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "field/field_output.h"
#include "field/field_search.h"
#include "platform/atomic_write.h"

namespace orbelux::campo {

namespace {

namespace ef = orbelux::efemerides;
namespace fs = std::filesystem;

constexpr std::string_view kPrograma = "orbelux-campo";
constexpr double kPi = 3.14159265358979323846;

constexpr std::string_view kUso =
    "Uso: orbelux-campo --centro C [--radio R] [--mag-max V] [--fecha F | --jd J]\n"
    "                   [--observatorio CÓDIGO | --lugar LON,LAT[,ALT]]\n"
    "                   [--elementos FICHERO] [--dos-cuerpos] [--formato texto|csv]\n"
    "                   [--salida FICHERO]\n"
    "\n"
    "Lista todos los objetos de un fichero de elementos orbitales en el formato de\n"
    "exportación del MPC (el de MPCORB.DAT, comprimido con gzip o no) que caen dentro de\n"
    "un círculo del cielo en un instante: asteroides numerados con cualquier número y\n"
    "objetos con designación provisional. Las posiciones son astrométricas J2000, con el\n"
    "tiempo de luz, y se calculan como en orbelux-catalogo.\n"
    "\n"
    "  --centro C     centro del círculo: \"HH MM SS.s ±GG MM SS\" o AR,DEC en grados\n"
    "  --radio R      radio en minutos de arco (por omisión 15; como mucho 600)\n"
    "  --mag-max V    sólo los objetos de magnitud V hasta ésta (los que no tienen H\n"
    "                 se listan siempre)\n"
    "  --fecha F      instante en UTC; una fecha sola es a las 00:00 UTC. Con una zona al\n"
    "                 final de la hora (Z, +01, +01:00, -0300) es la hora de esa zona\n"
    "  --jd J         instante como día juliano en UTC. Sin ninguno de los dos: ahora,\n"
    "                 al minuto\n"
    "  --observatorio C\n"
    "                 posiciones vistas desde ese observatorio, por su código del MPC\n"
    "                 (J86 Sierra Nevada, Z84 Calar Alto...); --observatorio buscar:PALABRA\n"
    "                 lista los códigos cuyo nombre la contiene\n"
    "  --lugar LON,LAT[,ALT]\n"
    "                 posiciones vistas desde ese lugar (grados WGS84, altitud en metros).\n"
    "                 Sin ninguno de los dos: desde el centro de la Tierra\n"
    "  --elementos F  elementos orbitales; por omisión MPCORB.DAT o, si no está,\n"
    "                 MPCORB.DAT.gz, en el directorio actual\n"
    "  --dos-cuerpos  movimiento de dos cuerpos, sin los planetas\n"
    "  --formato F    texto (por omisión) o csv\n"
    "  --salida F     fichero que se escribe; por omisión la salida estándar\n"
    "  -h, --ayuda, --help\n"
    "                 muestra esta ayuda\n"
    "  --version      muestra la versión\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer la búsqueda, 2 línea de órdenes errónea.\n";

using consola::ErrorUso;

struct Opciones {
  std::optional<std::string> centro;
  std::optional<std::string> radio;
  std::optional<std::string> mag_max;
  std::optional<std::string> fecha;
  std::optional<std::string> jd;
  std::optional<std::string> elementos;
  std::optional<std::string> formato;
  std::optional<std::string> salida;
  std::optional<std::string> observatorio;
  std::optional<std::string> lugar;
  consola::PeticionesComunes comunes;
  bool dos_cuerpos = false;
};

Opciones LeerOpciones(const std::vector<std::string>& argumentos) {
  Opciones o;
  o.comunes = consola::LeerOpciones(argumentos,
                                    {{"--centro", &o.centro},
                                     {"--radio", &o.radio},
                                     {"--mag-max", &o.mag_max},
                                     {"--fecha", &o.fecha},
                                     {"--jd", &o.jd},
                                     {"--elementos", &o.elementos},
                                     {"--formato", &o.formato},
                                     {"--salida", &o.salida},
                                     {"--observatorio", &o.observatorio},
                                     {"--lugar", &o.lugar}},
                                    {{"--dos-cuerpos", &o.dos_cuerpos}});
  consola::ComprobarFechaOJD(o.fecha, o.jd);
  consola::ComprobarObservatorioOLugar(o.observatorio, o.lugar);
  return o;
}

// The blank- or colon-separated parts of a sexagesimal text.
std::vector<std::string_view> Partes(std::string_view texto) {
  std::vector<std::string_view> partes;
  std::size_t pos = 0;
  while (pos < texto.size()) {
    const std::size_t inicio = texto.find_first_not_of(" \t:", pos);
    if (inicio == std::string_view::npos) break;
    const std::size_t fin = texto.find_first_of(" \t:", inicio);
    partes.push_back(texto.substr(inicio, fin == std::string_view::npos ? fin : fin - inicio));
    pos = fin == std::string_view::npos ? texto.size() : fin;
  }
  return partes;
}

std::optional<double> Numero(std::string_view texto) {
  if (texto.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  return ef::NumeroDecimal(texto);
}

// Whole units and minutes with no sign or decimals, seconds below 60.
std::optional<double> Sexagesimal(std::string_view a, std::string_view b, std::string_view c) {
  if (a.find_first_not_of("0123456789") != std::string_view::npos ||
      b.find_first_not_of("0123456789") != std::string_view::npos || c.empty() || c[0] == '-' ||
      c[0] == '+') {
    return std::nullopt;
  }
  const auto x = Numero(a);
  const auto y = Numero(b);
  const auto z = Numero(c);
  if (!x || !y || !z || *y >= 60 || *z >= 60) return std::nullopt;
  return *x + *y / 60 + *z / 3600;
}

// The bytes the file will give: its size, or for gzip the size of the inflated data that
// its last four bytes give (modulo 4 GiB). An estimate for the progress bar only.
std::size_t BytesPrevistos(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) return 0;
  unsigned char cabecera[2] = {0, 0};
  f.read(reinterpret_cast<char*>(cabecera), 2);
  std::error_code error;
  const auto tamano = fs::file_size(ruta, error);
  if (error) return 0;
  if (cabecera[0] != 0x1f || cabecera[1] != 0x8b || tamano < 18) return tamano;
  unsigned char cola[4];
  f.seekg(-4, std::ios::end);
  f.read(reinterpret_cast<char*>(cola), 4);
  if (!f) return 0;
  return std::size_t{cola[0]} | std::size_t{cola[1]} << 8 | std::size_t{cola[2]} << 16 |
         std::size_t{cola[3]} << 24;
}

std::string TextoInstante(const ef::Instante& instante) {
  char dia[64];
  std::snprintf(dia, sizeof dia, " (día juliano %.6f)", instante.utc.Total());
  return consola::TextoFecha(instante) + dia;
}

}  // namespace

std::optional<Centro> LeerCentro(std::string_view texto) {
  if (const std::size_t coma = texto.find(','); coma != std::string_view::npos) {
    const auto ar = Numero(texto.substr(0, coma));
    const auto dec = Numero(texto.substr(coma + 1));
    if (!ar || !dec || *ar < 0 || *ar >= 360 || *dec < -90 || *dec > 90) return std::nullopt;
    return Centro{*ar, *dec};
  }
  const std::vector<std::string_view> p = Partes(texto);
  if (p.size() != 6) return std::nullopt;
  const auto horas = Sexagesimal(p[0], p[1], p[2]);
  std::string_view grados = p[3];
  const bool negativa = !grados.empty() && grados[0] == '-';
  if (!grados.empty() && (grados[0] == '-' || grados[0] == '+')) grados.remove_prefix(1);
  const auto dec = Sexagesimal(grados, p[4], p[5]);
  if (!horas || !dec || *horas >= 24 || *dec > 90) return std::nullopt;
  return Centro{*horas * 15, negativa ? -*dec : *dec};
}

int ProgramaCampo(const std::vector<std::string>& argumentos, std::ostream& salida,
                  std::ostream& errores, const EntornoCampo& entorno) {
  const std::string prefijo = std::string(kPrograma) + ": ";
  PeticionCampo peticion;
  CabeceraCampo cabecera;
  fs::path elementos;
  std::optional<fs::path> destino;
  bool csv = false;
  try {
    const Opciones o = LeerOpciones(argumentos);
    if (o.comunes.ayuda) {
      salida << kUso;
      return kSalidaBien;
    }
    if (o.comunes.version) {
      salida << consola::TextoVersion(kPrograma);
      return kSalidaBien;
    }
    if (const auto listado = consola::ListadoPedido(o.observatorio)) {
      salida << *listado;
      return kSalidaBien;
    }
    if (!o.centro) throw ErrorUso("falta --centro, el centro del círculo");
    const std::optional<Centro> centro = LeerCentro(*o.centro);
    if (!centro) {
      throw ErrorUso("--centro " + *o.centro +
                     ": se espera \"HH MM SS.s ±GG MM SS\" o AR,DEC en grados (AR de 0 a 360, "
                     "DEC de -90 a 90)");
    }
    double radio = 15;
    if (o.radio) {
      const auto r = Numero(*o.radio);
      if (!r) throw ErrorUso("--radio " + *o.radio + ": se espera un número de minutos de arco");
      if (!(*r > 0) || *r > kRadioMaximo) {
        throw ErrorUso("--radio " + *o.radio +
                       ": debe ser mayor que 0 y como mucho 600 minutos de arco (10 grados)");
      }
      radio = *r;
    }
    if (o.mag_max) {
      const auto v = Numero(*o.mag_max);
      if (!v) throw ErrorUso("--mag-max " + *o.mag_max + ": se espera una magnitud, como 19.5");
      peticion.magnitud_maxima = *v;
    }
    if (o.formato) {
      if (*o.formato == "csv") {
        csv = true;
      } else if (*o.formato != "texto") {
        throw ErrorUso("--formato " + *o.formato + ": se espera texto o csv");
      }
    }
    if (o.fecha) {
      peticion.instante = consola::InstanteDeFecha(*o.fecha);
    } else if (o.jd) {
      peticion.instante = consola::InstanteDeDiaJuliano(*o.jd);
    } else {
      peticion.instante = consola::InstanteActual(entorno.reloj());
    }
    peticion.ar_centro = centro->ar * kPi / 180;
    peticion.dec_centro = centro->dec * kPi / 180;
    peticion.radio = radio / 60 * kPi / 180;
    peticion.perturbado = !o.dos_cuerpos;
    if (o.salida) destino = fs::path(*o.salida);
    cabecera.ar_centro = centro->ar;
    cabecera.dec_centro = centro->dec;
    cabecera.radio = radio;
    cabecera.magnitud_maxima = peticion.magnitud_maxima;
    cabecera.dos_cuerpos = o.dos_cuerpos;
    cabecera.lugar = "centro de la Tierra";
    const auto elegido = consola::SitioDeOpciones(o.observatorio, o.lugar);
    if (elegido && !elegido->sitio.Geocentro()) {
      cabecera.lugar = elegido->descripcion;
      peticion.observador = [sitio = elegido->sitio](const ef::Instante& instante) {
        return ef::ObservadorGeocentrico(sitio, instante).posicion;
      };
    }
    if (o.elementos) {
      elementos = *o.elementos;
    } else {
      try {
        elementos = consola::ElementosPorOmision();
      } catch (const std::exception& e) {
        errores << prefijo << e.what() << '\n';
        return kSalidaFallo;
      }
    }
  } catch (const ErrorUso& e) {
    consola::EscribirErrorUso(errores, kPrograma, e);
    return kSalidaUso;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << '\n';
    return kSalidaFallo;
  }

  try {
    peticion.nombre_elementos = TextoRuta(elementos);
    cabecera.elementos = peticion.nombre_elementos;
    cabecera.instante = TextoInstante(peticion.instante);
    std::optional<consola::BarraProgreso> barra;
    if (entorno.errores_en_terminal) {
      barra.emplace(errores, std::string(kPrograma));
      peticion.bytes_previstos = BytesPrevistos(elementos);
      peticion.progreso = [&barra](std::string_view etapa, std::size_t hechos, std::size_t total) {
        barra->Avanzar(etapa, hechos, total);
      };
    }
    SistemaArchivos& sistema = entorno.sistema != nullptr ? *entorno.sistema : SistemaReal();
    ResultadoCampo resultado;
    {
      ef::ArchivoElementos archivo(elementos, sistema);
      resultado = BuscarEnCampo(archivo, peticion);
    }
    barra.reset();
    const std::string texto = csv ? TextoCsv(resultado) : TextoTabla(resultado, cabecera);
    if (destino) {
      EscrituraAtomica escritura(sistema, *destino);
      escritura.Escribir(texto);
      escritura.Confirmar();
    } else {
      errno = 0;
      salida << texto << std::flush;
      if (!salida) {
        errores << prefijo << "no se puede escribir el resultado en la salida estándar";
        if (errno != 0) errores << ": " << MotivoError(errno);
        errores << '\n';
        return kSalidaFallo;
      }
    }
    if (resultado.omitidos != 0) {
      std::string nombres;
      for (const std::string& n : resultado.primeros_omitidos) {
        nombres += (nombres.empty() ? "" : ", ") + n;
      }
      errores << prefijo << "aviso: " << resultado.omitidos
              << (resultado.omitidos == 1 ? " registro omitido" : " registros omitidos")
              << " porque no se pueden leer o calcular sus posiciones: " << nombres
              << (resultado.omitidos > resultado.primeros_omitidos.size() ? "..." : "") << '\n';
    }
    return kSalidaBien;
  } catch (const FalloArchivo& e) {
    errores << prefijo << "no se puede escribir el resultado: " << e.what() << '\n';
    return kSalidaFallo;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << "; no se ha escrito nada\n";
    return kSalidaFallo;
  }
}

}  // namespace orbelux::campo
