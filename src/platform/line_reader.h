// SPDX-License-Identifier: GPL-3.0-or-later
// Lines out of an open file, whatever ends them, with no line able to cost much memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace orbelux {

// Reads a file line by line. CR LF, a lone LF and a lone CR each end a line; a last line
// without a line end is a line; a file that ends with a line end has no further line.
// Only the first `ancho` bytes of each line are kept, so a huge line costs no memory.
class LectorLineas {
 public:
  LectorLineas(ArchivoLectura& archivo, std::size_t ancho);

  // True when no further line can be read.
  bool AlFinal();
  // The next line without its line end, cut to `ancho` bytes; valid until the next call.
  std::string_view LeerLinea();

 private:
  bool Rellenar();

  ArchivoLectura& archivo_;
  std::size_t ancho_;
  std::vector<char> bloque_;
  std::size_t pos_ = 0;
  std::size_t fin_ = 0;
  bool agotado_ = false;
  std::string linea_;
};

}  // namespace orbelux
