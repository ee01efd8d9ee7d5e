// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/command_line.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "console/dates.h"
#include "console/progress_bar.h"
#include "ephemeris/ephemeris_context.h"
#include "ephemeris/packed_fields.h"
#include "planner/ephemeris_table.h"
#include "planner/object_lookup.h"
#include "planner/table_output.h"
#include "platform/atomic_write.h"

namespace orbelux::planificador {

namespace {

namespace ef = orbelux::efemerides;
using consola::ErrorUso;

constexpr std::string_view kPrograma = "orbelux-efemerides";

constexpr std::string_view kUso =
    "Uso: orbelux-efemerides OBJETO... [--fecha F | --jd J | --inicio F --fin F --paso P]\n"
    "                        [--observatorio CÓDIGO | --lugar LON,LAT[,ALT]]\n"
    "                        [--elementos FICHERO]... [--dos-cuerpos]\n"
    "                        [--visible [--altura-min G] [--sol-max G]]\n"
    "                        [--formato texto|csv] [--salida FICHERO]\n"
    "\n"
    "Calcula las efemérides de uno o varios objetos con los elementos orbitales del MPC\n"
    "(asteroides en el formato de MPCORB.DAT, cometas en el de CometEls.txt, comprimidos\n"
    "con gzip o no): la posición astrométrica J2000 con el tiempo de luz, como\n"
    "orbelux-campo, y desde un lugar el acimut y la altura observados, la masa de aire, la\n"
    "altura del Sol y la distancia a la Luna y su fase.\n"
    "\n"
    "  OBJETO         número (433), nombre sin distinguir mayúsculas ni acentos (eros),\n"
    "                 designación provisional entre comillas (\"2024 YR4\") o empaquetada\n"
    "                 (K24Y04R), o cometa (2P, 2P/Encke, \"C/2023 A3\", 0002P). Un nombre\n"
    "                 que designa varios objetos los lista\n"
    "  --fecha F      un solo instante, en UTC o con su zona (Z, +01, +01:00, -0300)\n"
    "  --jd J         un solo instante como día juliano en UTC. Sin fechas: ahora\n"
    "  --inicio F, --fin F\n"
    "                 primer y último instante de la tabla (como --fecha); la última\n"
    "                 fila es el último paso que no pasa de --fin\n"
    "  --paso P       de 1 minuto a 100 días: 10m (minutos), 1h (horas), 1d (días).\n"
    "                 Como mucho 100000 filas entre todos los objetos\n"
    "  --observatorio C\n"
    "                 visto desde ese observatorio, por su código del MPC (Z84 Calar\n"
    "                 Alto...); --observatorio buscar:PALABRA lista los códigos\n"
    "  --lugar LON,LAT[,ALT]\n"
    "                 visto desde ese lugar (grados WGS84, altitud en metros). Sin\n"
    "                 ninguno de los dos: desde el centro de la Tierra, sin horizonte\n"
    "  --elementos F  elementos orbitales; puede repetirse, y un objeto que está en\n"
    "                 varios se toma del primero. Por omisión MPCORB.DAT (o, si no está,\n"
    "                 MPCORB.DAT.gz) y CometEls.txt, los que haya en el directorio actual\n"
    "  --dos-cuerpos  movimiento de dos cuerpos, sin los planetas\n"
    "  --visible      sólo las filas con el objeto a --altura-min grados o más (por\n"
    "                 omisión 20) y el Sol a --sol-max grados o menos (por omisión -12);\n"
    "                 necesita --observatorio o --lugar\n"
    "  --formato F    texto (por omisión) o csv\n"
    "  --salida F     fichero que se escribe; por omisión, o con \"-\", la salida estándar\n"
    "  -h, --ayuda, --help\n"
    "                 muestra esta ayuda\n"
    "  --version      muestra la versión\n"
    "\n"
    "Las horas se escriben en la zona de --fecha o --inicio (UTC si no llevan zona); el\n"
    "CSV da además el día juliano en UTC. El acimut se cuenta desde el norte hacia el\n"
    "este; la altura y la del Sol llevan la refracción de una atmósfera estándar.\n"
    "\n"
    "Códigos de salida: 0 bien, 1 no se pudo hacer la tabla (un objeto que no está en los\n"
    "elementos, entre otros), 2 línea de órdenes errónea.\n";

std::optional<double> Numero(std::string_view texto) {
  if (texto.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  return ef::NumeroDecimal(texto);
}

std::string Grados(double valor) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%g", valor);
  return texto;
}

struct Efemerides {
  std::vector<std::string> objetos;
  std::optional<std::string> inicio;
  std::optional<std::string> fin;
  std::optional<std::string> paso;
  std::optional<std::string> altura_min;
  std::optional<std::string> sol_max;
  std::optional<std::string> formato;
  std::optional<std::string> salida;
  bool visible = false;

  bool csv = false;
  double altura_minima = 20;
  double sol_maximo = -12;
  std::optional<Intervalo> intervalo;
  int desfase_minutos = 0;

  void Comprobar();
  void ComprobarConComunes(const consola::PeticionComun& comun);
  void Calcular(const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion);
};

void Efemerides::Comprobar() {
  if (objetos.empty()) throw ErrorUso("falta el objeto: un número, un nombre o una designación");
  if (formato) {
    if (consola::IgualSinMayusculas(*formato, "csv")) {
      csv = true;
    } else if (!consola::IgualSinMayusculas(*formato, "texto")) {
      throw ErrorUso("--formato " + *formato + ": se espera texto o csv");
    }
  }
  const auto limite = [](const std::optional<std::string>& valor, std::string_view opcion,
                         double& destino) {
    if (!valor) return;
    const auto v = Numero(*valor);
    if (!v || *v < -90 || *v > 90) {
      throw ErrorUso(std::string(opcion) + " " + *valor +
                     ": se espera una altura en grados, de -90 a 90");
    }
    destino = *v;
  };
  limite(altura_min, "--altura-min", altura_minima);
  limite(sol_max, "--sol-max", sol_maximo);
  if ((altura_min || sol_max) && !visible) {
    throw ErrorUso(std::string(altura_min ? "--altura-min" : "--sol-max") +
                   " sólo tiene sentido con --visible");
  }
  if (!inicio && !fin && !paso) return;
  if (!inicio) throw ErrorUso("falta --inicio, el primer instante de la tabla");
  if (!fin) throw ErrorUso("falta --fin, el último instante de la tabla");
  if (!paso) throw ErrorUso("falta --paso, el intervalo entre filas (10m, 1h, 1d)");
  Intervalo i;
  i.inicio = consola::InstanteDeFecha(*inicio);
  const ef::Instante final = consola::InstanteDeFecha(*fin);
  i.paso = LeerPaso(*paso);
  if (final.utc.Total() < i.inicio.utc.Total()) {
    throw ErrorUso("--fin " + *fin + " es anterior a --inicio " + *inicio);
  }
  i.filas = FilasEntre(i.inicio.utc.Total(), final.utc.Total(), i.paso);
  desfase_minutos = consola::LeerFecha(*inicio).desfase_minutos;
  intervalo = i;
}

void Efemerides::ComprobarConComunes(const consola::PeticionComun& comun) {
  if (intervalo && comun.instante_dado) {
    throw ErrorUso("--fecha y --jd dan un solo instante: no van con --inicio, --fin y --paso");
  }
  if (visible && (!comun.sitio || comun.sitio->sitio.Geocentro())) {
    throw ErrorUso("--visible necesita un lugar: --observatorio o --lugar");
  }
  if (!intervalo) {
    Intervalo i;
    i.inicio = comun.instante;
    intervalo = i;
    desfase_minutos = comun.desfase_minutos;
  }
  const std::size_t filas = intervalo->filas;
  const std::size_t pedidas = filas * objetos.size();
  if (pedidas / objetos.size() != filas || pedidas > kMaximoFilas) {
    throw ErrorUso(
        "se piden " + std::to_string(pedidas) + " filas (" + std::to_string(filas) +
        (objetos.size() == 1 ? " instantes de un objeto"
                             : " instantes de " + std::to_string(objetos.size()) + " objetos") +
        "); como mucho " + std::to_string(kMaximoFilas) + ": alargue --paso o acorte el intervalo");
  }
}

void Efemerides::Calcular(const consola::PeticionComun& comun,
                          const consola::Ejecucion& ejecucion) {
  SistemaArchivos& sistema = ejecucion.entorno.Sistema();
  // A name may send the reading through the whole of a large MPCORB: a bar shows how far.
  std::optional<consola::BarraProgreso> barra = ejecucion.Barra();
  ef::AvisoLectura aviso;
  if (barra) {
    aviso = [&barra](std::uint64_t hechos, std::uint64_t total) {
      barra->Avanzar("lectura", static_cast<std::size_t>(hechos), static_cast<std::size_t>(total));
    };
  }
  const std::vector<ObjetoHallado> hallados =
      BuscarObjetos(objetos, comun.todos_los_elementos, sistema, nullptr, aviso);
  barra.reset();
  std::vector<ef::ElementosOrbitales> elementos;
  for (const ObjetoHallado& h : hallados) elementos.push_back(h.elementos);

  PeticionTabla peticion;
  peticion.intervalo = *intervalo;
  peticion.movimiento = comun.dos_cuerpos ? ef::Movimiento::DosCuerpos : ef::Movimiento::Perturbado;
  CabeceraEfemerides cabecera;
  cabecera.lugar = "centro de la Tierra";
  if (comun.sitio && !comun.sitio->sitio.Geocentro()) {
    peticion.sitio = comun.sitio->sitio;
    cabecera.lugar = comun.sitio->descripcion;
    cabecera.con_sitio = true;
  }
  cabecera.dos_cuerpos = comun.dos_cuerpos;
  cabecera.desfase_minutos = desfase_minutos;
  if (visible) {
    cabecera.visible = "altura ≥ " + Grados(altura_minima) + "°, Sol ≤ " + Grados(sol_maximo) + "°";
  }
  const std::vector<std::vector<FilaEfemerides>> filas = CalcularTablas(elementos, peticion);

  std::vector<TablaObjeto> tablas;
  std::uint64_t sin_lugar = 0;
  for (std::size_t k = 0; k < hallados.size(); ++k) {
    TablaObjeto t;
    t.objeto = &hallados[k];
    t.calculadas = filas[k].size();
    for (const FilaEfemerides& f : filas[k]) {
      if (!f.lugar) ++sin_lugar;
      if (!visible || Visible(f, altura_minima, sol_maximo)) t.filas.push_back(&f);
    }
    tablas.push_back(std::move(t));
  }
  const std::string texto = csv ? TextoCsv(tablas, desfase_minutos) : TextoTabla(tablas, cabecera);
  if (salida && *salida != "-") {
    EscrituraAtomica escritura(sistema, std::filesystem::path(*salida));
    escritura.Escribir(texto);
    escritura.Confirmar();
  } else {
    consola::EscribirEnSalida(ejecucion, texto);
  }
  consola::AvisarDeLaFecha(ejecucion, intervalo->inicio);
  if (comun.dos_cuerpos) {
    std::uint64_t lejanos = 0;
    for (const auto& el : elementos) {
      if (ef::EpocaLejana(intervalo->inicio, el.epoca)) ++lejanos;
    }
    consola::AvisarDeEpocasLejanas(ejecucion, lejanos, elementos.size(),
                                   static_cast<int>(ef::kDiasEpocaLejana), "objeto");
  }
  if (sin_lugar != 0) {
    ejecucion.Avisar(std::to_string(sin_lugar) +
                     (sin_lugar == 1 ? " fila sin posición" : " filas sin posición") +
                     ": la órbita no se puede calcular en esos instantes");
  }
}

}  // namespace

double LeerPaso(std::string_view texto) {
  const std::string_view unidades = "mhd";
  const std::string valor(texto);
  if (texto.empty() ||
      unidades.find(static_cast<char>(std::tolower(static_cast<unsigned char>(texto.back())))) ==
          std::string_view::npos) {
    throw ErrorUso("--paso " + valor +
                   ": se espera un número de minutos, horas o días: 10m, 1h, 1d");
  }
  const char unidad = static_cast<char>(std::tolower(static_cast<unsigned char>(texto.back())));
  const auto n = Numero(texto.substr(0, texto.size() - 1));
  if (!n) {
    throw ErrorUso("--paso " + valor +
                   ": se espera un número de minutos, horas o días: 10m, 1h, 1d");
  }
  const double dias = unidad == 'm' ? *n / 1440 : unidad == 'h' ? *n / 24 : *n;
  // A thousandth of a second of tolerance: "1m" is a minute whatever its rounding in days.
  if (!(dias >= kPasoMinimo * (1 - 1e-9)) || dias > kPasoMaximo * (1 + 1e-12)) {
    throw ErrorUso("--paso " + valor + ": debe ser de 1 minuto a 100 días");
  }
  return dias;
}

int ProgramaEfemerides(const std::vector<std::string>& argumentos, std::ostream& salida,
                       std::ostream& errores, const consola::Entorno& entorno) {
  Efemerides e;
  consola::Programa programa{
      kPrograma,
      kUso,
      "la tabla",
      {{"--inicio", &e.inicio},
       {"--fin", &e.fin},
       {"--paso", &e.paso},
       {"--altura-min", &e.altura_min},
       {"--sol-max", &e.sol_max},
       {"--formato", &e.formato},
       {"--salida", &e.salida}},
      {{"--visible", &e.visible}},
      [&e] { e.Comprobar(); },
      [&e](const consola::PeticionComun& comun, const consola::Ejecucion& ejecucion) {
        e.Calcular(comun, ejecucion);
      }};
  programa.sueltos = &e.objetos;
  programa.varios_elementos = true;
  programa.comprobar_con_comunes = [&e](const consola::PeticionComun& comun) {
    e.ComprobarConComunes(comun);
  };
  return consola::EjecutarPrograma(programa, argumentos, salida, errores, entorno);
}

}  // namespace orbelux::planificador
