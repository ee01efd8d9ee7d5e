#include "field/command_line.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/progress_bar.h"
#include "console/site_options.h"
#include "ephemeris/element_source.h"
#include "ephemeris/packed_fields.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "field/field_output.h"
#include "field/field_search.h"

#ifndef ORBELUX_VERSION
#define ORBELUX_VERSION "0"
#endif

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
    "  --fecha F      instante en UTC: AAAA-MM-DD[THH:MM[:SS]], con Z o ±HH:MM para\n"
    "                 otra zona\n"
    "  --jd J         instante como día juliano en UTC. Sin ninguno de los dos: ahora\n"
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
    "  -h, --ayuda    muestra esta ayuda\n"
    "  --version      muestra la versión\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer la búsqueda, 2 línea de órdenes errónea.\n";

class ErrorUso : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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
  bool ayuda = false;
  bool version = false;
  bool dos_cuerpos = false;
};

Opciones LeerOpciones(const std::vector<std::string>& argumentos) {
  Opciones o;
  struct Valor {
    std::string_view nombre;
    std::optional<std::string> Opciones::*campo;
  };
  const Valor valores[] = {{"--centro", &Opciones::centro},
                           {"--radio", &Opciones::radio},
                           {"--mag-max", &Opciones::mag_max},
                           {"--fecha", &Opciones::fecha},
                           {"--jd", &Opciones::jd},
                           {"--elementos", &Opciones::elementos},
                           {"--formato", &Opciones::formato},
                           {"--salida", &Opciones::salida},
                           {"--observatorio", &Opciones::observatorio},
                           {"--lugar", &Opciones::lugar}};
  for (std::size_t i = 0; i < argumentos.size(); ++i) {
    const std::string_view arg = argumentos[i];
    if (arg == "-h" || arg == "--ayuda" || arg == "--help") {
      o.ayuda = true;
      continue;
    }
    if (arg == "--version") {
      o.version = true;
      continue;
    }
    if (arg == "--dos-cuerpos") {
      o.dos_cuerpos = true;
      continue;
    }
    bool reconocida = false;
    for (const Valor& v : valores) {
      std::optional<std::string> valor;
      if (arg == v.nombre) {
        if (i + 1 >= argumentos.size()) {
          throw ErrorUso("falta el valor de " + std::string(v.nombre));
        }
        valor = argumentos[++i];
      } else if (arg.size() > v.nombre.size() && arg.substr(0, v.nombre.size()) == v.nombre &&
                 arg[v.nombre.size()] == '=') {
        valor = std::string(arg.substr(v.nombre.size() + 1));
      } else {
        continue;
      }
      if (o.*(v.campo)) throw ErrorUso(std::string(v.nombre) + " aparece más de una vez");
      o.*(v.campo) = std::move(valor);
      reconocida = true;
      break;
    }
    if (!reconocida) {
      if (!arg.empty() && arg[0] == '-') throw ErrorUso("opción desconocida: " + std::string(arg));
      throw ErrorUso("argumento inesperado: " + std::string(arg));
    }
  }
  if (o.fecha && o.jd) {
    throw ErrorUso("--fecha y --jd no pueden ir juntas: las dos dan el instante");
  }
  if (o.observatorio && o.lugar) {
    throw ErrorUso("--observatorio y --lugar no pueden ir juntas: las dos dan el lugar");
  }
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

ef::Instante InstanteDeFecha(const std::string& fecha) {
  const std::string error = "--fecha " + fecha +
                            ": se espera AAAA-MM-DD, AAAA-MM-DDTHH:MM o AAAA-MM-DDTHH:MM:SS, " +
                            "con Z o ±HH:MM al final para una hora que no es UTC";
  std::string_view f = fecha;
  int zona_minutos = 0;
  if (!f.empty() && f.back() == 'Z') {
    f.remove_suffix(1);
  } else if (f.size() > 16 && (f[f.size() - 6] == '+' || f[f.size() - 6] == '-') &&
             f[f.size() - 3] == ':') {
    const std::string_view z = f.substr(f.size() - 5);
    int h = 0;
    int m = 0;
    if (std::sscanf(std::string(z).c_str(), "%2d:%2d", &h, &m) != 2 || h > 14 || m > 59) {
      throw ErrorUso(error);
    }
    zona_minutos = (f[f.size() - 6] == '-' ? -1 : 1) * (h * 60 + m);
    f.remove_suffix(6);
  }
  int anio = 0;
  int mes = 0;
  int dia = 0;
  int hora = 0;
  int minuto = 0;
  double segundo = 0;
  const auto digitos = [&](std::size_t desde, std::size_t n, int& valor) {
    if (f.size() < desde + n) return false;
    valor = 0;
    for (std::size_t i = desde; i < desde + n; ++i) {
      if (f[i] < '0' || f[i] > '9') return false;
      valor = valor * 10 + (f[i] - '0');
    }
    return true;
  };
  if (f.size() < 10 || !digitos(0, 4, anio) || f[4] != '-' || !digitos(5, 2, mes) || f[7] != '-' ||
      !digitos(8, 2, dia)) {
    throw ErrorUso(error);
  }
  if (f.size() > 10) {
    if ((f[10] != 'T' && f[10] != ' ') || f.size() < 16 || !digitos(11, 2, hora) || f[13] != ':' ||
        !digitos(14, 2, minuto)) {
      throw ErrorUso(error);
    }
    if (f.size() > 16) {
      int entero = 0;
      if (f[16] != ':' || f.size() != 19 || !digitos(17, 2, entero)) throw ErrorUso(error);
      segundo = entero;
    }
  }
  if (anio < 1000) throw ErrorUso("--fecha " + fecha + ": el año debe estar entre 1000 y 9999");
  try {
    const ef::Instante local = ef::InstanteDesdeCalendario(anio, mes, dia, hora, minuto, segundo);
    if (zona_minutos == 0) return local;
    return ef::InstanteDesdeDiaJulianoUTC(local.utc.Total() - zona_minutos / 1440.0);
  } catch (const ef::ErrorInstante&) {
    throw ErrorUso("--fecha " + fecha + ": esa fecha u hora no existe");
  }
}

ef::Instante InstanteDeDiaJuliano(const std::string& texto) {
  const std::optional<double> jd = Numero(texto);
  if (!jd) throw ErrorUso("--jd " + texto + ": se espera un día juliano, como 2461382.5");
  if (!(*jd >= 2086307.5 && *jd < 5373484.5)) {
    throw ErrorUso("--jd " + texto + ": debe caer entre los años 1000 y 9999");
  }
  try {
    return ef::InstanteDesdeDiaJulianoUTC(*jd);
  } catch (const ef::ErrorInstante& e) {
    throw ErrorUso("--jd " + texto + ": " + e.what());
  }
}

ef::Instante InstanteActual(std::time_t ahora) {
  std::tm utc{};
  if (gmtime_r(&ahora, &utc) == nullptr) throw ErrorUso("no se puede leer la hora del sistema");
  return ef::InstanteDesdeCalendario(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                                     utc.tm_min, utc.tm_sec);
}

fs::path ElementosPorOmision() {
  std::error_code error;
  for (const char* nombre : {"MPCORB.DAT", "MPCORB.DAT.gz"}) {
    if (fs::exists(nombre, error)) return nombre;
  }
  throw ef::ErrorLecturaElementos(
      "no están ni MPCORB.DAT ni MPCORB.DAT.gz en el directorio actual (" +
      TextoRuta(DirectorioActual()) + "); indique el fichero de elementos con --elementos");
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
  const ef::FechaCalendario f = ef::CalendarioUTC(instante);
  char texto[128];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02d %02d:%02d:%02d UTC (día juliano %.6f)", f.anio,
                f.mes, f.dia, f.hora, f.minuto, f.segundo, instante.utc.Total());
  return texto;
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
    if (o.ayuda) {
      salida << kUso;
      return kSalidaBien;
    }
    if (o.version) {
      salida << kPrograma << ' ' << ORBELUX_VERSION << '\n';
      return kSalidaBien;
    }
    if (o.observatorio && o.observatorio->starts_with(consola::kPrefijoBusqueda)) {
      salida << consola::ListadoObservatorios(
          std::string_view(*o.observatorio).substr(consola::kPrefijoBusqueda.size()));
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
      peticion.instante = InstanteDeFecha(*o.fecha);
    } else if (o.jd) {
      peticion.instante = InstanteDeDiaJuliano(*o.jd);
    } else {
      peticion.instante = InstanteActual(entorno.reloj());
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
    if (o.observatorio || o.lugar) {
      consola::SitioElegido elegido;
      try {
        elegido = o.observatorio ? consola::SitioDeObservatorio(*o.observatorio)
                                 : consola::SitioDeLugar(*o.lugar);
      } catch (const consola::ErrorOpcionSitio& e) {
        throw ErrorUso(e.what());
      }
      if (!elegido.sitio.Geocentro()) {
        cabecera.lugar = elegido.descripcion;
        peticion.observador = [sitio = elegido.sitio](const ef::Instante& instante) {
          return ef::ObservadorGeocentrico(sitio, instante).posicion;
        };
      }
    }
    if (o.elementos) {
      elementos = *o.elementos;
    } else {
      try {
        elementos = ElementosPorOmision();
      } catch (const std::exception& e) {
        errores << prefijo << e.what() << '\n';
        return kSalidaFallo;
      }
    }
  } catch (const ErrorUso& e) {
    errores << prefijo << e.what() << "\n(" << kPrograma << " --ayuda muestra el uso)\n";
    return kSalidaUso;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << '\n';
    return kSalidaFallo;
  }

  try {
    peticion.nombre_elementos = TextoRuta(elementos);
    cabecera.elementos = peticion.nombre_elementos;
    cabecera.instante = TextoInstante(peticion.instante);
    std::optional<catalogo::BarraProgreso> barra;
    if (entorno.errores_en_terminal) {
      barra.emplace(errores);
      peticion.bytes_previstos = BytesPrevistos(elementos);
      peticion.progreso = [&barra](std::size_t hechos, std::size_t total) {
        barra->Avanzar(hechos, total);
      };
    }
    ResultadoCampo resultado;
    {
      ef::ArchivoElementos archivo(elementos);
      resultado = BuscarEnCampo(archivo, peticion);
    }
    barra.reset();
    const std::string texto = csv ? TextoCsv(resultado) : TextoTabla(resultado, cabecera);
    if (destino) {
      SistemaArchivos& sistema = entorno.sistema != nullptr ? *entorno.sistema : SistemaReal();
      EscrituraAtomica escritura(sistema, *destino);
      escritura.Escribir(texto);
      escritura.Confirmar();
    } else {
      salida << texto << std::flush;
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
