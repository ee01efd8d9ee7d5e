// SPDX-License-Identifier: GPL-3.0-or-later
// Where the objects a user names become elements: by number ("433"), by name ("eros",
// whatever its case and accents), by designation ("2024 YR4", "2P", "C/2023 A3") or by its
// packed form ("K24Y04R", a comet's "0002P" or "CJ95O010"), all of them in one read of the
// elements files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "console/options.h"
#include "ephemeris/element_source.h"
#include "ephemeris/orbital_elements.h"
#include "platform/fallo.h"
#include "platform/file_system.h"

namespace orbelux::planificador {

// How a name is compared: lower case, accents taken off the Latin letters, runs of blanks
// as one blank, none at the ends.
std::string Plegado(std::string_view texto);

// How a request is looked for. A number or a packed designation names one record at
// most, so reading can stop once it is found; a name may name several.
enum class ClasePedido { Numero, Empaquetada, Nombre };
ClasePedido ClaseDePedido(std::string_view pedido);

// Whether a record whose readable designation is `legible` answers to the name asked for,
// already Plegado: the whole designation, the name after an asteroid's "(N) ", what stands
// before a comet's "/" and after it, and a designation without its name in brackets.
bool NombreCoincide(std::string_view legible, std::string_view plegado);

struct ObjetoHallado {
  std::string pedido;  // as the user wrote it
  std::string nombre;  // the record's readable designation
  efemerides::ElementosOrbitales elementos;
  std::string archivo;  // the file it came from, as the user should see it
  std::uint64_t linea = 0;
};

// A name that answers to several records: exit 2 with their list.
class ErrorObjetoAmbiguo : public consola::ErrorUso {
 public:
  using consola::ErrorUso::ErrorUso;
};

// A name no file holds: exit 1, naming it.
class ErrorObjetoDesconocido : public Fallo {
 public:
  using Fallo::Fallo;
};

// Reads the files in order, each once at most, and only while some object is still
// missing: an object two files hold comes from the first. A file is left as soon as every
// object still looked for in it is a number or a packed designation already found.
// `bytes_leidos` (when not null) adds up the bytes taken from the files; `aviso` hears, from
// the calling thread, each file's bytes read so far and its size on disk. Throws
// ErrorObjetoAmbiguo, ErrorObjetoDesconocido, ErrorElementos (the record of an object that
// does not convert, or a file without records) or the reading's errors.
std::vector<ObjetoHallado> BuscarObjetos(const std::vector<std::string>& pedidos,
                                         const std::vector<std::filesystem::path>& archivos,
                                         SistemaArchivos& sistema,
                                         std::uint64_t* bytes_leidos = nullptr,
                                         const efemerides::AvisoLectura& aviso = {});

}  // namespace orbelux::planificador
