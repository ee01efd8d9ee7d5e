// SPDX-License-Identifier: GPL-3.0-or-later
// Where a line of an elements file is told apart and turned into elements: one interface
// per format (a line classifier and a record converter; today the MPC export format, the
// format of MPCORB.DAT), and the rules every reader of such a file follows alike: which
// lines at its head are a header, how many lines in a row may hold no record, and what a
// file without any record is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/orbital_elements.h"
#include "platform/fallo.h"

namespace orbelux::efemerides {

// An unusable elements file: a record that does not parse, a number missing from the
// range asked for. what() names the file, the line and the field, in Spanish.
class ErrorElementos : public Fallo {
 public:
  ErrorElementos(const std::string& mensaje, std::uint64_t linea) : Fallo(mensaje), linea_(linea) {}
  // 0 when the error belongs to no one line (a missing number).
  std::uint64_t linea() const { return linea_; }

 private:
  std::uint64_t linea_;
};

// The file holds no record at all: empty, only a header, or not an elements file.
class ErrorSinRegistros : public ErrorElementos {
 public:
  ErrorSinRegistros(const std::string& archivo, bool hubo_lineas_ajenas);
};

// More lines than this in a row that hold no record (blank, a header, or not a record at
// all) end the reading with an error: MPCORB.DAT itself never has more than a few dozen,
// and a few megabytes of gzip can hold ten gigabytes of blank lines.
inline constexpr std::uint64_t kMaximoLineasSinRegistro = 10'000'000;

enum class ClaseLinea {
  Registro,  // an object's elements, whether or not its fields convert
  EnBlanco,  // blanks and tabs only
  Guiones,   // dashes only: the end of a header, when no record came before it
  Cabecera,  // a line above that line of dashes
  Otra,      // anything else: not a line of this format
};

// A field quoted in a message: bytes a terminal would misread become '?'.
std::string Cita(std::string_view texto);

// "FICHERO, línea N: ", the start of every message about one line.
std::string Prefijo(const std::string& archivo, std::uint64_t numero_linea);

// A field of a record in fixed columns, counted from 1, as messages name it.
struct CampoFijo {
  const char* nombre;  // "la época"
  std::size_t desde;
  std::size_t hasta;
};

// "FICHERO, línea N: <the field> (columnas A-B) <explicacion>: «texto»".
std::string MalCampo(const std::string& archivo, std::uint64_t numero_linea, const CampoFijo& campo,
                     std::string_view texto, std::string_view explicacion);

// Most files give one epoch to every record: it is converted once.
struct CacheEpoca {
  std::string texto;
  double dia_juliano = 0;
  bool hay = false;
};

// One format of elements file. A new format is one more implementation.
class FormatoElementos {
 public:
  virtual ~FormatoElementos() = default;
  // The columns a record is read from: the rest of a longer line is dropped unread.
  virtual std::size_t AnchoUtil() const = 0;
  // The line by itself (Cabecera depends on the lines around it: see Preambulo). For a
  // record, `numero` gets its number, 0 for an object without one.
  virtual ClaseLinea Clasificar(std::string_view linea, std::int32_t& numero) const = 0;
  // The fields of a record into `el`, its magnitude law included; the message of the first
  // that does not convert, naming the file, the line and the columns.
  virtual std::optional<std::string> Convertir(std::string_view linea, std::int32_t numero,
                                               std::uint64_t numero_linea,
                                               const std::string& archivo, CacheEpoca& cache,
                                               ElementosOrbitales& el) const = 0;
  // The part of a line that names it in messages, as the file writes it.
  virtual std::string_view Designacion(std::string_view linea) const = 0;
  // How an object is named to the user: its readable designation, or Designacion trimmed.
  virtual std::string NombreLegible(std::string_view linea) const = 0;
};

// The MPC export format (mpc_record.cpp).
const FormatoElementos& FormatoMPC();

// The MPC's comet format, that of CometEls.txt (comet_record.cpp). Its records all have
// numero 0, FormaOrbita::Perihelio and LeyMagnitud::Total.
const FormatoElementos& FormatoCometas();

// How many lines from the start of a file DetectarFormato looks at.
inline constexpr std::size_t kLineasDeteccion = 200;

// The format of a file told by its first records' layout, never by its name: the one that
// finds more records among the first kLineasDeteccion lines of `inicio` (the first bytes of
// the file, inflated), the MPC export format when neither finds more.
const FormatoElementos& DetectarFormato(std::string_view inicio);

// The widest AnchoUtil of the formats: what a reader keeps of a line before it knows the
// format.
std::size_t AnchoUtilMaximo();

// Counts the lines in a row without a record and refuses the file once they pass
// kMaximoLineasSinRegistro. A reader that sorts blocks out of order counts each block
// apart and joins the counts in file order with Seguir.
class CorridaSinRegistro {
 public:
  explicit CorridaSinRegistro(const std::string& archivo) : archivo_(&archivo) {}
  void Linea(bool registro, std::uint64_t numero_linea);
  // The lines `despues` counted, which come right after the ones counted here.
  void Seguir(const CorridaSinRegistro& despues);

 private:
  void Comprobar() const;

  const std::string* archivo_;
  bool hubo_registro_ = false;
  std::uint64_t iniciales_ = 0;  // before the first record (all of them while there is none)
  std::uint64_t desde_inicial_ = 0;
  std::uint64_t corrida_ = 0;  // since the last record
  std::uint64_t desde_ = 0;    // the first line of that run
};

// A line that is not of the format, as the readers name it.
struct LineaAjena {
  std::uint64_t linea = 0;
  std::string designacion;  // Designacion(linea), untrimmed
};

// The head of a file, line by line in order until it is settled: everything up to a line
// of dashes is a header, provided that line comes before the first record. Without one,
// the lines before the first record that are not blank are foreign to the format, and
// each reader deals with them as with any other foreign line.
class Preambulo {
 public:
  // How many of the foreign lines are kept with their text.
  static constexpr std::size_t kAjenasGuardadas = 5;

  // True when the line belongs to the head. The head ends with the first record (not
  // taken: it is the first line of the body) or with a line of dashes (taken).
  bool Linea(ClaseLinea clase, std::string_view designacion, std::uint64_t numero_linea);
  bool Terminado() const { return terminado_; }
  // The head ended with a line of dashes: whatever was above it is a header.
  bool HuboCabecera() const { return terminado_ && !termino_en_registro_; }
  // The foreign lines of a head that had no header: counted, the first few kept.
  std::uint64_t Ajenas() const { return ajenas_; }
  const std::vector<LineaAjena>& PrimerasAjenas() const { return primeras_; }

 private:
  bool terminado_ = false;
  bool termino_en_registro_ = false;
  std::uint64_t ajenas_ = 0;
  std::vector<LineaAjena> primeras_;
};

}  // namespace orbelux::efemerides
