// SPDX-License-Identifier: GPL-3.0-or-later
// Lines out of an open file, whatever ends them, with no line able to cost much memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace orbelux {

// Reads a file in blocks of whole lines, the one rule for line ends in every reader:
// CR LF, a lone LF and a lone CR each end a line (also when a block boundary falls between
// CR and LF); a last line without a line end is a line; a file that ends with a line end has
// no further line. In a block every line ends with exactly one '\n' and keeps only its
// first `ancho` bytes, so a huge line costs no memory.
class LectorBloques {
 public:
  static constexpr std::size_t kBloquePorOmision = std::size_t{1} << 20;

  // Blocks of about `bloque` bytes (at most bloque + ancho + 1).
  LectorBloques(ArchivoLectura& archivo, std::size_t ancho, std::size_t bloque = kBloquePorOmision);

  // Replaces `destino` with the next lines, at least one; false at the end of the file.
  bool Siguiente(std::string& destino);
  // Bytes taken from the file so far.
  std::uint64_t BytesLeidos() const { return bytes_; }
  // Lines in the blocks given so far.
  std::uint64_t Lineas() const { return lineas_; }

 private:
  bool Rellenar();

  ArchivoLectura& archivo_;
  std::size_t ancho_;
  std::size_t bloque_;
  std::vector<char> entrada_;
  std::size_t pos_ = 0;
  std::size_t fin_ = 0;
  bool agotado_ = false;
  std::uint64_t bytes_ = 0;
  std::uint64_t lineas_ = 0;
  std::size_t largo_linea_ = 0;  // bytes kept of the line under way
  bool linea_abierta_ = false;   // a line has begun and not ended
  bool cr_previo_ = false;       // the last line ended with a CR the data ran out after
};

// The same lines one at a time.
class LectorLineas {
 public:
  LectorLineas(ArchivoLectura& archivo, std::size_t ancho);

  // True when no further line can be read.
  bool AlFinal();
  // The next line without its line end, cut to `ancho` bytes; valid until the next call.
  std::string_view LeerLinea();

 private:
  LectorBloques bloques_;
  std::string bloque_;
  std::size_t pos_ = 0;
};

}  // namespace orbelux
