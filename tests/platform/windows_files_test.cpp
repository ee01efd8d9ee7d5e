// SPDX-License-Identifier: GPL-3.0-or-later
// What only Windows does to the file system's promises: wide paths, a destination held open
// by another program, a scanner that lets go, a temporary file left by a killed run, and
// Ctrl+C in the middle of a write (the POSIX counterparts are in atomic_write_test.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_write.h"
#include "platform/wide_text.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;

void Escribir(const fs::path& destino, std::string_view contenido) {
  EscrituraAtomica escritura(SistemaReal(), destino);
  escritura.Escribir(contenido);
  escritura.Confirmar();
}

std::string Leer(const fs::path& ruta) {
  const auto archivo = SistemaReal().AbrirLectura(ruta);
  std::string contenido(archivo->Tamano(), '\0');
  std::size_t leidos = 0;
  while (std::size_t n = archivo->Leer(contenido.data() + leidos, contenido.size() - leidos)) {
    leidos += n;
  }
  return contenido.substr(0, leidos);
}

// Another program's handle on a file: a text editor that shares reading and writing but
// never lets the file be deleted or renamed away while it has it.
HANDLE AbrirComoOtroPrograma(const fs::path& ruta, DWORD compartir = FILE_SHARE_READ) {
  return ::CreateFileW(ruta.c_str(), GENERIC_READ, compartir, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(TextoAncho, IdaYVueltaSinPerderNada) {
  const struct {
    const char* nombre;
    std::string utf8;
    std::wstring ancho;
  } casos[] = {
      {"empty", "", L""},
      {"ascii", "ast.dat", L"ast.dat"},
      {"latin", "Jos\xC3\xA9 Cat\xC3\xA1logo", L"Jos\u00E9 Cat\u00E1logo"},
      {"degree sign",
       "26\xC2\xB0"
       "40'",
       L"26\u00B040'"},
      {"outside the BMP", "\xF0\x9F\x8C\x8C", L"\U0001F30C"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(TextoUtf8(caso.ancho), caso.utf8);
    EXPECT_EQ(TextoAncho(caso.utf8), caso.ancho);
  }
  wchar_t programa[] = L"orbelux-catalogo.exe";
  wchar_t lugar[] = L"--lugar=26\u00B040'";
  wchar_t* argv[] = {programa, lugar};
  EXPECT_EQ(ArgumentosUtf8(2, argv), std::vector<std::string>{"--lugar=26\xC2\xB0"
                                                              "40'"});
}

TEST(MotivoSistema, LosComunesEnEspanolYLosDemasComoLosDaWindows) {
  const struct {
    DWORD codigo;
    std::string motivo;
  } casos[] = {
      {ERROR_FILE_NOT_FOUND, "no existe"},
      {ERROR_PATH_NOT_FOUND, "no existe"},
      {ERROR_ACCESS_DENIED, "permiso denegado"},
      {ERROR_WRITE_PROTECT, "sistema de archivos de solo lectura"},
      {ERROR_DISK_FULL, "no queda espacio en el disco"},
      {ERROR_HANDLE_DISK_FULL, "no queda espacio en el disco"},
      {ERROR_SHARING_VIOLATION, std::string(kAbiertoEnOtroPrograma)},
      {ERROR_LOCK_VIOLATION, std::string(kAbiertoEnOtroPrograma)},
      {ERROR_FILENAME_EXCED_RANGE, "el nombre es demasiado largo"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.codigo);
    EXPECT_EQ(MotivoSistema(caso.codigo), caso.motivo);
  }
  // The system's own text, in one line and without its final full stop.
  const std::string otro = MotivoSistema(ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(otro.empty());
  EXPECT_EQ(otro.find_first_of("\r\n"), std::string::npos);
  EXPECT_NE(otro.back(), '.');
}

TEST(RutasAnchas, UnaCarpetaConTildesYOtrasLetrasSeEscribeYSeLee) {
  DirectorioTemporal dir;
  const fs::path carpeta = dir.ruta() / L"Asteroides de Jos\u00E9 \u00F1 \u661F";
  fs::create_directory(carpeta);
  Escribir(carpeta / L"cat\u00E1logo.dat", "nuevo\r\n");
  Escribir(carpeta / L"cat\u00E1logo.dat", "otra vez\r\n");
  EXPECT_EQ(Leer(carpeta / L"cat\u00E1logo.dat"), "otra vez\r\n");
  std::vector<std::wstring> nombres;
  for (const auto& entrada : fs::directory_iterator(carpeta)) {
    nombres.push_back(entrada.path().filename().native());
  }
  EXPECT_EQ(nombres, std::vector<std::wstring>{L"cat\u00E1logo.dat"});
  try {
    Leer(carpeta / L"falta.dat");
    ADD_FAILURE() << "a missing file was read";
  } catch (const FalloArchivo& fallo) {
    EXPECT_EQ(fallo.what(), TextoRuta(carpeta / L"falta.dat") + ": no existe");
  }
}

TEST(RutasAnchas, MasDeDoscientosSesentaCaracteres) {
  DirectorioTemporal dir;
  fs::path carpeta = dir.ruta();
  for (int i = 0; i < 6; ++i) carpeta /= std::wstring(50, static_cast<wchar_t>(L'a' + i));
  fs::create_directories(carpeta);
  const fs::path destino = carpeta / L"ast.dat";
  ASSERT_GT(destino.native().size(), 300u);
  Escribir(destino, "lejos");
  EXPECT_EQ(Leer(destino), "lejos");
}

TEST(RutasAnchas, LasLargasLleganALasFuncionesDeWin32ConSuPrefijo) {
  const std::wstring largo(300, L'a');
  EXPECT_EQ(RutaWin32(L"ast.dat"), L"ast.dat");
  EXPECT_EQ(RutaWin32(L"C:/corto/ast.dat"), L"C:/corto/ast.dat");
  EXPECT_EQ(RutaWin32(L"\\\\?\\C:\\" + largo), L"\\\\?\\C:\\" + largo);
  EXPECT_EQ(RutaWin32(L"C:/datos/" + largo + L"/../ast.dat"), L"\\\\?\\C:\\datos\\ast.dat");
  EXPECT_EQ(RutaWin32(L"\\\\servidor\\compartida\\" + largo),
            L"\\\\?\\UNC\\servidor\\compartida\\" + largo);
  const std::wstring relativa = RutaWin32(largo + L"/ast.dat");
  EXPECT_TRUE(relativa.starts_with(L"\\\\?\\")) << TextoUtf8(relativa);
  EXPECT_TRUE(relativa.ends_with(L"\\" + largo + L"\\ast.dat")) << TextoUtf8(relativa);
  EXPECT_TRUE(fs::path(relativa.substr(4)).is_absolute()) << TextoUtf8(relativa);
}

TEST(NoEsUnArchivoNormal, UnaCarpetaOUnDispositivoSeRechazan) {
  DirectorioTemporal dir;
  fs::create_directory(dir / "carpeta");
  for (const fs::path& ruta : {dir / "carpeta", fs::path(L"NUL")}) {
    SCOPED_TRACE(TextoRuta(ruta));
    try {
      SistemaReal().AbrirLectura(ruta);
      ADD_FAILURE() << "opened";
    } catch (const FalloArchivo& fallo) {
      EXPECT_EQ(fallo.motivo(), kNoEsArchivoNormal);
    }
  }
  try {
    Escribir(dir / "carpeta", "x");
    ADD_FAILURE() << "wrote over a folder";
  } catch (const FalloArchivo& fallo) {
    EXPECT_EQ(fallo.motivo(), kNoEsArchivoNormal);
  }
  EXPECT_EQ(dir.Listado(), "carpeta");
}

TEST(Reemplazo, UnArchivoAbiertoEnOtroProgramaSeQuedaComoEstabaYSeDiceEnEspanol) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "Asteroides.txt", "informe anterior");
  const HANDLE otro = AbrirComoOtroPrograma(dir / "Asteroides.txt");
  ASSERT_NE(otro, INVALID_HANDLE_VALUE);
  const auto inicio = std::chrono::steady_clock::now();
  try {
    Escribir(dir / "Asteroides.txt", "informe nuevo");
    ADD_FAILURE() << "replaced a file another program holds";
  } catch (const FalloArchivo& fallo) {
    EXPECT_EQ(fallo.what(),
              TextoRuta(dir / "Asteroides.txt") + ": " + std::string(kAbiertoEnOtroPrograma));
  }
  // It kept trying for as long as a scanner might hold the file, not much longer.
  const auto espera = std::chrono::steady_clock::now() - inicio;
  EXPECT_GE(espera, kEsperaReemplazo - std::chrono::milliseconds(100));
  EXPECT_LT(espera, kEsperaReemplazo + std::chrono::seconds(2));
  ::CloseHandle(otro);
  EXPECT_EQ(LeerArchivo(dir / "Asteroides.txt"), "informe anterior");
  EXPECT_EQ(dir.Listado(), "Asteroides.txt");
}

TEST(Reemplazo, EsperaAlAntivirusQueSoltaraElArchivoEnUnMomento) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "ast.dat", "viejo");
  const HANDLE escaner = AbrirComoOtroPrograma(dir / "ast.dat", FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(escaner, INVALID_HANDLE_VALUE);
  std::thread soltar([escaner] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::CloseHandle(escaner);
  });
  const auto inicio = std::chrono::steady_clock::now();
  EXPECT_NO_THROW(Escribir(dir / "ast.dat", "nuevo"));
  const auto espera = std::chrono::steady_clock::now() - inicio;
  soltar.join();
  EXPECT_GE(espera, std::chrono::milliseconds(250));
  EXPECT_EQ(LeerArchivo(dir / "ast.dat"), "nuevo");
  EXPECT_EQ(dir.Listado(), "ast.dat");
}

TEST(Temporales, LosAbandonadosSeBorranYLosQueOtroEscribeNo) {
  DirectorioTemporal dir;
  const std::string abandonado = "ast.dat.orbelux-tmp-abandonado00";
  const std::string en_uso = "ast.dat.orbelux-tmp-enuso0000000";
  const std::string ajeno = "ast.dat.orbelux-tmp-corto";
  for (const auto& nombre : {abandonado, en_uso, ajeno}) EscribirArchivo(dir / nombre, "resto");
  // Held as a running writer holds its temporary file.
  const HANDLE escritor =
      ::CreateFileW((dir / en_uso).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(escritor, INVALID_HANDLE_VALUE);
  Escribir(dir / "ast.dat", "nuevo");
  ::CloseHandle(escritor);
  EXPECT_EQ(dir.Listado(), "ast.dat " + ajeno + " " + en_uso);
}

TEST(Temporales, ElNombreNuevoEsNuestroYCadaVezOtro) {
  const fs::path a = RutaTemporal(L"carpeta/cat\u00E1logo.dat");
  const fs::path b = RutaTemporal(L"carpeta/cat\u00E1logo.dat");
  EXPECT_NE(a, b);
  EXPECT_EQ(a.parent_path(), fs::path(L"carpeta"));
  EXPECT_TRUE(EsNombreTemporal(TextoRuta(a.filename()), "cat\xC3\xA1logo.dat"));
}

// Runs a test program of this folder on a console of its own (without a window) and gives
// its exit status; 0xFFFFFFFF when it could not start or did not end within 20 s.
DWORD EjecutarHijo(const wchar_t* programa, const std::wstring& argumentos = L"") {
  wchar_t propio[MAX_PATH];
  if (::GetModuleFileNameW(nullptr, propio, MAX_PATH) == 0) return 0xFFFFFFFF;
  const fs::path hijo = fs::path(propio).parent_path() / programa;
  std::wstring linea = L"\"" + hijo.native() + L"\" " + argumentos;
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION proceso{};
  if (!::CreateProcessW(hijo.c_str(), linea.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &inicio, &proceso)) {
    return 0xFFFFFFFF;
  }
  ::CloseHandle(proceso.hThread);
  DWORD codigo = 0xFFFFFFFF;
  if (::WaitForSingleObject(proceso.hProcess, 20000) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(proceso.hProcess, &codigo);
  } else {
    ::TerminateProcess(proceso.hProcess, 9);
  }
  ::CloseHandle(proceso.hProcess);
  return codigo;
}

// The child presses Ctrl+C halfway through its write, on a console of its own.
TEST(CtrlC, BorraElTemporalYElProcesoTerminaComoSiempre) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "ast.dat", "viejo");
  const DWORD codigo =
      EjecutarHijo(L"ctrl_c_child.exe", L"\"" + (dir / "ast.dat").native() + L"\"");
  ASSERT_NE(codigo, 0xFFFFFFFF) << "the child did not start or did not end";
  // Windows ends the process with STATUS_CONTROL_C_EXIT, Wine's default handler with 0; the
  // child's own codes, 2 to 6, say it never got there.
  EXPECT_TRUE(codigo == static_cast<DWORD>(STATUS_CONTROL_C_EXIT) || codigo == 0) << codigo;
  EXPECT_EQ(LeerArchivo(dir / "ast.dat"), "viejo");
  EXPECT_EQ(dir.Listado(), "ast.dat");
}

// The child's console starts in code page 850, shows UTF-8 while it runs and has 850 again
// after its exit; its output is binary (see console_child.cpp for what each status means).
TEST(Consola, UTF8MientrasCorreYLaPaginaDeAntesAlSalir) {
  EXPECT_EQ(EjecutarHijo(L"console_child.exe"), 0u);
}

}  // namespace
}  // namespace orbelux
