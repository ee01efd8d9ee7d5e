// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/options.h"

#include <clocale>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/console_output.h"

#ifndef ORBELUX_VERSION
#define ORBELUX_VERSION "0"
#endif

namespace orbelux::consola {

PeticionesComunes LeerOpciones(const std::vector<std::string>& argumentos,
                               std::initializer_list<OpcionValor> valores,
                               std::initializer_list<OpcionBandera> banderas) {
  PeticionesComunes comunes;
  for (std::size_t i = 0; i < argumentos.size(); ++i) {
    const std::string_view arg = argumentos[i];
    if (arg == "-h" || arg == "--ayuda" || arg == "--help") {
      comunes.ayuda = true;
      continue;
    }
    if (arg == "--version") {
      comunes.version = true;
      continue;
    }
    bool reconocida = false;
    for (const OpcionBandera& b : banderas) {
      if (arg == b.nombre) {
        *b.activa = true;
        reconocida = true;
        break;
      }
    }
    for (const OpcionValor& v : valores) {
      if (reconocida) break;
      std::optional<std::string> valor;
      if (arg == v.nombre) {
        if (i + 1 >= argumentos.size()) {
          throw ErrorUso("falta el valor de " + std::string(v.nombre));
        }
        valor = argumentos[++i];
      } else if (arg.size() > v.nombre.size() && arg.substr(0, v.nombre.size()) == v.nombre &&
                 arg[v.nombre.size()] == '=') {
        valor = std::string(arg.substr(v.nombre.size() + 1));
      } else {
        continue;
      }
      if (*v.valor) throw ErrorUso(std::string(v.nombre) + " aparece más de una vez");
      *v.valor = std::move(valor);
      reconocida = true;
    }
    if (!reconocida) {
      if (!arg.empty() && arg[0] == '-') {
        throw ErrorUso("opción desconocida: " + std::string(arg));
      }
      throw ErrorUso("argumento inesperado: " + std::string(arg));
    }
  }
  return comunes;
}

void EscribirErrorUso(std::ostream& errores, std::string_view programa, const ErrorUso& error) {
  errores << programa << ": " << error.what() << "\n(" << programa << " --ayuda muestra el uso)\n";
}

std::string TextoVersion(std::string_view programa) {
  return std::string(programa) + ' ' + ORBELUX_VERSION + '\n';
}

bool PrepararConsola() {
#ifdef LC_MESSAGES
  std::setlocale(LC_MESSAGES, "");
#endif
  PrepararSalidaConsola();
#ifdef _WIN32
  return _isatty(2) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace orbelux::consola
