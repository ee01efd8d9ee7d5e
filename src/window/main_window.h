// SPDX-License-Identifier: GPL-3.0-or-later
// frmOrbelux, the program's one window: sixteen filter boxes in the frame "Filtros", the
// buttons "Generar Lista" and "Cerrar", and the emblem. A press of "Generar Lista" runs
// GenerarLista on the boxes; the window is what the run reads, writes and tells.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "listgen/generation_run.h"

class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace orbelux {

class frmOrbelux final : public QWidget, public VentanaGeneracion {
 public:
  // Shows one message of a run and returns when the user has dismissed it.
  using MostradorAvisos =
      std::function<void(QWidget* ventana, const QString& texto, const QString& titulo)>;

  // Runs read and write through `sistema`; tests pass one that watches them.
  explicit frmOrbelux(SistemaArchivos& sistema = SistemaReal());

  // Puts the start texts into the sixteen boxes. The constructor calls it, so the window
  // is never seen without them.
  void Form_Load();
  // One list generation; returns when it has ended.
  void cmdLista_Click();
  // Ends the program at once: nothing is asked and nothing is saved.
  void cmdCerrar_Click();

  std::string TextoCaja(Caja caja) const override;
  void PonerTextoCaja(Caja caja, std::string_view texto) override;
  void PonerPuntero(Puntero puntero) override;
  void MostrarAviso(std::string_view texto, std::string_view titulo) override;
  void EnfocarCaja(Caja caja) override;

  // Every message of the window goes through here; tests replace it so none blocks them.
  void PonerMostradorAvisos(MostradorAvisos mostrador);
  // The real one: a modal warning box, exclamation icon and one OK button.
  static void AvisoModal(QWidget* ventana, const QString& texto, const QString& titulo);

  QLineEdit* caja(Caja caja) const;

 protected:
  void keyPressEvent(QKeyEvent* evento) override;

 private:
  void CrearControles();
  void ElegirFuente();

  SistemaArchivos& sistema_;
  MostradorAvisos mostrador_ = &frmOrbelux::AvisoModal;
  bool en_marcha_ = false;

  QGroupBox* frmFiltros_ = nullptr;
  std::array<QLineEdit*, kNumCajas> cajas_{};
  QPushButton* cmdLista_ = nullptr;
  QPushButton* cmdCerrar_ = nullptr;
};

}  // namespace orbelux
