// SPDX-License-Identifier: GPL-3.0-or-later
// One press of "Generar Lista": from the sixteen filter texts and "ast.dat" to the
// report "Asteroides.txt", with every failure handled inside the run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "listgen/catalogue_scan.h"
#include "listgen/filter_settings.h"
#include "platform/file_system.h"

namespace orbelux {

enum class Puntero : int { Predeterminado = 0, RelojDeArena = 11 };

// What a run needs from the window. Texts are UTF-8.
class VentanaGeneracion {
 public:
  virtual ~VentanaGeneracion() = default;
  virtual std::string TextoCaja(Caja caja) const = 0;
  virtual void PonerTextoCaja(Caja caja, std::string_view texto) = 0;
  virtual void PonerPuntero(Puntero puntero) = 0;
  // A modal box with the exclamation icon and one OK button; returns when dismissed.
  virtual void MostrarAviso(std::string_view texto, std::string_view titulo) = 0;
  // Puts the focus in a box with its whole text selected.
  virtual void EnfocarCaja(Caja caja) = 0;
};

inline constexpr std::string_view kNombreCatalogo = "ast.dat";
inline constexpr std::string_view kNombreInforme = "Asteroides.txt";

inline constexpr std::string_view kTituloAviso = "¡Atención!";
inline constexpr std::string_view kAvisoListaLarga =
    "La lista de asteroides es demasiado larga. Por favor, prueba a restringir más los límites";
inline constexpr std::string_view kAvisoFueraDeRango =
    "Hay un valor fuera de rango en los filtros. Por favor, corrígelo.";
inline constexpr std::string_view kAvisoCatalogo = "No se puede leer el catálogo de asteroides:";
inline constexpr std::string_view kAvisoInforme = "No se puede escribir la lista de asteroides:";

// Lines 1 to 9 of the report, in Windows-1252, each ending in CR LF.
std::string CabeceraInforme(const CamposFiltro& campos, std::string_view dia_juliano,
                            std::int16_t cuenta);

// The run. Never throws: every outcome is a report or a message box, and the pointer is
// back to the default when it returns.
void GenerarLista(VentanaGeneracion& ventana, SistemaArchivos& sistema = SistemaReal());

}  // namespace orbelux
