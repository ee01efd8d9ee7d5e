// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/command_line.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "catalogue/catalogue_maker.h"
#include "console/dates.h"

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
    "Un registro de un asteroide numerado que no se puede leer o calcular hace que no se\n"
    "escriba nada, y el mensaje dice su línea: en ast.dat la línea de cada asteroide es su\n"
    "número, así que el catálogo no puede saltarse ninguno. Las cabeceras, las líneas en\n"
    "blanco y los objetos sin número se saltan.\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer el catálogo, 2 línea de órdenes errónea.\n";

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

// The options of this program alone, and what they become.
struct Catalogo {
  std::optional<std::string> salida;
  std::optional<std::string> hasta;

  PeticionCatalogo peticion;
  bool a_salida_estandar = false;

  void Comprobar() {
    if (hasta) peticion.hasta = Hasta(*hasta);
    a_salida_estandar = salida && *salida == "-";
    peticion.salida = salida ? fs::path(*salida) : fs::path("ast.dat");
  }
  void Hacer(const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion);
};

void Catalogo::Hacer(const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion) {
  peticion.instante = comun.instante;
  std::string vistos_desde;  // empty: from the centre of the Earth, said nowhere
  if (comun.sitio) {
    vistos_desde = " vistos desde " + comun.sitio->descripcion + ",";
    peticion.opciones.sitio = comun.sitio->sitio;
  }
  if (comun.dos_cuerpos) peticion.opciones.movimiento = Movimiento::DosCuerpos;
  peticion.elementos = comun.elementos;
  peticion.nombre_elementos = TextoRuta(comun.elementos);
  if (a_salida_estandar) peticion.flujo = &ejecucion.salida;
  std::optional<consola::BarraProgreso> barra = ejecucion.Barra();
  if (barra) {
    peticion.opciones.progreso = [&barra](Etapa etapa, std::size_t hechos, std::size_t total) {
      barra->Avanzar(NombreEtapa(etapa), hechos, total);
    };
  }
  const ResultadoCatalogo resultado = HacerCatalogo(peticion, ejecucion.entorno.Sistema());
  barra.reset();
  if (a_salida_estandar) consola::ComprobarSalida(ejecucion);
  consola::AvisarDeLaFecha(ejecucion, peticion.instante);
  // Integrated positions stay good far from the epoch: only two-body motion warns.
  if (comun.dos_cuerpos) {
    consola::AvisarDeEpocasLejanas(ejecucion, static_cast<std::uint64_t>(resultado.epocas_lejanas),
                                   static_cast<std::uint64_t>(resultado.asteroides),
                                   static_cast<int>(kDiasEpocaLejana), "asteroide");
  }
  // With the catalogue on standard output, the summary goes with the messages.
  std::ostream& resumen = a_salida_estandar ? ejecucion.errores : ejecucion.salida;
  resumen << "Catálogo de " << resultado.asteroides
          << (resultado.asteroides == 1 ? " asteroide" : " asteroides") << " para el "
          << consola::TextoFecha(peticion.instante) << " (día juliano " << resultado.dia_juliano
          << ")" << vistos_desde << " escrito en "
          << (a_salida_estandar ? std::string("la salida estándar") : TextoRuta(peticion.salida))
          << '\n';
}

}  // namespace

int ProgramaCatalogo(const std::vector<std::string>& argumentos, std::ostream& salida,
                     std::ostream& errores, const consola::Entorno& entorno) {
  Catalogo catalogo;
  const consola::Programa programa{
      kPrograma,
      kUso,
      "el catálogo",
      {{"--salida", &catalogo.salida}, {"--hasta", &catalogo.hasta}},
      {},
      [&catalogo] { catalogo.Comprobar(); },
      [&catalogo](const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion) {
        catalogo.Hacer(comun, ejecucion);
      }};
  return consola::EjecutarPrograma(programa, argumentos, salida, errores, entorno);
}

}  // namespace orbelux::catalogo
