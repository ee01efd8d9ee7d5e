// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/command_line.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>

#include "catalogue/catalogue_maker.h"
#include "console/dates.h"
#include "console/default_elements.h"
#include "console/progress_bar.h"
#include "console/site_options.h"

namespace orbelux::catalogo {

namespace {

namespace fs = std::filesystem;
using consola::ErrorUso;

constexpr std::string_view kPrograma = "orbelux-catalogo";

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
    "  --fecha F      instante en UTC; una fecha sola es a las 00:00 UTC. Con una zona al\n"
    "                 final de la hora (Z, +01, +01:00, -0300) es la hora de esa zona:\n"
    "                 2026-12-07T22:30+01:00 es la hora de invierno en España peninsular\n"
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
    "  --salida F     catálogo que se escribe; por omisión ast.dat en el directorio actual.\n"
    "                 Con \"-\", a la salida estándar (y el resumen, a la de errores)\n"
    "  --hasta N      asteroides 1 a N (como mucho 32767); por omisión, hasta el último\n"
    "                 número M tal que 1 a M están todos en el fichero\n"
    "  --dos-cuerpos  movimiento de dos cuerpos (la elipse de Kepler de los elementos, sin\n"
    "                 planetas): más rápido, bueno cerca de la época de los elementos, con\n"
    "                 errores de minutos de arco a un año de ella\n"
    "  -h, --ayuda, --help  muestra esta ayuda\n"
    "  --version      muestra la versión\n"
    "\n"
    "Límites:\n"
    "  - como mucho 32767 asteroides, los que lee la generación de listas;\n"
    "  - la fecha y las épocas de los elementos abarcan como mucho 200 años (sin límite\n"
    "    con --dos-cuerpos);\n"
    "  - cada órbita se integra en como mucho 200000 pasos más 20000 por año entre su\n"
    "    época y la fecha; una órbita que los agota no se puede seguir y no se escribe nada;\n"
    "  - un fichero de elementos con más de 10 millones de líneas seguidas sin ningún\n"
    "    registro se rechaza.\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer el catálogo, 2 línea de órdenes errónea.\n";

struct Opciones {
  std::optional<std::string> fecha;
  std::optional<std::string> jd;
  std::optional<std::string> elementos;
  std::optional<std::string> salida;
  std::optional<std::string> hasta;
  std::optional<std::string> observatorio;
  std::optional<std::string> lugar;
  consola::PeticionesComunes comunes;
  bool dos_cuerpos = false;
};

Opciones LeerOpciones(const std::vector<std::string>& argumentos) {
  Opciones o;
  o.comunes = consola::LeerOpciones(argumentos,
                                    {{"--fecha", &o.fecha},
                                     {"--jd", &o.jd},
                                     {"--elementos", &o.elementos},
                                     {"--salida", &o.salida},
                                     {"--hasta", &o.hasta},
                                     {"--observatorio", &o.observatorio},
                                     {"--lugar", &o.lugar}},
                                    {{"--dos-cuerpos", &o.dos_cuerpos}});
  consola::ComprobarFechaOJD(o.fecha, o.jd);
  consola::ComprobarObservatorioOLugar(o.observatorio, o.lugar);
  return o;
}

std::int32_t Hasta(const std::string& texto) {
  std::int32_t valor = 0;
  if (texto.empty() || texto.size() > 9 ||
      texto.find_first_not_of("0123456789") != std::string::npos) {
    throw ErrorUso("--hasta " + texto + ": se espera un número entero positivo");
  }
  valor = std::stoi(texto);
  if (valor < 1) throw ErrorUso("--hasta " + texto + ": debe ser al menos 1");
  if (valor > kMaximoAsteroides) {
    throw ErrorUso("--hasta " + texto + ": como mucho 32767, porque la generación de listas " +
                   "no lee el catálogo más allá de la línea 32767");
  }
  return valor;
}

std::string_view NombreEtapa(Etapa etapa) {
  switch (etapa) {
    case Etapa::Lectura:
      return "leyendo elementos";
    case Etapa::Planetas:
      return "tabla de planetas";
    case Etapa::Posiciones:
      break;
  }
  return "posiciones";
}

}  // namespace

int ProgramaCatalogo(const std::vector<std::string>& argumentos, std::ostream& salida,
                     std::ostream& errores, const EntornoPrograma& entorno) {
  const std::string prefijo = std::string(kPrograma) + ": ";
  PeticionCatalogo peticion;
  bool a_salida_estandar = false;
  std::string vistas_desde;  // empty: from the centre of the Earth, said nowhere
  try {
    const Opciones opciones = LeerOpciones(argumentos);
    if (opciones.comunes.ayuda) {
      salida << kUso;
      return kSalidaBien;
    }
    if (opciones.comunes.version) {
      salida << consola::TextoVersion(kPrograma);
      return kSalidaBien;
    }
    if (const auto listado = consola::ListadoPedido(opciones.observatorio)) {
      salida << *listado;
      return kSalidaBien;
    }
    if (opciones.fecha) {
      peticion.instante = consola::InstanteDeFecha(*opciones.fecha);
    } else if (opciones.jd) {
      peticion.instante = consola::InstanteDeDiaJuliano(*opciones.jd);
    } else {
      peticion.instante = consola::InstanteActual(entorno.reloj());
    }
    if (auto elegido = consola::SitioDeOpciones(opciones.observatorio, opciones.lugar)) {
      vistas_desde = " vistas desde " + elegido->descripcion + ",";
      peticion.opciones.sitio = std::move(elegido->sitio);
    }
    if (opciones.hasta) peticion.hasta = Hasta(*opciones.hasta);
    if (opciones.dos_cuerpos) peticion.opciones.movimiento = Movimiento::DosCuerpos;
    a_salida_estandar = opciones.salida && *opciones.salida == "-";
    peticion.salida = opciones.salida ? fs::path(*opciones.salida) : fs::path("ast.dat");
    if (a_salida_estandar) peticion.flujo = &salida;
    if (opciones.elementos) {
      peticion.elementos = *opciones.elementos;
    } else {
      try {
        peticion.elementos = consola::ElementosPorOmision();
      } catch (const std::exception& e) {
        errores << prefijo << e.what() << '\n';
        return kSalidaFallo;
      }
    }
    peticion.nombre_elementos = TextoRuta(peticion.elementos);
  } catch (const ErrorUso& e) {
    consola::EscribirErrorUso(errores, kPrograma, e);
    return kSalidaUso;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << '\n';
    return kSalidaFallo;
  }

  try {
    SistemaArchivos& sistema = entorno.sistema != nullptr ? *entorno.sistema : SistemaReal();
    std::optional<consola::BarraProgreso> barra;
    if (entorno.errores_en_terminal) {
      barra.emplace(errores, std::string(kPrograma));
      peticion.opciones.progreso = [&barra](Etapa etapa, std::size_t hechos, std::size_t total) {
        barra->Avanzar(NombreEtapa(etapa), hechos, total);
      };
    }
    const ResultadoCatalogo resultado = HacerCatalogo(peticion, sistema);
    barra.reset();
    if (a_salida_estandar && !salida) {
      errores << prefijo << "no se puede escribir el catálogo en la salida estándar";
      if (errno != 0) errores << ": " << MotivoError(errno);
      errores << '\n';
      return kSalidaFallo;
    }
    if (peticion.instante.anio_dudoso) {
      errores << prefijo
              << "aviso: la fecha queda fuera de la tabla de segundos intercalares de ERFA, así "
                 "que TT - UTC puede no ser exacto; las posiciones apenas cambian por ello\n";
    }
    // Integrated positions stay good far from the epoch: only two-body motion warns.
    if (peticion.opciones.movimiento == Movimiento::DosCuerpos &&
        resultado.epocas_lejanas * 10 > resultado.asteroides) {
      errores << prefijo << "aviso: " << resultado.epocas_lejanas << " de " << resultado.asteroides
              << " asteroides tienen elementos de una época a más de 200 días de la fecha; sus "
                 "posiciones pueden desviarse minutos de arco (el movimiento de dos cuerpos no "
                 "tiene en cuenta los planetas)\n";
    }
    // With the catalogue on standard output, the summary goes with the messages.
    std::ostream& resumen = a_salida_estandar ? errores : salida;
    resumen << "Catálogo de " << resultado.asteroides
            << (resultado.asteroides == 1 ? " asteroide" : " asteroides") << " para el "
            << consola::TextoFecha(peticion.instante) << " (día juliano " << resultado.dia_juliano
            << ")" << vistas_desde << " escrito en "
            << (a_salida_estandar ? std::string("la salida estándar") : TextoRuta(peticion.salida))
            << '\n';
    return kSalidaBien;
  } catch (const FalloArchivo& e) {
    errores << prefijo
            << (e.operacion() == FalloArchivo::Operacion::Lectura
                    ? "no se pueden leer los elementos: "
                    : "no se puede escribir el catálogo: ")
            << e.what() << '\n';
    return kSalidaFallo;
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << "; no se ha escrito nada\n";
    return kSalidaFallo;
  }
}

}  // namespace orbelux::catalogo
