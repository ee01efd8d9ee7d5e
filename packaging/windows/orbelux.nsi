; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer, made by the build (packaging/CMakeLists.txt) with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DCOMPILACION=<build folder> -DFUENTES=<source folder>
;            -DSALIDA=<setup.exe> [-DVENTANA=<orbelux.exe>] orbelux.nsi
; A 64-bit installer (it installs into the 64-bit Program Files and registry view, and Wine
; runs it without its 32-bit part), in Spanish, for all users. It never touches the system's
; or the user's PATH: the "Consola de orbelux" entry opens cmd.exe with the install folder
; added to that console's PATH only.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"

!define CLAVE_DESINSTALAR "Software\Microsoft\Windows\CurrentVersion\Uninstall\orbelux"

Name "orbelux ${VERSION}"
OutFile "${SALIDA}"
InstallDir "$PROGRAMFILES64\orbelux"
BrandingText "orbelux ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1034 "ProductName" "orbelux"
VIAddVersionKey /LANG=1034 "FileDescription" "Instalador de orbelux"
VIAddVersionKey /LANG=1034 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${FUENTES}/packaging/orbelux.ico"
!define MUI_UNICON "${FUENTES}/packaging/orbelux.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FUENTES}/LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

; The Start-menu entries start in the user's own Documents folder, whoever starts them:
; the shell expands the variable when it opens the shortcut.
!macro EnDocumentos
  StrCpy $OUTDIR "%USERPROFILE%\Documents"
!macroend

Section "orbelux"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
!ifdef VENTANA
  File "/oname=orbelux.exe" "${VENTANA}"
!endif
  File "${COMPILACION}/src/app/orbelux-catalogo.exe"
  File "${COMPILACION}/src/app/orbelux-campo.exe"
  File "${COMPILACION}/src/app/orbelux-efemerides.exe"
  File "/oname=LICENSE.txt" "${FUENTES}/LICENSE"
  File "/oname=LEEME.txt" "${FUENTES}/packaging/windows/LEEME.txt"
  SetOutPath "$INSTDIR\examples"
  File "${FUENTES}/examples/elementos_1-227.dat"
  File "${FUENTES}/examples/CometEls_muestra.txt"

  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\orbelux"
  !insertmacro EnDocumentos
!ifdef VENTANA
  CreateShortCut "$SMPROGRAMS\orbelux\Genera Lista de Asteroides.lnk" "$INSTDIR\orbelux.exe" "" \
                 "$INSTDIR\orbelux.exe" 0 SW_SHOWNORMAL "" "Genera Lista de Asteroides"
!endif
  CreateShortCut "$SMPROGRAMS\orbelux\Consola de orbelux.lnk" "$SYSDIR\cmd.exe" \
                 '/k set "PATH=$INSTDIR;%PATH%" & title Consola de orbelux & echo orbelux-catalogo --ayuda, orbelux-campo --ayuda y orbelux-efemerides --ayuda explican su uso.' \
                 "$INSTDIR\orbelux-catalogo.exe" 0 SW_SHOWNORMAL "" "Consola con orbelux-catalogo, orbelux-campo y orbelux-efemerides"
  SetOutPath "$INSTDIR"

  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "DisplayName" "orbelux ${VERSION}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "Publisher" "orbelux"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "DisplayIcon" "$INSTDIR\orbelux-catalogo.exe"
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${CLAVE_DESINSTALAR}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${CLAVE_DESINSTALAR}" "NoModify" 1
  WriteRegDWORD HKLM "${CLAVE_DESINSTALAR}" "NoRepair" 1
SectionEnd

; Exactly what the installer wrote, and the folders only when they are left empty: a
; catalogue or a list the user saved there stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\orbelux\Genera Lista de Asteroides.lnk"
  Delete "$SMPROGRAMS\orbelux\Consola de orbelux.lnk"
  RMDir "$SMPROGRAMS\orbelux"
  Delete "$INSTDIR\orbelux.exe"
  Delete "$INSTDIR\orbelux-catalogo.exe"
  Delete "$INSTDIR\orbelux-campo.exe"
  Delete "$INSTDIR\orbelux-efemerides.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\LEEME.txt"
  Delete "$INSTDIR\examples\elementos_1-227.dat"
  Delete "$INSTDIR\examples\CometEls_muestra.txt"
  RMDir "$INSTDIR\examples"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${CLAVE_DESINSTALAR}"
SectionEnd
