// SPDX-License-Identifier: GPL-3.0-or-later
// One table of hostile elements files through both readers: the catalogue maker's
// (LeerElementosMPC, then the catalogue's positions) and the field search's streaming one.
// Each row gives the one verdict both must reach. They differ only where their output
// demands it: in ast.dat a line's place is the asteroid's number, so the maker refuses a
// file with a bad line that the field search skips, counts and names.
#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_maker.h"
#include "ephemeris/element_source.h"
#include "ephemeris/mpc_reader.h"
#include "ephemeris/time_scales.h"
#include "field/field_search.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;

const std::string kNombre = "hostil.dat";

// Line k of the bundled file, without its line end.
std::string R(int k) {
  static const std::string texto = prueba::LeerArchivo(ORBELUX_EXAMPLES_DIR "/elementos_1-227.dat");
  std::size_t inicio = 0;
  for (int i = 1; i < k; ++i) inicio = texto.find('\n', inicio) + 1;
  return texto.substr(inicio, texto.find('\n', inicio) - inicio);
}

std::string Repetido(std::string_view trozo, std::uint64_t veces) {
  std::string s;
  s.reserve(trozo.size() * veces);
  for (std::uint64_t i = 0; i < veces; ++i) s += trozo;
  return s;
}

// Hands its bytes out so that every read ends right after a CR when the read holds one:
// a CR LF is then split between two reads, and so between two blocks of the readers.
class FuenteCortadaTrasCR final : public ef::FuenteBytes {
 public:
  explicit FuenteCortadaTrasCR(std::string_view datos) : datos_(datos) {}
  std::size_t Leer(char* destino, std::size_t maximo) override {
    std::size_t n = std::min(maximo, datos_.size());
    const std::size_t cr = datos_.substr(0, n).rfind('\r');
    if (cr != std::string_view::npos) n = cr + 1;
    std::memcpy(destino, datos_.data(), n);
    datos_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view datos_;
};

enum class Veredicto {
  Lee,              // both read every record
  Rechazan,         // both refuse the file with the same message
  CatalogoRechaza,  // the maker refuses it; the field search skips the line and names it
};

struct CasoHostil {
  const char* nombre;
  std::function<std::string()> texto;
  Veredicto veredicto;
  std::string mensaje;          // Rechazan: the whole message; CatalogoRechaza: the maker's
  std::string omitido;          // CatalogoRechaza: the name the field search gives the line
  std::uint64_t registros = 0;  // Lee: the records read
  bool cortar_tras_cr = false;
  const char* fecha = "2022-09-20";  // near the bundled elements' epoch
};

void PrintTo(const CasoHostil& caso, std::ostream* os) { *os << caso.nombre; }

std::unique_ptr<ef::FuenteBytes> Fuente(const CasoHostil& caso, const std::string& texto) {
  if (caso.cortar_tras_cr) return std::make_unique<FuenteCortadaTrasCR>(texto);
  return std::make_unique<ef::FuenteMemoria>(texto);
}

ef::Instante Instante(const char* fecha) {
  int anio = 0, mes = 0, dia = 0;
  std::sscanf(fecha, "%d-%d-%d", &anio, &mes, &dia);
  return ef::InstanteDesdeCalendario(anio, mes, dia, 0, 0, 0);
}

class EntradaHostil : public testing::TestWithParam<CasoHostil> {};

TEST_P(EntradaHostil, ElMismoVeredictoEnLosDosProgramas) {
  const CasoHostil& caso = GetParam();
  const std::string texto = caso.texto();
  const ef::Instante instante = Instante(caso.fecha);

  std::optional<std::string> fallo_catalogo;
  std::size_t asteroides = 0;
  try {
    const auto fuente = Fuente(caso, texto);
    ef::OpcionesLectura opciones;
    opciones.nombre = kNombre;
    const auto elementos = ef::LeerElementosMPC(*fuente, opciones);
    asteroides = elementos.size();
    catalogo::TextoCatalogo(elementos, instante);
  } catch (const Fallo& e) {
    fallo_catalogo = e.what();
  }

  std::optional<std::string> fallo_campo;
  ResultadoCampo campo;
  try {
    const auto fuente = Fuente(caso, texto);
    PeticionCampo p;
    p.instante = instante;
    p.radio = 0.1;
    p.nombre_elementos = kNombre;
    p.hilos = 3;  // a refusal must stop every thread, also those waiting for blocks
    campo = BuscarEnCampo(*fuente, p);
  } catch (const Fallo& e) {
    fallo_campo = e.what();
  }

  switch (caso.veredicto) {
    case Veredicto::Lee:
      EXPECT_FALSE(fallo_catalogo) << *fallo_catalogo;
      EXPECT_FALSE(fallo_campo) << *fallo_campo;
      EXPECT_EQ(asteroides, caso.registros);
      EXPECT_EQ(campo.registros, caso.registros);
      EXPECT_EQ(campo.omitidos, 0u);
      break;
    case Veredicto::Rechazan:
      EXPECT_EQ(fallo_catalogo.value_or("(lo lee)"), caso.mensaje);
      EXPECT_EQ(fallo_campo.value_or("(lo lee)"), caso.mensaje);
      break;
    case Veredicto::CatalogoRechaza:
      EXPECT_EQ(fallo_catalogo.value_or("(lo lee)"), caso.mensaje);
      ASSERT_FALSE(fallo_campo) << *fallo_campo;
      EXPECT_EQ(campo.omitidos, 1u);
      ASSERT_EQ(campo.primeros_omitidos.size(), 1u);
      EXPECT_EQ(campo.primeros_omitidos[0], caso.omitido);
      break;
  }
}

const std::string kLineasDeMas =
    "hostil.dat, línea 10000002: más de diez millones de líneas seguidas sin ningún registro "
    "(desde la línea 2): no parece un fichero de elementos";

INSTANTIATE_TEST_SUITE_P(
    Elementos, EntradaHostil,
    testing::Values(
        CasoHostil{"CRSolo", [] { return R(1) + "\r" + R(2) + "\r" + R(3); }, Veredicto::Lee, "",
                   "", 3},
        CasoHostil{"CRSoloAlFinalDeUnBloque",
                   [] { return R(1) + "\r" + R(2) + "\r" + R(3) + "\r"; }, Veredicto::Lee, "", "",
                   3, true},
        // Were a CR LF split between blocks two line ends, these would be twenty million.
        CasoHostil{"DiezMillonesCRLFPartidos",
                   [] { return R(1) + "\r\n" + Repetido("\r\n", 10'000'000) + R(2) + "\r\n"; },
                   Veredicto::Lee, "", "", 2, true},
        CasoHostil{"DiezMillonesYUnaCRLFPartidos",
                   [] { return R(1) + "\r\n" + Repetido("\r\n", 10'000'001) + R(2) + "\r\n"; },
                   Veredicto::Rechazan, kLineasDeMas, "", 0, true},
        CasoHostil{"DiezMillonesEnBlanco",
                   [] { return R(1) + "\n" + Repetido(" \n", 10'000'000) + R(2) + "\n"; },
                   Veredicto::Lee, "", "", 2},
        CasoHostil{"DiezMillonesYUnaEnBlanco",
                   [] { return R(1) + "\n" + Repetido("\n", 10'000'001) + R(2) + "\n"; },
                   Veredicto::Rechazan, kLineasDeMas, ""},
        CasoHostil{"CabeceraSinGuiones",
                   [] { return "Lista de asteroides\n\n" + R(1) + "\n" + R(2) + "\n"; },
                   Veredicto::CatalogoRechaza,
                   "hostil.dat, línea 1: la designación (columnas 1-7) no es un número de "
                   "asteroide ni una designación provisional: \u00abLista d\u00bb",
                   "Lista d"},
        CasoHostil{
            "CabeceraConGuiones",
            [] { return "Lista de asteroides\nNumero  H\n--------------\n" + R(1) + "\n" + R(2); },
            Veredicto::Lee, "", "", 2},
        CasoHostil{
            "RegistroCortado", [] { return R(1) + "\n" + R(2).substr(0, 80) + "\n" + R(3) + "\n"; },
            Veredicto::CatalogoRechaza,
            "hostil.dat, línea 2: el semieje mayor (columnas 93-103) está vacío: \u00ab\u00bb",
            "00002"},
        CasoHostil{"BytesNulos",
                   [] { return R(1) + "\n" + std::string(9, '\0') + "\n" + R(2) + "\n"; },
                   Veredicto::CatalogoRechaza,
                   "hostil.dat, línea 2: la designación (columnas 1-7) no es un número de "
                   "asteroide ni una designación provisional: \u00ab???????\u00bb",
                   std::string(7, '\0')},
        CasoHostil{"NoEsUnFicheroDeElementos",
                   [] { return std::string("# orbelux\n\nUn programa para observadores.\n"); },
                   Veredicto::Rechazan,
                   "hostil.dat: no es un fichero de elementos orbitales: ninguna de sus líneas es "
                   "un registro en el formato del MPC (el de MPCORB.DAT)",
                   ""},
        CasoHostil{"SoloCabecera", [] { return std::string("MPCORB\n-----\n\n"); },
                   Veredicto::Rechazan, "hostil.dat: no contiene ningún registro de elementos", ""},
        CasoHostil{"FechaLejana", [] { return R(1) + "\n" + R(2) + "\n"; }, Veredicto::Rechazan,
                   "la fecha y las épocas de los elementos abarcan 6977 años, demasiado para "
                   "integrar las órbitas (como mucho 200); --dos-cuerpos las calcula sin los "
                   "planetas",
                   "", 0, false, "9000-01-01"},
        // The span runs from the instant to the epochs, on whichever side they lie.
        CasoHostil{"FechaLejanaAntesDeLasEpocas", [] { return R(1) + "\n" + R(2) + "\n"; },
                   Veredicto::Rechazan,
                   "la fecha y las épocas de los elementos abarcan 523 años, demasiado para "
                   "integrar las órbitas (como mucho 200); --dos-cuerpos las calcula sin los "
                   "planetas",
                   "", 0, false, "1500-01-01"},
        CasoHostil{"FechaLejanaAntesDeLeerloTodo",
                   [] { return R(1) + "\n" + Repetido("\n", 3'000'000) + R(2) + "\n"; },
                   Veredicto::Rechazan,
                   "la fecha y las épocas de los elementos abarcan 6977 años, demasiado para "
                   "integrar las órbitas (como mucho 200); --dos-cuerpos las calcula sin los "
                   "planetas",
                   "", 0, false, "9000-01-01"}),
    [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::campo
