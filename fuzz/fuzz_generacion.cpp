// SPDX-License-Identifier: GPL-3.0-or-later
// A whole run on arbitrary bytes: sixteen box texts and a catalogue from the same input,
// and now and then a disk that fails at some step. Whatever they hold, the run must end
// in exactly one of its outcomes, with the pointer restored and an older report either
// replaced whole or left as it was. The files live in memory, so that the target runs
// thousands of whole runs a second.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "listgen/generation_run.h"
#include "memory_fs.h"

namespace {

using namespace orbelux;
namespace fs = std::filesystem;

const std::string kInformeAnterior = "an older report\r\n";

[[noreturn]] void Romper(const std::string& que) {
  std::fprintf(stderr, "invariant broken: %s\n", que.c_str());
  std::abort();
}

class VentanaComprobada final : public VentanaGeneracion {
 public:
  std::string TextoCaja(Caja caja) const override { return campos[caja]; }
  void PonerTextoCaja(Caja caja, std::string_view texto) override {
    if (!campos[caja].empty() || texto != "00") Romper("a box other than an empty one changed");
    campos[caja] = std::string(texto);
  }
  void PonerPuntero(Puntero puntero) override { punteros.push_back(static_cast<int>(puntero)); }
  void MostrarAviso(std::string_view texto, std::string_view titulo) override {
    if (titulo != kTituloAviso) Romper("message title");
    avisos.emplace_back(texto);
  }
  void EnfocarCaja(Caja caja) override { focos.push_back(caja); }

  CamposFiltro campos;
  std::vector<int> punteros;
  std::vector<std::string> avisos;
  std::vector<Caja> focos;
};

bool Empieza(std::string_view texto, std::string_view prefijo) {
  return texto.substr(0, prefijo.size()) == prefijo;
}

void ComprobarInforme(const std::string& informe, const CamposFiltro& campos) {
  // The header: eight lines, then an empty one; the count is on the eighth.
  std::size_t pos = 0;
  std::string octava;
  for (int linea = 1; linea <= 9; ++linea) {
    const std::size_t fin = informe.find("\r\n", pos);
    if (fin == std::string::npos) Romper("header cut short");
    if (linea == 8) octava = informe.substr(pos, fin - pos);
    if (linea == 9 && fin != pos) Romper("line 9 is not empty");
    pos = fin + 2;
  }
  const std::string_view etiqueta = "N\xBA asteroides seleccionados en esta lista: \t ";
  if (!Empieza(octava, etiqueta)) Romper("line 8");
  const long cuenta = std::strtol(octava.c_str() + etiqueta.size(), nullptr, 10);
  if (std::to_string(cuenta) != octava.substr(etiqueta.size())) Romper("count text");

  const std::string lista = informe.substr(pos);
  if (lista.size() != static_cast<std::size_t>(cuenta) * 54 + 2) Romper("list size vs count");
  if (lista.substr(lista.size() - 2) != "\r\n") Romper("final line end");

  const LimitesFiltro limites = CalcularLimites(campos);
  double anterior = -1e300;
  for (long k = 0; k < cuenta; ++k) {
    const std::string_view linea(lista.data() + k * 54, 54);
    if (linea.substr(52) != "\r\n") Romper("list line is not 52 bytes and CR LF");
    // The list line carries the catalogue's right-ascension fields as they stood.
    RegistroAsteroide registro;
    registro.AR = HorasDecimales(EnteroCorto(ValNumerico(linea.substr(24, 2))),
                                 EnteroCorto(ValNumerico(linea.substr(27, 2))),
                                 ValNumerico(linea.substr(30, 4)));
    const double clave = ClaveAR(registro, limites);
    if (clave < anterior) Romper("list out of order");
    anterior = clave;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
  // The run forms its paths from the current directory; the files themselves are in memory.
  const fs::path dir = DirectorioActual();
  FuzzedDataProvider entrada(datos, tamano);
  VentanaComprobada ventana;
  for (const Caja caja : kCajas) ventana.campos[caja] = entrada.ConsumeRandomLengthString(24);
  const bool hay_catalogo = entrada.ConsumeIntegral<std::uint8_t>() != 0;
  fuzz::ArchivosEnMemoria sistema;
  const auto averia = entrada.ConsumeIntegral<std::uint8_t>();
  // Most runs see a sound disk; the rest break it at one step.
  if (averia < static_cast<unsigned>(fuzz::Averia::kCuantas)) {
    sistema.averia = static_cast<fuzz::Averia>(averia);
  }
  sistema.tras_bytes = entrada.ConsumeIntegral<std::uint16_t>();
  const std::string catalogo = entrada.ConsumeRemainingBytesAsString();

  const fs::path ruta_catalogo = dir / "ast.dat";
  const fs::path ruta_informe = dir / "Asteroides.txt";
  if (hay_catalogo) sistema.archivos[ruta_catalogo] = catalogo;
  sistema.archivos[ruta_informe] = kInformeAnterior;

  CamposFiltro normalizados = ventana.campos;
  NormalizarCampos(normalizados);

  GenerarLista(ventana, sistema);

  if (ventana.punteros != std::vector<int>{11, 0}) Romper("pointer not restored");
  for (const Caja caja : kCajas) {
    if (ventana.campos[caja] != normalizados[caja]) Romper("box text after the run");
  }
  const std::string& informe = sistema.archivos[ruta_informe];
  if (ventana.avisos.empty()) {
    if (!ventana.focos.empty()) Romper("focus moved without a message");
    ComprobarInforme(informe, ventana.campos);
  } else {
    if (ventana.avisos.size() != 1) Romper("more than one message");
    const std::string& aviso = ventana.avisos[0];
    const bool fuera_de_rango = aviso == kAvisoFueraDeRango;
    const std::string mensaje_catalogo =
        std::string(kAvisoCatalogo) + "\n" + TextoRuta(ruta_catalogo);
    const std::string mensaje_informe =
        std::string(kAvisoInforme) + "\n" + TextoRuta(ruta_informe);
    if (!fuera_de_rango && aviso != kAvisoListaLarga && aviso != mensaje_catalogo &&
        aviso != mensaje_informe) {
      Romper("unexpected message: " + aviso);
    }
    if (aviso == mensaje_catalogo && hay_catalogo && sistema.averia != fuzz::Averia::AbrirLectura &&
        sistema.averia != fuzz::Averia::Leer) {
      Romper("readable catalogue not read");
    }
    if (aviso == mensaje_informe && sistema.averia == fuzz::Averia::Ninguna) {
      Romper("a sound disk could not be written");
    }
    if (fuera_de_rango != (ventana.focos.size() == 1)) Romper("focus after the message");
    // Only a failed sync of the folder comes after the rename: the report is new then.
    if (informe != kInformeAnterior && sistema.averia != fuzz::Averia::SincronizarDirectorio) {
      Romper("older report changed by a failed run");
    }
  }
  for (const auto& [ruta, contenido] : sistema.archivos) {
    if (ruta != ruta_catalogo && ruta != ruta_informe) Romper("left behind: " + ruta.string());
  }
  return 0;
}
