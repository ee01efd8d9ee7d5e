// SPDX-License-Identifier: GPL-3.0-or-later
#include "listgen/generation_run.h"

#include <filesystem>
#include <string>

#include "listgen/windows1252.h"
#include "platform/atomic_write.h"

namespace orbelux {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kAvisoInesperado = "No se ha podido generar la lista de asteroides.";

// The hourglass for as long as the run lasts, the default pointer however it ends.
class PunteroOcupado {
 public:
  explicit PunteroOcupado(VentanaGeneracion& ventana) : ventana_(ventana) {
    ventana_.PonerPuntero(Puntero::RelojDeArena);
  }
  ~PunteroOcupado() { ventana_.PonerPuntero(Puntero::Predeterminado); }
  PunteroOcupado(const PunteroOcupado&) = delete;
  PunteroOcupado& operator=(const PunteroOcupado&) = delete;

 private:
  VentanaGeneracion& ventana_;
};

CamposFiltro LeerCampos(const VentanaGeneracion& ventana) {
  CamposFiltro campos;
  for (const Caja caja : kCajas) campos[caja] = ventana.TextoCaja(caja);
  return campos;
}

std::string AvisoArchivo(const FalloArchivo& fallo) {
  std::string aviso(fallo.operacion() == FalloArchivo::Operacion::Lectura ? kAvisoCatalogo
                                                                          : kAvisoInforme);
  aviso += '\n';
  aviso += TextoRuta(fallo.ruta());
  return aviso;
}

}  // namespace

std::string CabeceraInforme(const CamposFiltro& campos, std::string_view dia_juliano,
                            std::int16_t cuenta) {
  std::string cabecera;
  const auto poner = [&](auto... piezas) { (cabecera.append(piezas), ...); };
  const auto caja = [&](Caja c) { return Utf8AWindows1252(campos[c]); };
  const std::string_view fin = kFinLinea;
  // "º" is the byte 0xBA in Windows-1252.
  const std::string_view grado = "\xBA ";
  // A number that is not negative is written with a blank in the place of its sign.
  const std::string texto_cuenta = (cuenta >= 0 ? " " : "") + std::to_string(cuenta);

  poner("Dia juliano: \t ", dia_juliano, fin);
  poner("A.R. inicial: \t ", caja(Caja::txtARh_min), "h ", caja(Caja::txtARm_min), "m ",
        caja(Caja::txtARs_min), "s ", fin);
  poner("A.R. final: \t ", caja(Caja::txtARh_max), "h ", caja(Caja::txtARm_max), "m ",
        caja(Caja::txtARs_max), "s ", fin);
  poner("DEC. min.: \t", caja(Caja::txtDECg_min), grado, caja(Caja::txtDECm_min), "' ",
        caja(Caja::txtDECs_min), "'' ", fin);
  poner("DEC. max.: \t", caja(Caja::txtDECg_max), grado, caja(Caja::txtDECm_max), "' ",
        caja(Caja::txtDECs_max), "'' ", fin);
  poner("Mag. min.: \t ", caja(Caja::txtMag_min), "\tMag. max.:\t", caja(Caja::txtMag_max), fin);
  poner("Num. min.: \t ", caja(Caja::txtNumero_min), "\tNum. max.: \t",
        caja(Caja::txtNumero_max), fin);
  poner("N\xBA asteroides seleccionados en esta lista: \t", texto_cuenta, fin);
  poner(fin);
  return cabecera;
}

void GenerarLista(VentanaGeneracion& ventana, SistemaArchivos& sistema) {
  const PunteroOcupado puntero(ventana);
  try {
    CamposFiltro campos = LeerCampos(ventana);
    for (const Caja caja : NormalizarCampos(campos)) ventana.PonerTextoCaja(caja, campos[caja]);
    const LimitesFiltro limites = CalcularLimites(campos);
    ListaOrdenada lista = CrearListaOrdenada(limites);
    const fs::path directorio = DirectorioActual();

    const DiaJuliano dia_juliano =
        LeerCatalogo(directorio / kNombreCatalogo, limites, lista, sistema);

    // The header shows the boxes as they are now, read from the window again.
    const std::string cabecera = CabeceraInforme(LeerCampos(ventana), dia_juliano, lista.cuenta());
    EscrituraAtomica informe(sistema, directorio / kNombreInforme);
    informe.Escribir(cabecera);
    lista.Recorrer([&](std::string_view linea) { informe.Escribir(linea); });
    informe.Escribir(kFinLinea);
    informe.Confirmar();
  } catch (const DesbordamientoFiltro& fallo) {
    ventana.MostrarAviso(kAvisoFueraDeRango, kTituloAviso);
    ventana.EnfocarCaja(fallo.caja());
  } catch (const FalloArchivo& fallo) {
    ventana.MostrarAviso(AvisoArchivo(fallo), kTituloAviso);
  } catch (const Fallo& fallo) {
    ventana.MostrarAviso(fallo.what() == kDesbordamiento ? kAvisoListaLarga : kAvisoInesperado,
                         kTituloAviso);
  } catch (const std::exception&) {
    ventana.MostrarAviso(kAvisoInesperado, kTituloAviso);
  }
}

}  // namespace orbelux
