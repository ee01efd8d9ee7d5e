// SPDX-License-Identifier: GPL-3.0-or-later
// A synthetic elements file in the MPC export format (the format of MPCORB.DAT), for the
// field search's tests and benchmark: every designation form, the header and the blank
// line between numbered and provisional objects, and the populations of the real file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>

namespace orbelux::sintetico {

// The epoch of most records: 2026-11-21.0 TT, packed "K26BL".
inline constexpr double kEpocaPrincipal = 2461365.5;

struct OpcionesSintetico {
  std::size_t registros = 1500000;
  std::uint32_t semilla = 1;
  // Real records (whole lines, asteroids 1 to 227) written before the synthetic ones; may
  // be empty.
  std::string reales;
  // Near-Earth objects placed within 0.05 AU of the Earth at kEpocaPrincipal + this many
  // days: the first numbered synthetic records.
  double dias_acercamiento = 30;
  std::size_t acercamientos = 4;
};

// The packed designation of a number (columns 1-5): "00001", "A0000", "~0000".
std::string NumeroEmpaquetado(std::int32_t numero);

// Writes the whole file. 60% of the records are numbered 228, 229, ... (so that every
// packed form appears), the rest have provisional designations, packed or of the surveys.
void EscribirMpcSintetico(std::ostream& salida, const OpcionesSintetico& opciones);

struct ArchivosSinteticos {
  std::filesystem::path plano;
  std::filesystem::path comprimido;  // the same bytes through gzip -c
};

// The benchmarks' input in `carpeta`: the default synthetic file after the real records of
// the file `reales`, plain and gzip-compressed, made on the first call and kept for later
// runs (writing them takes longer than most measurements). Throws std::runtime_error when
// they cannot be made.
ArchivosSinteticos PrepararArchivosSinteticos(const std::filesystem::path& carpeta,
                                              const std::filesystem::path& reales);

}  // namespace orbelux::sintetico
