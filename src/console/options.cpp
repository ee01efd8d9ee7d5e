// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/options.h"

#include <algorithm>
#include <clocale>
#include <utility>

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

namespace {

std::size_t Distancia(std::string_view a, std::string_view b) {
  std::vector<std::size_t> fila(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) fila[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = fila[0];
    fila[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t arriba = fila[j];
      fila[j] = std::min({fila[j] + 1, fila[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = arriba;
    }
  }
  return fila[b.size()];
}

// A number, or the piece of an angle or a time: what a value split by the shell looks like.
bool PareceNumero(std::string_view arg) {
  if (!arg.empty() && (arg[0] == '+' || arg[0] == '-')) arg.remove_prefix(1);
  if (!arg.empty() && arg[0] == '.') arg.remove_prefix(1);
  return !arg.empty() && arg[0] >= '0' && arg[0] <= '9';
}

// "; ¿quisiste decir --observatorio?" for a name one or two letters away from an option's,
// or the start of one; nothing when none is near.
std::string Sugerencia(std::string_view nombre, const std::vector<OpcionValor>& valores,
                       const std::vector<OpcionBandera>& banderas) {
  std::vector<std::string_view> nombres = {"--ayuda", "--help", "--version"};
  for (const OpcionValor& v : valores) nombres.push_back(v.nombre);
  for (const OpcionBandera& b : banderas) nombres.push_back(b.nombre);
  std::string_view mejor;
  std::size_t menor = 3;  // more than two edits away is another word
  for (const std::string_view candidato : nombres) {
    const std::size_t d =
        candidato.starts_with(nombre) && nombre.size() >= 4 ? 1 : Distancia(nombre, candidato);
    if (d < menor) {
      menor = d;
      mejor = candidato;
    }
  }
  return mejor.empty() ? "" : "; ¿quisiste decir " + std::string(mejor) + "?";
}

// The hint for an argument the shell split off the value before it: the value quoted whole.
std::string PistaComillas(const std::vector<std::string>& argumentos, std::size_t i,
                          std::string_view opcion) {
  std::string valor = argumentos[i - 1];
  for (std::size_t k = i; k < argumentos.size() && PareceNumero(argumentos[k]); ++k) {
    valor += ' ' + argumentos[k];
  }
  return "; si es parte de " + std::string(opcion) +
         ", escriba su valor entre comillas: " + std::string(opcion) + " \"" + valor + "\"";
}

}  // namespace

bool IgualSinMayusculas(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto minuscula = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (minuscula(a[i]) != minuscula(b[i])) return false;
  }
  return true;
}

PeticionesComunes LeerOpciones(const std::vector<std::string>& argumentos,
                               const std::vector<OpcionValor>& valores,
                               const std::vector<OpcionBandera>& banderas,
                               std::vector<std::string>* sueltos) {
  PeticionesComunes comunes;
  std::string_view con_valor_aparte;  // the option whose value was the argument before
  for (std::size_t i = 0; i < argumentos.size(); ++i) {
    const std::string_view arg = argumentos[i];
    const std::string_view anterior = std::exchange(con_valor_aparte, {});
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
        con_valor_aparte = v.nombre;
      } else if (arg.size() > v.nombre.size() && arg.substr(0, v.nombre.size()) == v.nombre &&
                 arg[v.nombre.size()] == '=') {
        valor = std::string(arg.substr(v.nombre.size() + 1));
      } else {
        continue;
      }
      if (*v.valor && v.repetidos != nullptr) {
        v.repetidos->push_back(std::move(*valor));
      } else if (*v.valor) {
        throw ErrorUso(std::string(v.nombre) + " aparece más de una vez");
      } else {
        *v.valor = std::move(valor);
      }
      reconocida = true;
    }
    if (reconocida) continue;
    if (sueltos != nullptr && (arg.empty() || arg[0] != '-')) {
      sueltos->push_back(std::string(arg));
      continue;
    }
    const std::string pista =
        !anterior.empty() && PareceNumero(arg) ? PistaComillas(argumentos, i, anterior) : "";
    if (!arg.empty() && arg[0] == '-' && pista.empty()) {
      const std::string_view nombre = arg.substr(0, arg.find('='));
      for (const OpcionBandera& b : banderas) {
        if (nombre == b.nombre) throw ErrorUso(std::string(nombre) + " no lleva valor");
      }
      throw ErrorUso("opción desconocida: " + std::string(arg) +
                     Sugerencia(nombre, valores, banderas));
    }
    throw ErrorUso("argumento inesperado: " + std::string(arg) + pista);
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
