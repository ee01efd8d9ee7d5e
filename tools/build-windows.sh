#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds orbelux for 64-bit Windows on Debian 12, runs the Windows tests under Wine and writes
# the installer build/windows/orbelux-<version>-setup.exe.
# Usage: tools/build-windows.sh [ctest arguments ...]
#
# Installs with apt-get what is missing (the mingw-w64 compiler, zlib for mingw, Wine, NSIS,
# the GoogleTest sources, Xvfb). ERFA comes from Debian's source package, fetched through a
# private apt configuration that reads the mirror from this machine's apt sources and never
# changes them; it and GoogleTest are built for Windows into build/windows-deps once.
set -euo pipefail
cd "$(dirname "$0")/.."
raiz="$PWD"
deps="$raiz/build/windows-deps"
prefijo="$deps/prefix"
compilacion="$raiz/build/windows"
triplete=x86_64-w64-mingw32
paso() { printf '\n=== %s\n' "$*"; }

# ---- What the build needs, as commands or files, and the Debian package that has each.
faltan=()
necesita() { # necesita PAQUETE CAMINO-O-ORDEN
  case "$2" in
    /*) [ -e "$2" ] ;;
    *) command -v "$2" >/dev/null 2>&1 ;;
  esac || faltan+=("$1")
}
necesita cmake cmake
necesita ninja-build ninja
necesita pkg-config pkg-config
necesita g++-mingw-w64-x86-64-posix "$triplete-g++-posix"
necesita gcc-mingw-w64-x86-64-posix "$triplete-gcc-posix"
necesita libz-mingw-w64-dev "/usr/$triplete/lib/libz.a"
necesita googletest /usr/src/googletest/CMakeLists.txt
necesita wine /usr/bin/wine
necesita wine64 /usr/lib/wine/wine64
necesita nsis makensis
necesita dpkg-dev dpkg-source
necesita xvfb Xvfb
necesita xz-utils xz
if [ ${#faltan[@]} -gt 0 ]; then
  paso "Instalando: ${faltan[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${faltan[@]}"
fi

# ---- ERFA, from Debian's source package.
# The mirror this machine's apt uses for bookworm (one-line or deb822 sources), as
# tools/check-package.sh reads it, so that no host name is written here.
espejo_bookworm() {
  {
    cat /etc/apt/sources.list 2>/dev/null | awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }'
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] || continue
      awk 'BEGIN { RS = ""; FS = "\n" }
           {
             uris = ""; suites = ""
             for (i = 1; i <= NF; i++) {
               if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
               if ($i ~ /^Suites:/) { suites = " " $i " " }
             }
             if (uris != "" && suites ~ / bookworm /) { split(uris, u, " "); print u[1]; exit }
           }' "$f"
    done
  } | head -n 1
}

construir_erfa() {
  local apt="$deps/apt" fuentes="$deps/erfa-fuentes" obj="$deps/erfa-obj" espejo
  espejo="$(espejo_bookworm)"
  if [ -z "$espejo" ]; then
    echo "No se encuentra en /etc/apt un espejo de Debian para bookworm" >&2
    exit 1
  fi
  rm -rf "$apt" "$fuentes" "$obj"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/partes" "$fuentes" "$obj"
  printf 'deb-src %s bookworm main\n' "$espejo" >"$apt/sources.list"
  # Only apt's own files under build/ are used: the machine's sources, lists and caches
  # stay as they are.
  local opciones=(-q -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/partes"
                  -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
                  -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
  apt-get "${opciones[@]}" update >"$deps/apt.log" 2>&1 || { cat "$deps/apt.log" >&2; exit 1; }
  (cd "$fuentes" && apt-get "${opciones[@]}" source erfa >>"$deps/apt.log" 2>&1) ||
    { cat "$deps/apt.log" >&2; exit 1; }
  local dir
  dir="$(find "$fuentes" -mindepth 1 -maxdepth 1 -type d -name 'erfa-*' | head -n 1)"
  # Only erfaversion.c wants what ERFA's configure script would define: its versions.
  local version sofa
  version="$(sed -n 's/^AC_INIT(\[erfa\],\[\([0-9.]*\)\]).*/\1/p' "$dir/configure.ac")"
  sofa="$(sed -n 's/^AC_DEFINE(\[SOFA_VERSION\], \["\([0-9]*\)"\].*/\1/p' "$dir/configure.ac")"
  IFS=. read -r mayor menor micro <<<"$version"
  local cc="$triplete-gcc-posix"
  find "$dir/src" -name '*.c' ! -name 't_erfa_c*.c' -print0 |
    xargs -0 -P 2 -I{} sh -c '"$0" -O2 -c "$1" -o "$2/$(basename "$1" .c).o" \
        -DPACKAGE_VERSION="\"$3\"" -DPACKAGE_VERSION_MAJOR="$4" -DPACKAGE_VERSION_MINOR="$5" \
        -DPACKAGE_VERSION_MICRO="$6" -DSOFA_VERSION="\"$7\""' \
        "$cc" {} "$obj" "$version" "$mayor" "$menor" "$micro" "$sofa"
  mkdir -p "$prefijo/lib/pkgconfig" "$prefijo/include" "$prefijo/bin"
  rm -f "$prefijo/lib/liberfa.a"
  "$triplete-ar" rcs "$prefijo/lib/liberfa.a" "$obj"/*.o
  cp "$dir/src/erfa.h" "$dir/src/erfam.h" "$dir/src/erfaextra.h" "$prefijo/include/"
  # ERFA's own validation program, which the Windows tests run under Wine.
  "$cc" -O2 -static -I"$prefijo/include" "$dir/src/t_erfa_c.c" -L"$prefijo/lib" -lerfa -lm \
    -o "$prefijo/bin/t_erfa_c.exe"
  cat >"$prefijo/lib/pkgconfig/erfa.pc" <<PC
prefix=$prefijo
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: erfa
Description: Essential Routines for Fundamental Astronomy (built for Windows from Debian's source package)
Version: $version
Libs: -L\${libdir} -lerfa -lm
Cflags: -I\${includedir}
PC
  echo "$version" >"$deps/erfa.hecho"
}

construir_googletest() {
  local dir="$deps/googletest"
  rm -rf "$dir"
  cmake -S /usr/src/googletest -B "$dir" -G Ninja --log-level=WARNING \
    -DCMAKE_TOOLCHAIN_FILE="$raiz/cmake/mingw-w64-x86_64.cmake" \
    -DORBELUX_WINDOWS_DEPS="$prefijo" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefijo" >/dev/null
  cmake --build "$dir" -j2 >/dev/null
  cmake --install "$dir" >/dev/null
  dpkg-query -W -f='${Version}\n' googletest >"$deps/googletest.hecho" 2>/dev/null || echo hecho >"$deps/googletest.hecho"
}

if [ ! -e "$deps/erfa.hecho" ]; then
  paso "ERFA para Windows, del paquete fuente de Debian"
  construir_erfa
fi
if [ ! -e "$deps/googletest.hecho" ]; then
  paso "GoogleTest para Windows, de /usr/src/googletest"
  construir_googletest
fi

paso "Compilación cruzada (cmake --preset windows)"
cmake --preset windows >/dev/null
cmake --build --preset windows

# Wine draws its windows on an X server of its own: a virtual one, so that nothing depends
# on the desktop this runs on.
paso "Pruebas de Windows bajo Wine"
pantalla="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$pantalla" >/dev/null 2>&1 &
xvfb=$!
terminar() {
  kill "$xvfb" 2>/dev/null || true
  rm -f "$pantalla"
}
trap terminar EXIT
for _ in $(seq 300); do
  [ -s "$pantalla" ] && break
  sleep 0.1
done
if [ ! -s "$pantalla" ]; then
  echo "Xvfb no arranca" >&2
  exit 1
fi
DISPLAY=":$(head -n 1 "$pantalla")" ctest --preset windows "$@"

paso "Instalador"
ls -l "$compilacion"/orbelux-*-setup.exe
