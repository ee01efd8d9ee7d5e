#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows installer under Wine: a silent install into a fresh prefix, the files,
# the Start-menu entries and the uninstall entry where they belong, both console programs
# run from the install folder, then a silent uninstall that leaves no file behind.
# Usage: tools/check-windows-installer.sh orbelux-<version>-setup.exe WORK_FOLDER
set -euo pipefail
instalador="$(realpath "${1:?Uso: tools/check-windows-installer.sh INSTALADOR.exe CARPETA}")"
trabajo="$(realpath -m "${2:?Uso: tools/check-windows-installer.sh INSTALADOR.exe CARPETA}")"
herramientas="$(cd "$(dirname "$0")" && pwd)"

rm -rf "$trabajo"
mkdir -p "$trabajo/documentos"
prefijo="$trabajo/wine"
wine() { "$herramientas/wine-run.sh" "$prefijo" "$@"; }
esperar() { WINEPREFIX="$prefijo" wineserver --wait; }
fallo() { echo "FALLO: $*" >&2; exit 1; }
paso() { printf '=== %s\n' "$*"; }

# The whole of drive C:, but Wine's own temporary and cache folders, which any run changes,
# and the user's orbelux cache, which is theirs: the uninstaller leaves it (checked below).
listado() {
  (cd "$prefijo/drive_c" && find . \( -path './users/*/Temp' -o -path './windows/temp' \
      -o -path './users/*/AppData/Local/Microsoft/Windows/INetCache' \
      -o -path './users/*/AppData/Local/orbelux' \) -prune -o -print | sort)
}

# The version the installer's name says: orbelux-<version>-setup.exe.
version="$(basename "$instalador" | sed -n 's/^orbelux-\(.*\)-setup\.exe$/\1/p')"

paso "prefijo nuevo"
wine cmd /c exit 0
esperar
listado >"$trabajo/antes.txt"

paso "instalación silenciosa: $(basename "$instalador") /S"
wine "$instalador" /S
esperar
carpeta="$prefijo/drive_c/Program Files/orbelux"
for f in orbelux-catalogo.exe orbelux-campo.exe orbelux-efemerides.exe LICENSE.txt LEEME.txt Uninstall.exe \
         examples/elementos_1-227.dat examples/CometEls_muestra.txt; do
  [ -f "$carpeta/$f" ] || fallo "falta Program Files/orbelux/$f"
done
menu="$prefijo/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/orbelux"
[ -f "$menu/Consola de orbelux.lnk" ] || fallo "falta la entrada del menú Consola de orbelux"
if [ -f "$carpeta/orbelux.exe" ]; then
  [ -f "$menu/Genera Lista de Asteroides.lnk" ] ||
    fallo "falta la entrada del menú Genera Lista de Asteroides"
fi
grep -q 'Uninstall\\\\orbelux\]' "$prefijo/system.reg" || fallo "no está en Programas y características"
grep -qi '"QuietUninstallString"=.*Uninstall.exe\\" /S' "$prefijo/system.reg" ||
  fallo "sin desinstalación silenciosa registrada"
# The user's PATH and the system's are never touched.
if grep -i '^"PATH"=' "$prefijo/system.reg" "$prefijo/user.reg" | grep -qi orbelux; then
  fallo "el instalador ha cambiado PATH"
fi

paso "los programas de consola, desde la carpeta de instalación"
cd "$trabajo/documentos"
wine 'C:\Program Files\orbelux\orbelux-catalogo.exe' \
  --elementos 'C:\Program Files\orbelux\examples\elementos_1-227.dat' \
  --fecha 2026-12-07T22:30+01:00 --observatorio J86 >"$trabajo/catalogo.txt" 2>&1 ||
  { cat "$trabajo/catalogo.txt"; fallo "orbelux-catalogo.exe"; }
grep -q '^Catálogo de 227 asteroides' "$trabajo/catalogo.txt" || { cat "$trabajo/catalogo.txt"; fallo "resumen de orbelux-catalogo.exe"; }
[ "$(wc -l <ast.dat)" -eq 227 ] || fallo "ast.dat no tiene 227 líneas"
wine 'C:\Program Files\orbelux\orbelux-campo.exe' \
  --elementos 'C:\Program Files\orbelux\examples\elementos_1-227.dat' \
  --fecha 2026-12-07T22:30+01:00 --centro '07 42 16.9 +26 35 34' --radio 30 >"$trabajo/campo.txt" 2>&1 ||
  { cat "$trabajo/campo.txt"; fallo "orbelux-campo.exe"; }
grep -q 'Ceres' "$trabajo/campo.txt" || { cat "$trabajo/campo.txt"; fallo "orbelux-campo.exe no ve a Ceres"; }
rm -f ast.dat
# What the "Consola de orbelux" entry does: this console's PATH, with the install folder
# (which has a space in its name), finds both programs.
# A batch file, so that cmd.exe reads the line as the shortcut gives it, quotes and all.
printf '@set "PATH=C:\\Program Files\\orbelux;%%PATH%%" & orbelux-catalogo --version & orbelux-campo --version\r\n' \
  >consola.bat
wine cmd /c consola.bat >"$trabajo/consola.txt" 2>&1 || true
rm -f consola.bat
[ "$(tr -d '\r' <"$trabajo/consola.txt")" = "$(printf 'orbelux-catalogo %s\norbelux-campo %s' "$version" "$version")" ] ||
  { cat "$trabajo/consola.txt"; fallo "la consola de orbelux no encuentra los programas"; }
cd "$trabajo"

paso "desinstalación silenciosa: Uninstall.exe /S"
wine 'C:\Program Files\orbelux\Uninstall.exe' /S
esperar
listado >"$trabajo/despues.txt"
# The field query far from the sample's epoch kept its carried elements in the user's cache.
ls -d "$prefijo"/drive_c/users/*/AppData/Local/orbelux/*.cache >/dev/null 2>&1 ||
  fallo "la desinstalación se lleva la caché del usuario, o nunca se creó"
if ! diff -u "$trabajo/antes.txt" "$trabajo/despues.txt"; then
  fallo "la desinstalación deja archivos (arriba, con +)"
fi
if grep -q 'Uninstall\\\\orbelux\]' "$prefijo/system.reg"; then
  fallo "la entrada de desinstalación sigue en el registro"
fi
echo "instalador comprobado: instalación, programas y desinstalación sin restos"
