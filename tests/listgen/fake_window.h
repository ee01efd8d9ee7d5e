// SPDX-License-Identifier: GPL-3.0-or-later
// A window for tests: holds sixteen texts and records everything a run asks of it.
#pragma once

#include <string>
#include <vector>

#include "listgen/generation_run.h"

namespace orbelux::prueba {

class VentanaFalsa final : public VentanaGeneracion {
 public:
  VentanaFalsa() {
    const char* textos[] = {"23", "00", "00",  "17",  "00", "00", "-30", "00",
                            "00", "+80", "00", "00", "400", "1400", "15", "18"};
    for (std::size_t i = 0; i < kNumCajas; ++i) campos.textos[i] = textos[i];
  }

  std::string TextoCaja(Caja caja) const override { return campos[caja]; }
  void PonerTextoCaja(Caja caja, std::string_view texto) override {
    campos[caja] = std::string(texto);
    llamadas.push_back("texto " + std::string(NombreCaja(caja)) + "=" + std::string(texto));
  }
  void PonerPuntero(Puntero puntero) override {
    llamadas.push_back("puntero " + std::to_string(static_cast<int>(puntero)));
  }
  void MostrarAviso(std::string_view texto, std::string_view titulo) override {
    avisos.push_back(std::string(titulo) + "|" + std::string(texto));
    llamadas.push_back("aviso");
  }
  void EnfocarCaja(Caja caja) override {
    llamadas.push_back("foco " + std::string(NombreCaja(caja)));
  }

  void Poner(Caja caja, std::string texto) { campos[caja] = std::move(texto); }

  CamposFiltro campos;
  std::vector<std::string> llamadas;
  std::vector<std::string> avisos;
};

}  // namespace orbelux::prueba
