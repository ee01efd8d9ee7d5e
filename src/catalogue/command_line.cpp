#include "catalogue/command_line.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>

#include "catalogue/catalogue_maker.h"
#include "catalogue/progress_bar.h"
#include "console/site_options.h"
#include "ephemeris/element_source.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/packed_fields.h"
#include "ephemeris/time_scales.h"

#ifndef ORBELUX_VERSION
#define ORBELUX_VERSION "0"
#endif

namespace orbelux::catalogo {

namespace {

namespace ef = orbelux::efemerides;
namespace fs = std::filesystem;

constexpr std::string_view kPrograma = "orbelux-catalogo";

// 1000-01-01 and 10000-01-01 at 0h UTC: four-digit years.
constexpr double kPrimerDiaJuliano = 2086307.5;
constexpr double kUltimoDiaJuliano = 5373484.5;

constexpr std::string_view kUso =
    "Uso: orbelux-catalogo [--fecha AAAA-MM-DD[THH:MM[:SS]]] [--jd J]\n"
    "                      [--observatorio CÓDIGO | --lugar LON,LAT[,ALT]]\n"
    "                      [--elementos FICHERO] [--salida FICHERO] [--hasta N] [--dos-cuerpos]\n"
    "\n"
    "Escribe el catálogo de posiciones de los asteroides numerados (\"ast.dat\") para un\n"
    "instante, a partir de sus elementos orbitales en el formato de exportación del MPC\n"
    "(el de MPCORB.DAT), comprimidos con gzip o no.\n"
    "\n"
    "Cada órbita se integra desde la época de sus elementos hasta el instante con la\n"
    "atracción del Sol, los planetas, la Tierra y la Luna, de modo que elementos de hace\n"
    "meses o años siguen dando posiciones buenas al segundo de arco.\n"
    "\n"
    "  --fecha F      instante; una fecha sola es a las 00:00 UTC, y una hora sin zona\n"
    "                 está en UTC. Para la hora local, añada la diferencia con UTC:\n"
    "                 2026-12-07T22:30+01:00 (hora de invierno en España peninsular),\n"
    "                 2026-12-07T22:30-03, 2026-12-07T22:30+0100 o 2026-12-07T21:30Z\n"
    "  --jd J         instante como día juliano en UTC (no junto con --fecha)\n"
    "                 Sin ninguno de los dos: ahora, al minuto.\n"
    "  --observatorio C\n"
    "                 posiciones vistas desde ese observatorio, por su código del MPC\n"
    "                 (950 La Palma, J86 Sierra Nevada, Z84 Calar Alto...); 500 es el\n"
    "                 centro de la Tierra. --observatorio buscar:PALABRA lista los\n"
    "                 códigos cuyo nombre la contiene (sin distinguir mayúsculas ni acentos)\n"
    "  --lugar LON,LAT[,ALT]\n"
    "                 posiciones vistas desde ese lugar: longitud y latitud en grados\n"
    "                 (WGS84; negativas al oeste y al sur; decimales o g:m:s) y altitud en\n"
    "                 metros (0 si no se da), como --lugar -3.3842,37.064,2896\n"
    "                 Sin --observatorio ni --lugar, las posiciones son desde el centro de\n"
    "                 la Tierra, y pueden diferir unos segundos de arco de lo que ve un\n"
    "                 telescopio (minutos de arco para un asteroide que pasa cerca).\n"
    "  --elementos F  elementos orbitales; por omisión MPCORB.DAT o, si no está,\n"
    "                 MPCORB.DAT.gz, en el directorio actual\n"
    "  --salida F     catálogo que se escribe; por omisión ast.dat en el directorio actual\n"
    "  --hasta N      asteroides 1 a N (como mucho 32767); por omisión, hasta el último\n"
    "                 número M tal que 1 a M están todos en el fichero\n"
    "  --dos-cuerpos  movimiento de dos cuerpos (la elipse de Kepler de los elementos, sin\n"
    "                 planetas): más rápido, bueno cerca de la época de los elementos, con\n"
    "                 errores de minutos de arco a un año de ella\n"
    "  -h, --ayuda    muestra esta ayuda\n"
    "  --version      muestra la versión\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer el catálogo, 2 línea de órdenes errónea.\n";

class ErrorUso : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Opciones {
  std::optional<std::string> fecha;
  std::optional<std::string> jd;
  std::optional<std::string> elementos;
  std::optional<std::string> salida;
  std::optional<std::string> hasta;
  std::optional<std::string> observatorio;
  std::optional<std::string> lugar;
  bool ayuda = false;
  bool version = false;
  bool dos_cuerpos = false;
};

Opciones LeerOpciones(const std::vector<std::string>& argumentos) {
  Opciones opciones;
  struct Valor {
    std::string_view nombre;
    std::optional<std::string> Opciones::*campo;
  };
  const Valor valores[] = {{"--fecha", &Opciones::fecha},
                           {"--jd", &Opciones::jd},
                           {"--elementos", &Opciones::elementos},
                           {"--salida", &Opciones::salida},
                           {"--hasta", &Opciones::hasta},
                           {"--observatorio", &Opciones::observatorio},
                           {"--lugar", &Opciones::lugar}};
  for (std::size_t i = 0; i < argumentos.size(); ++i) {
    const std::string_view arg = argumentos[i];
    if (arg == "-h" || arg == "--ayuda") {
      opciones.ayuda = true;
      continue;
    }
    if (arg == "--version") {
      opciones.version = true;
      continue;
    }
    if (arg == "--dos-cuerpos") {
      opciones.dos_cuerpos = true;
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
      if (opciones.*(v.campo)) {
        throw ErrorUso(std::string(v.nombre) + " aparece más de una vez");
      }
      opciones.*(v.campo) = std::move(valor);
      reconocida = true;
      break;
    }
    if (!reconocida) {
      if (!arg.empty() && arg[0] == '-') {
        throw ErrorUso("opción desconocida: " + std::string(arg));
      }
      throw ErrorUso("argumento inesperado: " + std::string(arg));
    }
  }
  if (opciones.fecha && opciones.jd) {
    throw ErrorUso("--fecha y --jd no pueden ir juntas: las dos dan el instante");
  }
  if (opciones.observatorio && opciones.lugar) {
    throw ErrorUso("--observatorio y --lugar no pueden ir juntas: las dos dan el lugar");
  }
  return opciones;
}

bool Digitos(std::string_view texto, std::size_t desde, std::size_t cuantos, int& valor) {
  if (texto.size() < desde + cuantos) return false;
  valor = 0;
  for (std::size_t i = desde; i < desde + cuantos; ++i) {
    if (texto[i] < '0' || texto[i] > '9') return false;
    valor = valor * 10 + (texto[i] - '0');
  }
  return true;
}

// The minutes east of UTC of a zone: "Z", "+01:00", "-03", "+0100". nullopt if malformed.
std::optional<int> MinutosZona(std::string_view zona) {
  if (zona == "Z") return 0;
  int horas = 0;
  int minutos = 0;
  if (zona.size() < 3 || (zona[0] != '+' && zona[0] != '-') || !Digitos(zona, 1, 2, horas)) {
    return std::nullopt;
  }
  if (zona.size() == 6) {
    if (zona[3] != ':' || !Digitos(zona, 4, 2, minutos)) return std::nullopt;
  } else if (zona.size() == 5) {
    if (!Digitos(zona, 3, 2, minutos)) return std::nullopt;
  } else if (zona.size() != 3) {
    return std::nullopt;
  }
  // The zones of the world run from -12:00 to +14:00.
  if (horas > 14 || minutos > 59 || horas * 60 + minutos > 14 * 60) return std::nullopt;
  const int total = horas * 60 + minutos;
  return zona[0] == '-' ? -total : total;
}

ef::Instante InstanteDeFecha(const std::string& fecha) {
  const std::string error = "--fecha " + fecha + ": se espera AAAA-MM-DD, AAAA-MM-DDTHH:MM o " +
                            "AAAA-MM-DDTHH:MM:SS (UTC), o la hora seguida de su zona: Z, " +
                            "+01:00, -03 o +0100";
  std::string_view f = fecha;
  int anio = 0;
  int mes = 0;
  int dia = 0;
  int hora = 0;
  int minuto = 0;
  double segundo = 0;
  int zona = 0;  // minutes east of UTC
  if (!Digitos(f, 0, 4, anio) || f.size() < 10 || f[4] != '-' || !Digitos(f, 5, 2, mes) ||
      f[7] != '-' || !Digitos(f, 8, 2, dia)) {
    throw ErrorUso(error);
  }
  if (f.size() > 10) {
    // A zone can only follow a time, past its minutes.
    const std::size_t inicio_zona = f.find_first_of("Z+-", 16);
    if (inicio_zona != std::string_view::npos) {
      const std::optional<int> minutos = MinutosZona(f.substr(inicio_zona));
      if (!minutos) throw ErrorUso(error);
      zona = *minutos;
      f = f.substr(0, inicio_zona);
    }
    if ((f[10] != 'T' && f[10] != ' ') || f.size() < 16 || !Digitos(f, 11, 2, hora) ||
        f[13] != ':' || !Digitos(f, 14, 2, minuto)) {
      throw ErrorUso(error);
    }
    if (f.size() > 16) {
      int entero = 0;
      if (f[16] != ':' || !Digitos(f, 17, 2, entero)) throw ErrorUso(error);
      const std::string_view resto = f.substr(19);
      if (!resto.empty()) {
        // Fractions of a second are allowed: ".5".
        const std::optional<double> fraccion = ef::NumeroDecimal(std::string("0") += resto);
        if (resto[0] != '.' || resto.size() < 2 || !fraccion) throw ErrorUso(error);
        segundo = *fraccion;
      }
      segundo += entero;
    }
  }
  const std::string no_existe = "--fecha " + fecha + ": esa fecha u hora no existe";
  if (zona != 0) {
    // Local time to UTC before any other check of the date, so that the year's range and the
    // leap seconds apply to the UTC date.
    try {
      const ef::FechaCalendario utc = ef::HoraLocalAUTC({anio, mes, dia, hora, minuto, 0}, zona);
      anio = utc.anio;
      mes = utc.mes;
      dia = utc.dia;
      hora = utc.hora;
      minuto = utc.minuto;
    } catch (const ef::ErrorInstante&) {
      throw ErrorUso(no_existe);
    }
  }
  if (anio < 1000 || anio > 9999) {
    throw ErrorUso("--fecha " + fecha + ": el año debe estar entre 1000 y 9999");
  }
  try {
    return ef::InstanteDesdeCalendario(anio, mes, dia, hora, minuto, segundo);
  } catch (const ef::ErrorInstante&) {
    throw ErrorUso(no_existe);
  }
}

ef::Instante InstanteDeDiaJuliano(const std::string& texto) {
  const std::optional<double> jd = ef::NumeroDecimal(texto);
  if (!jd || texto.find_first_not_of(" \t") == std::string::npos) {
    throw ErrorUso("--jd " + texto + ": se espera un día juliano, como 2459842.5");
  }
  if (!(*jd >= kPrimerDiaJuliano && *jd < kUltimoDiaJuliano)) {
    throw ErrorUso("--jd " + texto + ": debe caer entre los años 1000 y 9999 (días julianos " +
                   "2086307.5 a 5373484.5)");
  }
  try {
    return ef::InstanteDesdeDiaJulianoUTC(*jd);
  } catch (const ef::ErrorInstante& e) {
    throw ErrorUso("--jd " + texto + ": " + e.what());
  }
}

ef::Instante InstanteActual(std::time_t ahora) {
  ahora -= ahora % 60;
  std::tm utc{};
  if (gmtime_r(&ahora, &utc) == nullptr) throw ErrorUso("no se puede leer la hora del sistema");
  return ef::InstanteDesdeCalendario(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                     utc.tm_hour, utc.tm_min, 0);
}

std::int32_t Hasta(const std::string& texto) {
  int valor = 0;
  if (texto.empty() || texto.size() > 9 || !Digitos(texto, 0, texto.size(), valor)) {
    throw ErrorUso("--hasta " + texto + ": se espera un número entero positivo");
  }
  if (valor < 1) throw ErrorUso("--hasta " + texto + ": debe ser al menos 1");
  if (valor > kMaximoAsteroides) {
    throw ErrorUso("--hasta " + texto + ": como mucho 32767, porque la generación de listas " +
                   "no lee el catálogo más allá de la línea 32767");
  }
  return valor;
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

std::string TextoFecha(const ef::Instante& instante) {
  const ef::FechaCalendario f = ef::CalendarioUTC(instante);
  char texto[64];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02d %02d:%02d:%02d UTC", f.anio, f.mes, f.dia,
                f.hora, f.minuto, f.segundo);
  return texto;
}

}  // namespace

int ProgramaCatalogo(const std::vector<std::string>& argumentos, std::ostream& salida,
                     std::ostream& errores, const EntornoPrograma& entorno) {
  const std::string prefijo = std::string(kPrograma) + ": ";
  PeticionCatalogo peticion;
  std::string vistas_desde;  // empty: from the centre of the Earth, said nowhere
  try {
    const Opciones opciones = LeerOpciones(argumentos);
    if (opciones.ayuda) {
      salida << kUso;
      return kSalidaBien;
    }
    if (opciones.version) {
      salida << kPrograma << ' ' << ORBELUX_VERSION << '\n';
      return kSalidaBien;
    }
    if (opciones.observatorio && opciones.observatorio->starts_with(consola::kPrefijoBusqueda)) {
      salida << consola::ListadoObservatorios(
          std::string_view(*opciones.observatorio).substr(consola::kPrefijoBusqueda.size()));
      return kSalidaBien;
    }
    if (opciones.fecha) {
      peticion.instante = InstanteDeFecha(*opciones.fecha);
    } else if (opciones.jd) {
      peticion.instante = InstanteDeDiaJuliano(*opciones.jd);
    } else {
      peticion.instante = InstanteActual(entorno.reloj());
    }
    if (opciones.observatorio || opciones.lugar) {
      consola::SitioElegido elegido = opciones.observatorio
                                          ? consola::SitioDeObservatorio(*opciones.observatorio)
                                          : consola::SitioDeLugar(*opciones.lugar);
      vistas_desde = " vistas desde " + elegido.descripcion + ",";
      peticion.opciones.sitio = std::move(elegido.sitio);
    }
    if (opciones.hasta) peticion.hasta = Hasta(*opciones.hasta);
    if (opciones.dos_cuerpos) peticion.opciones.movimiento = Movimiento::DosCuerpos;
    peticion.salida = opciones.salida ? fs::path(*opciones.salida) : fs::path("ast.dat");
    if (opciones.elementos) {
      peticion.elementos = *opciones.elementos;
    } else {
      try {
        peticion.elementos = ElementosPorOmision();
      } catch (const std::exception& e) {
        errores << prefijo << e.what() << '\n';
        return kSalidaFallo;
      }
    }
    peticion.nombre_elementos = TextoRuta(peticion.elementos);
  } catch (const ErrorUso& e) {
    errores << prefijo << e.what() << "\n(" << kPrograma << " --ayuda muestra el uso)\n";
    return kSalidaUso;
  } catch (const consola::ErrorOpcionSitio& e) {
    errores << prefijo << e.what() << "\n(" << kPrograma << " --ayuda muestra el uso)\n";
    return kSalidaUso;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << '\n';
    return kSalidaFallo;
  }

  try {
    SistemaArchivos& sistema = entorno.sistema != nullptr ? *entorno.sistema : SistemaReal();
    std::optional<BarraProgreso> barra;
    if (entorno.errores_en_terminal) {
      barra.emplace(errores);
      peticion.opciones.progreso = [&barra](std::size_t hechos, std::size_t total) {
        barra->Avanzar(hechos, total);
      };
    }
    const ResultadoCatalogo resultado = HacerCatalogo(peticion, sistema);
    barra.reset();
    if (peticion.instante.anio_dudoso) {
      errores << prefijo
              << "aviso: la fecha queda fuera de la tabla de segundos intercalares de ERFA, así "
                 "que TT - UTC puede no ser exacto; las posiciones apenas cambian por ello\n";
    }
    // Integrated positions stay good far from the epoch: only two-body motion warns.
    if (peticion.opciones.movimiento == Movimiento::DosCuerpos &&
        resultado.epocas_lejanas * 10 > resultado.asteroides) {
      errores << prefijo << "aviso: " << resultado.epocas_lejanas << " de "
              << resultado.asteroides
              << " asteroides tienen elementos de una época a más de 200 días de la fecha; sus "
                 "posiciones pueden desviarse minutos de arco (el movimiento de dos cuerpos no "
                 "tiene en cuenta los planetas)\n";
    }
    salida << "Catálogo de " << resultado.asteroides << " asteroides para el "
           << TextoFecha(peticion.instante) << " (día juliano " << resultado.dia_juliano << ")"
           << vistas_desde << " escrito en " << TextoRuta(peticion.salida) << '\n';
    return kSalidaBien;
  } catch (const FalloArchivo& e) {
    errores << prefijo << "no se puede escribir el catálogo: " << e.what() << '\n';
    return kSalidaFallo;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << "; no se ha escrito nada\n";
    return kSalidaFallo;
  }
}

}  // namespace orbelux::catalogo
