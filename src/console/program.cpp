// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/program.h"

#include <cerrno>
#include <exception>
#include <iostream>

#include "console/dates.h"
#include "console/default_elements.h"
#include "platform/wide_text.h"

namespace orbelux::consola {

namespace {

// The options every program that computes places takes, as read.
struct OpcionesComunes {
  std::optional<std::string> fecha;
  std::optional<std::string> jd;
  std::optional<std::string> observatorio;
  std::optional<std::string> lugar;
  std::optional<std::string> elementos;
  std::vector<std::string> mas_elementos;
  bool dos_cuerpos = false;
};

void Trabajar(const Programa& programa, const std::vector<std::string>& argumentos,
              const Ejecucion& ejecucion) {
  OpcionesComunes o;
  std::vector<OpcionValor> valores = {
      {"--fecha", &o.fecha},
      {"--jd", &o.jd},
      {"--observatorio", &o.observatorio},
      {"--lugar", &o.lugar},
      {"--elementos", &o.elementos, programa.varios_elementos ? &o.mas_elementos : nullptr}};
  valores.insert(valores.end(), programa.valores.begin(), programa.valores.end());
  std::vector<OpcionBandera> banderas = {{"--dos-cuerpos", &o.dos_cuerpos}};
  banderas.insert(banderas.end(), programa.banderas.begin(), programa.banderas.end());
  const PeticionesComunes peticiones =
      LeerOpciones(argumentos, valores, banderas, programa.sueltos);
  if (peticiones.ayuda) {
    ejecucion.salida << programa.uso;
    return;
  }
  if (peticiones.version) {
    ejecucion.salida << TextoVersion(programa.nombre);
    return;
  }
  if (const auto listado = ListadoPedido(o.observatorio)) {
    ejecucion.salida << *listado;
    return;
  }
  PeticionComun peticion;
  peticion.instante = InstanteDeOpciones(o.fecha, o.jd, ejecucion.entorno.reloj);
  peticion.sitio = SitioDeOpciones(o.observatorio, o.lugar);
  peticion.dos_cuerpos = o.dos_cuerpos;
  peticion.instante_dado = o.fecha || o.jd;
  if (o.fecha) peticion.desfase_minutos = LeerFecha(*o.fecha).desfase_minutos;
  if (programa.comprobar) programa.comprobar();
  if (programa.comprobar_con_comunes) programa.comprobar_con_comunes(peticion);
  if (programa.varios_elementos) {
    if (o.elementos) {
      peticion.todos_los_elementos.emplace_back(*o.elementos);
      for (const std::string& otro : o.mas_elementos) {
        peticion.todos_los_elementos.emplace_back(otro);
      }
    } else {
      peticion.todos_los_elementos = ElementosConCometasPorOmision(ejecucion.entorno.Sistema());
    }
    peticion.elementos = peticion.todos_los_elementos.front();
  } else {
    peticion.elementos = o.elementos ? std::filesystem::path(*o.elementos)
                                     : ElementosPorOmision(ejecucion.entorno.Sistema());
  }
  programa.trabajo(peticion, ejecucion);
}

}  // namespace

void Ejecucion::Avisar(std::string_view texto) const {
  errores << programa << ": aviso: " << texto << '\n';
}

std::optional<BarraProgreso> Ejecucion::Barra() const {
  if (!entorno.errores_en_terminal) return std::nullopt;
  return std::optional<BarraProgreso>(std::in_place, errores, std::string(programa));
}

int EjecutarPrograma(const Programa& programa, const std::vector<std::string>& argumentos,
                     std::ostream& salida, std::ostream& errores, const Entorno& entorno) {
  const Ejecucion ejecucion{programa.nombre, programa.objeto, salida, errores, entorno};
  const std::string prefijo = std::string(programa.nombre) + ": ";
  try {
    Trabajar(programa, argumentos, ejecucion);
    return kSalidaBien;
  } catch (const ErrorUso& e) {
    EscribirErrorUso(errores, programa.nombre, e);
    return kSalidaUso;
  } catch (const ErrorSalidaEstandar& e) {
    errores << prefijo << e.what() << '\n';
  } catch (const FalloArchivo& e) {
    errores << prefijo
            << (e.operacion() == FalloArchivo::Operacion::Lectura
                    ? std::string("no se pueden leer los elementos: ")
                    : "no se puede escribir " + std::string(ejecucion.objeto) + ": ")
            << e.what() << '\n';
  } catch (const std::exception& e) {
    errores << prefijo << e.what() << "; no se ha escrito nada\n";
  }
  return kSalidaFallo;
}

namespace {

int EnEsteProceso(const std::vector<std::string>& argumentos, FuncionPrograma programa) {
  Entorno entorno;
  entorno.errores_en_terminal = PrepararConsola();
  return programa(argumentos, std::cout, std::cerr, entorno);
}

}  // namespace

int Principal(int argc, char** argv, FuncionPrograma programa) {
  return EnEsteProceso(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), programa);
}

#ifdef _WIN32
int Principal(int argc, wchar_t** argv, FuncionPrograma programa) {
  return EnEsteProceso(ArgumentosUtf8(argc, argv), programa);
}
#endif

void EscribirEnSalida(const Ejecucion& ejecucion, std::string_view texto) {
  errno = 0;
  ejecucion.salida << texto << std::flush;
  ComprobarSalida(ejecucion);
}

void ComprobarSalida(const Ejecucion& ejecucion) {
  if (ejecucion.salida) return;
  std::string mensaje =
      "no se puede escribir " + std::string(ejecucion.objeto) + " en la salida estándar";
  if (errno != 0) mensaje += ": " + MotivoError(errno);
  throw ErrorSalidaEstandar(mensaje);
}

void AvisarDeLaFecha(const Ejecucion& ejecucion, const efemerides::Instante& instante) {
  if (!instante.anio_dudoso) return;
  ejecucion.Avisar(
      "la fecha queda fuera de la tabla de segundos intercalares de ERFA, así que TT - UTC "
      "puede no ser exacto; las posiciones apenas cambian por ello");
}

void AvisarDeEpocasLejanas(const Ejecucion& ejecucion, std::uint64_t lejanos, std::uint64_t total,
                           int dias, std::string_view objeto) {
  if (lejanos * 10 <= total) return;
  const std::string a_mas =
      " elementos de una época a más de " + std::to_string(dias) + " días de la fecha; ";
  const std::string motivo =
      " desviarse minutos de arco (el movimiento de dos cuerpos no tiene en cuenta los planetas)";
  if (total == 1) {
    ejecucion.Avisar("el " + std::string(objeto) + " tiene" + a_mas + "su posición puede" + motivo);
  } else if (lejanos == 1) {
    ejecucion.Avisar("1 de " + std::to_string(total) + ' ' + std::string(objeto) + "s tiene" +
                     a_mas + "su posición puede" + motivo);
  } else {
    ejecucion.Avisar(std::to_string(lejanos) + " de " + std::to_string(total) + ' ' +
                     std::string(objeto) + "s tienen" + a_mas + "sus posiciones pueden" + motivo);
  }
}

}  // namespace orbelux::consola
