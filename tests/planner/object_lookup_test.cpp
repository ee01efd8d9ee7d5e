// SPDX-License-Identifier: GPL-3.0-or-later
#include "planner/object_lookup.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace orbelux::planificador {
namespace {

// A record of the export format with the number or designation `empaquetada` and the
// readable designation `nombre`: Ceres' elements, so that every record converts.
std::string Registro(std::string empaquetada, const std::string& nombre) {
  std::string l =
      "00001    3.33  0.12 K2289 334.32717   73.53163   80.26644   10.58680  0.0786358  "
      "0.21418055   2.7666190";
  l.replace(0, 7, (empaquetada + "       ").substr(0, 7));
  l.resize(166, ' ');
  return l + nombre + "\n";
}

TEST(NombresDeObjetos, PlegadoQuitaMayusculasAcentosYBlancos) {
  EXPECT_EQ(Plegado("  Müller  "), "muller");
  EXPECT_EQ(Plegado("ÁÉÍÓÚÑÇ"), "aeiounc");
  EXPECT_EQ(Plegado("2024   YR4"), "2024 yr4");
  EXPECT_EQ(Plegado("Eros"), "eros");
}

TEST(NombresDeObjetos, ClaseDelPedido) {
  EXPECT_EQ(ClaseDePedido("433"), ClasePedido::Numero);
  EXPECT_EQ(ClaseDePedido("K24Y04R"), ClasePedido::Empaquetada);
  EXPECT_EQ(ClaseDePedido("A0345"), ClasePedido::Empaquetada);
  EXPECT_EQ(ClaseDePedido("00433"), ClasePedido::Numero);
  EXPECT_EQ(ClaseDePedido("Vesta"), ClasePedido::Nombre);
  EXPECT_EQ(ClaseDePedido("2024 YR4"), ClasePedido::Nombre);
  EXPECT_EQ(ClaseDePedido("2P"), ClasePedido::Nombre);
  EXPECT_EQ(ClaseDePedido("0002P"), ClasePedido::Empaquetada);
  EXPECT_EQ(ClaseDePedido("CJ95O010"), ClasePedido::Empaquetada);
  EXPECT_EQ(ClaseDePedido("PK19Y04b"), ClasePedido::Empaquetada);
  EXPECT_EQ(ClaseDePedido("0002Q"), ClasePedido::Nombre);
  EXPECT_EQ(ClaseDePedido("CLOTILDE"), ClasePedido::Nombre);
}

TEST(NombresDeObjetos, UnNombreCoincideEnteroNuncaEnParte) {
  struct Caso {
    const char* legible;
    const char* pedido;
    bool coincide;
  };
  const Caso casos[] = {
      {"(433) Eros", "eros", true},
      {"(433) Eros", "(433) eros", true},
      {"(433) Eros", "ero", false},
      {"(698) Ernestina", "eros", false},
      {"(12345) Erosa", "eros", false},
      {"(3708) 1974 FV1", "1974 fv1", true},
      {"2024 YR4", "2024 yr4", true},
      {"2024 YR4", "2024 yr", false},
      {"2P/Encke", "2p", true},
      {"2P/Encke", "encke", true},
      {"2P/Encke", "2p/encke", true},
      {"96P/Machholz", "96p", true},
      {"96P-B/Machholz", "96p", false},
      {"C/2023 A3 (Tsuchinshan-ATLAS)", "c/2023 a3", true},
      {"C/2023 A3 (Tsuchinshan-ATLAS)", "c", false},
      {"C/2023 A3 (Tsuchinshan-ATLAS)", "tsuchinshan-atlas", true},
      {"C/2023 A3 (Tsuchinshan-ATLAS)", "tsuchinshan", false},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(NombreCoincide(c.legible, Plegado(c.pedido)), c.coincide)
        << c.legible << " / " << c.pedido;
  }
}

class BusquedaEnArchivos : public ::testing::Test {
 protected:
  BusquedaEnArchivos() {
    prueba::EscribirArchivo(
        dir_ / "a.dat", Registro("00001", "(1) Ceres") + Registro("00433", "(433) Eros") +
                            Registro("K24Y04R", "2024 YR4") + Registro("A0345", "(100345) Müller") +
                            Registro("A0346", "(100346) Muller"));
    prueba::EscribirArchivo(dir_ / "b.dat",
                            Registro("00433", "(433) Eros") + Registro("00004", "(4) Vesta"));
  }
  std::vector<ObjetoHallado> Buscar(const std::vector<std::string>& pedidos,
                                    const std::vector<std::string>& archivos) {
    std::vector<std::filesystem::path> rutas;
    for (const auto& a : archivos) rutas.push_back(dir_ / a);
    return BuscarObjetos(pedidos, rutas, SistemaReal());
  }
  prueba::DirectorioTemporal dir_;
};

TEST_F(BusquedaEnArchivos, CadaFormaHallaSuObjeto) {
  const auto h = Buscar({"433", "CERES", "2024 yr4", "K24Y04R", "00001"}, {"a.dat"});
  ASSERT_EQ(h.size(), 5u);
  EXPECT_EQ(h[0].nombre, "(433) Eros");
  EXPECT_EQ(h[0].elementos.numero, 433);
  EXPECT_EQ(h[1].nombre, "(1) Ceres");
  EXPECT_EQ(h[2].nombre, "2024 YR4");
  EXPECT_EQ(h[3].nombre, "2024 YR4");
  EXPECT_EQ(h[4].nombre, "(1) Ceres");
  EXPECT_EQ(h[2].linea, 3u);
}

TEST_F(BusquedaEnArchivos, ElPrimerArchivoGanaYElSegundoCompleta) {
  const auto h = Buscar({"eros", "vesta"}, {"a.dat", "b.dat"});
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].archivo, (dir_ / "a.dat").string());
  EXPECT_EQ(h[1].archivo, (dir_ / "b.dat").string());
  const auto otro = Buscar({"433"}, {"b.dat", "a.dat"});
  EXPECT_EQ(otro[0].archivo, (dir_ / "b.dat").string());
}

TEST_F(BusquedaEnArchivos, AmbiguoYDesconocido) {
  try {
    Buscar({"muller"}, {"a.dat"});
    FAIL() << "ambiguo";
  } catch (const ErrorObjetoAmbiguo& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("(100345) Müller"), std::string::npos) << m;
    EXPECT_NE(m.find("(100346) Muller"), std::string::npos) << m;
  }
  // With its accent it is still ambiguous: accents are ignored both ways.
  EXPECT_THROW(Buscar({"Müller"}, {"a.dat"}), ErrorObjetoAmbiguo);
  try {
    Buscar({"ceres", "pallas"}, {"a.dat", "b.dat"});
    FAIL() << "desconocido";
  } catch (const ErrorObjetoDesconocido& e) {
    EXPECT_NE(std::string(e.what()).find("«pallas»"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Buscar({"4"}, {"a.dat"}), ErrorObjetoDesconocido);
}

// A number or a packed designation ends the reading once found: a file of several
// megabytes is left after its first block.
TEST_F(BusquedaEnArchivos, LaLecturaParaCuandoTodoEstaHallado) {
  std::string grande = Registro("00001", "(1) Ceres");
  const std::string otro = Registro("00433", "(433) Eros");
  while (grande.size() < 4'000'000) grande += otro;
  prueba::EscribirArchivo(dir_ / "grande.dat", grande);
  std::uint64_t bytes = 0;
  BuscarObjetos({"1"}, {dir_ / "grande.dat"}, SistemaReal(), &bytes);
  EXPECT_LT(bytes, 2'500'000u);
  // A name may name another record further on: the whole file is read.
  BuscarObjetos({"ceres"}, {dir_ / "grande.dat"}, SistemaReal(), &bytes);
  EXPECT_EQ(bytes, grande.size());
}

}  // namespace
}  // namespace orbelux::planificador
