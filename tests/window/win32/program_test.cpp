// SPDX-License-Identifier: GPL-3.0-or-later
// orbelux.exe itself, started as a user starts it: its resources (icon, emblem, manifest), its
// window with the focus in the first box, Tab, typing and Enter through its own message loop
// writing the Linux window's report, and "Cerrar" ending the process with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/report_cases.h"
#include "support/temp_dir.h"

namespace orbelux::win32 {
namespace {

// The resource `id` of type `tipo` in the program file, as bytes.
std::string Recurso(HMODULE modulo, LPCWSTR tipo, int id) {
  HRSRC recurso = FindResourceW(modulo, MAKEINTRESOURCEW(id), tipo);
  if (recurso == nullptr) return {};
  HGLOBAL datos = LoadResource(modulo, recurso);
  return {static_cast<const char*>(LockResource(datos)), SizeofResource(modulo, recurso)};
}

TEST(Programa, LlevaElIconoElEmblemaYElManifiesto) {
  HMODULE programa = LoadLibraryExW(ORBELUX_PROGRAMA, nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(programa, nullptr);
  // The icon first, so that the program file shows it: 32 and 16 pixels.
  const std::string grupo = Recurso(programa, RT_GROUP_ICON, 1);
  ASSERT_GE(grupo.size(), 6u + 2 * 14u);
  EXPECT_EQ(grupo[4], 2) << "two sizes";
  EXPECT_EQ(static_cast<unsigned char>(grupo[6]), 32u);
  EXPECT_EQ(static_cast<unsigned char>(grupo[6 + 14]), 16u);
  EXPECT_FALSE(Recurso(programa, RT_BITMAP, 2).empty()) << "the emblem";
  const std::string manifiesto = Recurso(programa, RT_MANIFEST, 1);
  EXPECT_NE(manifiesto.find(">PerMonitorV2<"), std::string::npos);
  EXPECT_NE(manifiesto.find("<longPathAware"), std::string::npos);
  EXPECT_NE(manifiesto.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  FreeLibrary(programa);
}

struct Busqueda {
  DWORD proceso;
  HWND ventana;
};

HWND VentanaDe(DWORD proceso) {
  Busqueda busqueda{proceso, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM dato) -> BOOL {
        auto* b = reinterpret_cast<Busqueda*>(dato);
        DWORD de = 0;
        GetWindowThreadProcessId(hwnd, &de);
        wchar_t clase[32] = {};
        GetClassNameW(hwnd, clase, 32);
        if (de != b->proceso || std::wstring(clase) != L"frmOrbelux") return TRUE;
        b->ventana = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&busqueda));
  return busqueda.ventana;
}

HWND BotonDe(HWND ventana, const wchar_t* titulo) {
  for (HWND h = GetWindow(ventana, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    wchar_t texto[64] = {};
    GetWindowTextW(h, texto, 64);
    if (std::wstring(texto) == titulo) return h;
  }
  return nullptr;
}

TEST(Programa, SeAbreGeneraLaListaDeLinuxYCerrarLoTermina) {
  prueba::DirectorioTemporal directorio;
  std::filesystem::copy_file(std::filesystem::path(ORBELUX_EJEMPLOS) / "ast.dat",
                             directorio / "ast.dat");
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION proceso{};
  std::wstring orden = L"\"" + std::wstring(ORBELUX_PROGRAMA) + L"\"";
  ASSERT_TRUE(CreateProcessW(ORBELUX_PROGRAMA, orden.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             directorio.ruta().wstring().c_str(), &inicio, &proceso));
  // A failed assertion leaves no program behind.
  struct Guarda {
    PROCESS_INFORMATION& p;
    ~Guarda() {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p.hProcess, 1);
      CloseHandle(p.hThread);
      CloseHandle(p.hProcess);
    }
  } guarda{proceso};
  WaitForInputIdle(proceso.hProcess, 20000);
  HWND ventana = nullptr;
  for (int i = 0; i < 200 && ventana == nullptr; ++i) {
    ventana = VentanaDe(proceso.dwProcessId);
    if (ventana == nullptr) Sleep(50);
  }
  ASSERT_NE(ventana, nullptr);

  wchar_t titulo[64] = {};
  GetWindowTextW(ventana, titulo, 64);
  EXPECT_EQ(std::wstring(titulo), L"Genera Lista de Asteroides");
  GUITHREADINFO hilo{};
  hilo.cbSize = sizeof hilo;
  ASSERT_TRUE(GetGUIThreadInfo(proceso.dwThreadId, &hilo));
  ASSERT_NE(hilo.hwndFocus, nullptr);
  wchar_t texto[16] = {};
  // WM_GETTEXT: GetWindowText does not read a control of another process.
  SendMessageW(hilo.hwndFocus, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(texto));
  EXPECT_EQ(std::wstring(texto), L"23") << "the focus in txtARh_min";

  // By keys through the program's own message loop: Tab to the minutes (their text selected,
  // so typing replaces it), "00" again, Enter: the start boxes on the sample catalogue, so the
  // report of the sample case "Inicial". Each key is posted to the control with the focus, as
  // the system would queue it, and the test waits for what it does.
  auto foco = [&] {
    GetGUIThreadInfo(proceso.dwThreadId, &hilo);
    return hilo.hwndFocus;
  };
  auto esperar = [](const std::function<bool()>& hecho) {
    for (int i = 0; i < 400 && !hecho(); ++i) Sleep(25);
    return hecho();
  };
  // Keys are handled in the order they are queued: once Tab has moved the focus on, the keys
  // before it have been handled.
  HWND horas = foco();
  PostMessageW(horas, WM_KEYDOWN, VK_TAB, 1);
  ASSERT_TRUE(esperar([&] { return foco() != horas; }));
  HWND minutos = foco();
  PostMessageW(minutos, WM_CHAR, L'0', 1);
  PostMessageW(minutos, WM_CHAR, L'0', 1);
  PostMessageW(minutos, WM_KEYDOWN, VK_TAB, 1);
  ASSERT_TRUE(esperar([&] { return foco() != minutos; }));
  wchar_t escrito[16] = {};
  SendMessageW(minutos, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(escrito));
  EXPECT_EQ(std::wstring(escrito), L"00") << "typing replaced the selected text";
  PostMessageW(foco(), WM_KEYDOWN, VK_RETURN, 1);
  const std::filesystem::path informe = directorio / "Asteroides.txt";
  ASSERT_TRUE(esperar([&] { return std::filesystem::exists(informe); })) << "no report";
  EXPECT_EQ(
      prueba::LeerArchivo(informe),
      prueba::LeerArchivo(std::filesystem::path(ORBELUX_DATOS_VENTANA) / "informe_Inicial.txt"));

  PostMessageW(BotonDe(ventana, L"Cerrar"), BM_CLICK, 0, 0);
  ASSERT_EQ(WaitForSingleObject(proceso.hProcess, 20000), WAIT_OBJECT_0);
  DWORD codigo = 99;
  GetExitCodeProcess(proceso.hProcess, &codigo);
  EXPECT_EQ(codigo, 0u);
}

}  // namespace
}  // namespace orbelux::win32
