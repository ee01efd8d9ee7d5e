// SPDX-License-Identifier: GPL-3.0-or-later
#include "field/command_line.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "console/angles.h"
#include "console/dates.h"
#include "ephemeris/element_source.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/packed_fields.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "field/field_output.h"
#include "field/field_search.h"
#include "platform/atomic_write.h"
#include "platform/cache_store.h"

namespace orbelux::campo {

namespace {

namespace ef = orbelux::efemerides;

constexpr std::string_view kPrograma = "orbelux-campo";
constexpr double kPi = 3.14159265358979323846;

constexpr std::string_view kUso =
    "Uso: orbelux-campo --centro C [--radio R] [--mag-max V] [--fecha F | --jd J]\n"
    "                   [--observatorio CÓDIGO | --lugar LON,LAT[,ALT]]\n"
    "                   [--elementos FICHERO]... [--dos-cuerpos] [--formato texto|csv]\n"
    "                   [--salida FICHERO] [--sin-cache] [--cache-max TAMAÑO]\n"
    "\n"
    "Lista todos los objetos de uno o varios ficheros de elementos orbitales que caen\n"
    "dentro de un círculo del cielo en un instante: asteroides numerados con cualquier\n"
    "número y objetos con designación provisional del formato de exportación del MPC (el\n"
    "de MPCORB.DAT), y cometas del formato de CometEls.txt del MPC, comprimidos con gzip o\n"
    "no; el formato de cada fichero se reconoce por sus primeros registros. Las\n"
    "posiciones son astrométricas J2000, con el tiempo de luz, y se calculan como en\n"
    "orbelux-catalogo; los cometas, de cualquier excentricidad, sin fuerzas no\n"
    "gravitatorias (CometEls.txt no las trae), y sin los planetas los que no dan época\n"
    "de osculación. La magnitud V de un cometa es su magnitud total m1.\n"
    "\n"
    "  --centro C     centro del círculo: ascensión recta y declinación, entre comillas\n"
    "                 si llevan espacios: \"07h42m00s +26°40'00\\\"\", \"07:42:00 +26:40:00\",\n"
    "                 \"7 42 +26 40\" (A.R. en horas) o 115.5,26.67 (las dos en grados)\n"
    "  --radio R      radio en minutos de arco (por omisión 15; como mucho 600)\n"
    "  --mag-max V    sólo los objetos de magnitud V hasta ésta (los que no tienen H, y\n"
    "                 los cometas sin H o sin G, se listan siempre)\n"
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
    "  --elementos F  elementos orbitales; se puede repetir para leer varios ficheros\n"
    "                 (asteroides y cometas). Por omisión, los que haya en el\n"
    "                 directorio actual de MPCORB.DAT (o, si no está, MPCORB.DAT.gz) y\n"
    "                 CometEls.txt (el fichero de cometas del MPC)\n"
    "  --dos-cuerpos  movimiento de dos cuerpos, sin los planetas\n"
    "  --formato F    texto (por omisión) o csv\n"
    "  --salida F     fichero que se escribe; por omisión, o con \"-\", la salida estándar\n"
    "  --sin-cache    no lee ni guarda nada en la caché: lo calcula todo\n"
    "  --cache-max T  tamaño máximo de la caché: un número de bytes, o con k, M, G o T\n"
    "                 (500M, 2G); por omisión 1G. Al pasarlo se borra lo más antiguo\n"
    "  -h, --ayuda, --help\n"
    "                 muestra esta ayuda\n"
    "  --version      muestra la versión\n"
    "\n"
    "Un registro que no se puede leer o calcular no detiene la búsqueda: se salta y se\n"
    "cuenta entre los omitidos de la cabecera, y un aviso por la salida de errores dice\n"
    "cuántos son y nombra los primeros. Las cabeceras y las líneas en blanco se saltan; un\n"
    "fichero con más de 10 millones de líneas seguidas sin ningún registro se rechaza.\n"
    "\n"
    "Lejos de la época de los elementos (a más de 60 días), cada objeto se integra\n"
    "con los planetas hasta la fecha más cercana de una rejilla de 20 días, y desde ella\n"
    "se calcula. Esos elementos se guardan en la caché, para que otra búsqueda cerca de\n"
    "esa fecha no vuelva a integrarlos. Con los planetas, la primera búsqueda de cada\n"
    "noche (de 12:00 a 12:00 UTC) guarda también un índice del cielo de esa noche, y una\n"
    "copia de los registros de cada fichero, para que las demás de esa noche lean sólo\n"
    "los objetos cercanos a su círculo. La caché está en $XDG_CACHE_HOME/orbelux (o, sin\n"
    "esa variable, ~/.cache/orbelux; en Windows %LOCALAPPDATA%\\orbelux), que no pasa de\n"
    "--cache-max (1 GB por omisión) y se puede borrar cuando se quiera. El resultado es\n"
    "el mismo con la caché o sin ella; si no se puede usar, se trabaja sin ella.\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer la búsqueda, 2 línea de órdenes errónea.\n";

using consola::ErrorUso;

// The options of this program alone, and what they become.
struct Campo {
  std::optional<std::string> centro;
  std::optional<std::string> radio;
  std::optional<std::string> mag_max;
  std::optional<std::string> formato;
  std::optional<std::string> salida;
  std::optional<std::string> cache_max;
  bool sin_cache = false;

  PeticionCampo peticion;
  std::uint64_t tamano_cache = kTamanoMaximoPorOmision;
  CabeceraCampo cabecera;
  bool csv = false;

  void Comprobar();
  void Buscar(const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion);
};

std::optional<double> Numero(std::string_view texto) {
  if (texto.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  return ef::NumeroDecimal(texto);
}

std::string TextoInstante(const ef::Instante& instante) {
  char dia[64];
  std::snprintf(dia, sizeof dia, " (día juliano %.6f)", instante.utc.Total());
  return consola::TextoFecha(instante) + dia;
}

}  // namespace

void Campo::Comprobar() {
  if (!centro) throw ErrorUso("falta --centro, el centro del círculo");
  const consola::Centro c = consola::LeerCentro(*centro);
  double minutos = 15;
  if (radio) {
    const auto r = Numero(*radio);
    if (!r) throw ErrorUso("--radio " + *radio + ": se espera un número de minutos de arco");
    if (!(*r > 0) || *r > kRadioMaximo) {
      throw ErrorUso("--radio " + *radio +
                     ": debe ser mayor que 0 y como mucho 600 minutos de arco (10 grados)");
    }
    minutos = *r;
  }
  if (mag_max) {
    const auto v = Numero(*mag_max);
    if (!v) throw ErrorUso("--mag-max " + *mag_max + ": se espera una magnitud, como 19.5");
    peticion.magnitud_maxima = *v;
  }
  if (formato) {
    if (consola::IgualSinMayusculas(*formato, "csv")) {
      csv = true;
    } else if (!consola::IgualSinMayusculas(*formato, "texto")) {
      throw ErrorUso("--formato " + *formato + ": se espera texto o csv");
    }
  }
  if (cache_max) {
    try {
      tamano_cache = LeerTamano(*cache_max);
    } catch (const ErrorTamano& e) {
      throw ErrorUso("--cache-max " + *cache_max + ": " + e.what());
    }
  }
  peticion.ar_centro = c.ar * kPi / 180;
  peticion.dec_centro = c.dec * kPi / 180;
  peticion.radio = minutos / 60 * kPi / 180;
  cabecera.ar_centro = c.ar;
  cabecera.dec_centro = c.dec;
  cabecera.radio = minutos;
  cabecera.magnitud_maxima = peticion.magnitud_maxima;
}

void Campo::Buscar(const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion) {
  peticion.instante = comun.instante;
  peticion.perturbado = !comun.dos_cuerpos;
  cabecera.dos_cuerpos = comun.dos_cuerpos;
  cabecera.lugar = "centro de la Tierra";
  if (comun.sitio && !comun.sitio->sitio.Geocentro()) {
    cabecera.lugar = comun.sitio->descripcion;
    peticion.sitio = comun.sitio->sitio;
  }
  peticion.nombre_elementos = TextoRuta(comun.elementos);
  cabecera.elementos = peticion.nombre_elementos;
  cabecera.instante = TextoInstante(peticion.instante);
  // The reading's progress is the file's own, through the seam: bytes taken from it (the
  // compressed ones, for gzip) of its size on disk. The reader calls from its own thread.
  std::atomic<std::uint64_t> leidos{0};
  std::atomic<std::uint64_t> tamano{0};
  std::optional<consola::BarraProgreso> barra = ejecucion.Barra();
  ef::AvisoLectura aviso;
  if (barra) {
    aviso = [&leidos, &tamano](std::uint64_t hechos, std::uint64_t total) {
      leidos.store(hechos);
      tamano.store(total);
    };
    peticion.progreso = [&](std::string_view etapa, std::size_t hechos, std::size_t total) {
      if (etapa == "lectura") {
        barra->Avanzar(etapa, leidos.load(), tamano.load());
      } else {
        barra->Avanzar(etapa, hechos, total);
      }
    };
  }
  SistemaArchivos& sistema = ejecucion.entorno.Sistema();
  // Without a home folder there is no cache to speak of: the run simply works without.
  std::optional<AlmacenCache> cache;
  const std::filesystem::path carpeta_cache =
      sin_cache || !peticion.perturbado ? std::filesystem::path()
      : ejecucion.entorno.variable      ? CarpetaCache(ejecucion.entorno.variable)
                                        : CarpetaCache();
  if (!carpeta_cache.empty()) {
    cache.emplace(sistema, carpeta_cache, tamano_cache);
    peticion.cache = &*cache;
  }
  ResultadoCampo resultado;
  {
    // Every file is opened before any is read: one that cannot be stops the run at once.
    std::vector<std::unique_ptr<ef::ArchivoElementos>> archivos;
    std::vector<FuenteCampo> fuentes;
    for (const std::filesystem::path& ruta : comun.todos_los_elementos) {
      archivos.push_back(std::make_unique<ef::ArchivoElementos>(ruta, sistema, aviso));
      fuentes.push_back({archivos.back().get(), TextoRuta(ruta), std::nullopt});
      if (cache) {
        fuentes.back().clave.emplace();
        fuentes.back().clave->AnadirArchivo(sistema, ruta);
      }
    }
    resultado = BuscarEnCampo(fuentes, peticion);
  }
  barra.reset();
  const std::string texto = csv ? TextoCsv(resultado) : TextoTabla(resultado, cabecera);
  if (salida && *salida != "-") {
    EscrituraAtomica escritura(sistema, std::filesystem::path(*salida));
    escritura.Escribir(texto);
    escritura.Confirmar();
  } else {
    consola::EscribirEnSalida(ejecucion, texto);
  }
  for (const std::string& aviso : resultado.avisos_cache) ejecucion.Avisar(aviso);
  consola::AvisarDeLaFecha(ejecucion, peticion.instante);
  // Integrated positions stay good far from the epoch: only two-body motion warns, as
  // orbelux-catalogo does.
  if (comun.dos_cuerpos) {
    consola::AvisarDeEpocasLejanas(ejecucion, resultado.epocas_lejanas, resultado.registros,
                                   static_cast<int>(ef::kDiasEpocaLejana), "objeto");
  }
  if (resultado.omitidos != 0) {
    std::string nombres;
    for (const std::string& n : resultado.primeros_omitidos) {
      nombres += (nombres.empty() ? "" : ", ") + n;
    }
    ejecucion.Avisar(std::to_string(resultado.omitidos) +
                     (resultado.omitidos == 1 ? " registro omitido" : " registros omitidos") +
                     " porque no se pueden leer o calcular sus posiciones: " + nombres +
                     (resultado.omitidos > resultado.primeros_omitidos.size() ? "..." : ""));
  }
}

int ProgramaCampo(const std::vector<std::string>& argumentos, std::ostream& salida,
                  std::ostream& errores, const consola::Entorno& entorno) {
  Campo campo;
  const consola::Programa programa{
      kPrograma,
      kUso,
      "el resultado",
      {{"--centro", &campo.centro},
       {"--radio", &campo.radio},
       {"--mag-max", &campo.mag_max},
       {"--formato", &campo.formato},
       {"--salida", &campo.salida},
       {"--cache-max", &campo.cache_max}},
      {{"--sin-cache", &campo.sin_cache}},
      [&campo] { campo.Comprobar(); },
      [&campo](const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion) {
        campo.Buscar(comun, ejecucion);
      },
      true};
  return consola::EjecutarPrograma(programa, argumentos, salida, errores, entorno);
}

}  // namespace orbelux::campo
