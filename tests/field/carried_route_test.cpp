// SPDX-License-Identifier: GPL-3.0-or-later
// The carried route against integrating every record from its own epoch: within
// kDiasSinAcarreo of the epoch nothing is carried and the listing is the same to the byte;
// further out the same objects in the same order, every value within one unit of its last
// printed digit, though the values themselves are not the same bits.
#include <cmath>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ephemeris/carried_elements.h"
#include "ephemeris/element_source.h"
#include "ephemeris/sites.h"
#include "ephemeris/time_scales.h"
#include "field/field_output.h"
#include "field/field_search.h"
#include "support/cells.h"
#include "support/temp_dir.h"

namespace orbelux::campo {
namespace {

namespace ef = orbelux::efemerides;
using prueba::Celdas;
using prueba::MismaCelda;
constexpr double kPi = 3.14159265358979323846;
constexpr double kGrado = kPi / 180;
// The bundled elements' epoch, 2022-08-09.0 TT.
constexpr double kEpoca = 2459800.5;

struct CasoRuta {
  const char* nombre;
  const char* archivo;  // in examples/
  double dias;          // from kEpoca, UTC
  const char* observatorio;
  bool igual;  // byte for byte
};

class RutaAcarreada : public ::testing::TestWithParam<CasoRuta> {};

TEST_P(RutaAcarreada, MismosObjetosYValoresHastaLaUltimaCifra) {
  const CasoRuta& caso = GetParam();
  const std::string texto =
      prueba::LeerArchivo(std::string(ORBELUX_EXAMPLES_DIR "/") + caso.archivo);
  PeticionCampo p;
  p.instante = ef::InstanteDesdeDiaJulianoUTC(kEpoca + caso.dias);
  if (*caso.observatorio != 0) p.sitio = *ef::BuscarObservatorio(caso.observatorio);
  // The whole sky from one point: every object, nearest first.
  p.ar_centro = 100 * kGrado;
  p.dec_centro = 20 * kGrado;
  p.radio = kPi;
  p.hilos = 2;
  const auto buscar = [&](bool sin_acarreo) {
    PeticionCampo q = p;
    q.sin_acarreo = sin_acarreo;
    ef::FuenteMemoria fuente(texto);
    q.nombre_elementos = caso.archivo;
    return BuscarEnCampo(fuente, q);
  };
  ResultadoCampo acarreado = buscar(false);
  ResultadoCampo directo = buscar(true);
  ASSERT_EQ(acarreado.omitidos, 0u);
  ASSERT_EQ(directo.objetos.size(), acarreado.objetos.size());
  ASSERT_GT(directo.objetos.size(), 10u);
  CabeceraCampo cabecera;
  cabecera.radio = 10800;
  if (caso.igual) {
    EXPECT_EQ(TextoCsv(acarreado), TextoCsv(directo));
    EXPECT_EQ(TextoTabla(acarreado, cabecera), TextoTabla(directo, cabecera));
    return;
  }
  // The carried route was taken: the bits differ.
  std::size_t otros_bits = 0;
  for (std::size_t i = 0; i < directo.objetos.size(); ++i) {
    if (acarreado.objetos[i].ar != directo.objetos[i].ar) ++otros_bits;
  }
  EXPECT_GT(otros_bits, directo.objetos.size() / 2);
  // Beyond the widest circle the program takes (600'), towards a quarter turn, the
  // gnomonic offsets grow without bound and keep no digit: they are not compared there.
  for (ResultadoCampo* r : {&acarreado, &directo}) {
    for (ObjetoCampo& o : r->objetos) {
      if (o.distancia > 600 * 60) o.este = o.norte = 0;
    }
  }
  const struct {
    const char* nombre;
    std::string aqui;
    std::string alli;
    char separador;
  } salidas[] = {{"csv", TextoCsv(acarreado), TextoCsv(directo), ','},
                 {"texto", TextoTabla(acarreado, cabecera), TextoTabla(directo, cabecera), ' '}};
  for (const auto& s : salidas) {
    SCOPED_TRACE(s.nombre);
    const auto aqui = Celdas(s.aqui, s.separador);
    const auto alli = Celdas(s.alli, s.separador);
    ASSERT_EQ(aqui.size(), alli.size());
    for (std::size_t i = 0; i < alli.size(); ++i) {
      ASSERT_EQ(aqui[i].size(), alli[i].size()) << "line " << i;
      for (std::size_t j = 0; j < alli[i].size(); ++j) {
        EXPECT_TRUE(MismaCelda(aqui[i][j], alli[i][j]))
            << "line " << i << ", cell " << j << ": " << aqui[i][j] << " carried, " << alli[i][j]
            << " from the epoch";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fechas, RutaAcarreada,
    ::testing::Values(CasoRuta{"CincuentaYNueveDias", "elementos_1-227.dat", 59, "J86", true},
                      CasoRuta{"CincuentaYNueveDiasAntes", "elementos_1-227.dat", -59, "", true},
                      CasoRuta{"SesentaYUnDias", "elementos_1-227.dat", 61, "J86", false},
                      CasoRuta{"CuatroAniosDespues", "elementos_1-227.dat", 1581.9, "J86", false},
                      CasoRuta{"TresAniosAntes", "elementos_1-227.dat", -1100.3, "", false},
                      // Comets are few and always computed exactly: never carried.
                      CasoRuta{"CometasAniosDespues", "CometEls_muestra.txt", 1600, "J86", true}),
    [](const ::testing::TestParamInfo<CasoRuta>& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orbelux::campo
