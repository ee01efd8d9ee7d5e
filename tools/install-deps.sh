#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes sure the build has what it needs, and installs with apt-get only what is missing.
# Usage: tools/install-deps.sh [extra-package ...]
#
# Everything is looked for as the build itself will look for it (commands on PATH,
# pkg-config modules, CMake package files), so libraries built from source or a system
# without dpkg count as well as Debian packages. dpkg is asked only about what cannot be
# seen otherwise, and only where it exists. When nothing is missing, apt-get is never run.
set -euo pipefail

missing=()
need() {
  local p
  for p in "$@"; do
    case " ${missing[*]} " in *" $p "*) ;; *) missing+=("$p") ;; esac
  done
}
have() { command -v "$1" >/dev/null 2>&1; }
have_dpkg() { have dpkg-query; }
# Whether the Debian package is installed; only called where dpkg exists.
dpkg_has() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# The compiler CMake would take.
compiler="${CXX:-}"
if [ -z "$compiler" ]; then
  for c in c++ g++ clang++; do
    if have "$c"; then compiler="$c"; break; fi
  done
fi
if [ -z "$compiler" ] || ! have "${compiler%% *}"; then need g++; fi

# CMake 3.25 or later, for the presets.
if have cmake; then
  version="$(cmake --version | sed -n '1s/^cmake version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')"
  read -r major minor <<<"${version:-0 0}"
  if [ "$major" -lt 3 ] || { [ "$major" -eq 3 ] && [ "$minor" -lt 25 ]; }; then need cmake; fi
else
  need cmake
fi

# CMake's Ninja generator accepts any of these names.
if ! have ninja && ! have ninja-build && ! have samu; then need ninja-build; fi

# Libraries with a pkg-config module, and the Debian package that has it.
modules=(Qt6Widgets:qt6-base-dev Qt6Test:qt6-base-dev gl:libgl-dev erfa:liberfa-dev
         zlib:zlib1g-dev gmock:libgmock-dev)
if have pkg-config; then
  for m in "${modules[@]}"; do
    pkg-config --exists "${m%%:*}" || need "${m##*:}"
  done
else
  need pkg-config
  # Without pkg-config the modules cannot be seen: ask dpkg, or name them all.
  for m in "${modules[@]}"; do
    if ! have_dpkg || ! dpkg_has "${m##*:}"; then need "${m##*:}"; fi
  done
fi

# CMake packages, found the way find_package finds a config file: under each prefix of
# CMAKE_PREFIX_PATH, /usr/local and /usr, in lib, lib64, lib/<multiarch> or share.
cmake_package() {
  local name="$1" lower prefix dir
  lower="$(printf '%s' "$name" | tr '[:upper:]' '[:lower:]')"
  local prefixes=()
  IFS=':' read -r -a prefixes <<<"${CMAKE_PREFIX_PATH:-}"
  prefixes+=(/usr/local /usr)
  shopt -s nullglob
  for prefix in "${prefixes[@]}"; do
    [ -n "$prefix" ] || continue
    for dir in "$prefix"/{lib,lib64,lib/*,share}/cmake/{"$name","$lower"}*/; do
      if [ -e "$dir/${name}Config.cmake" ] || [ -e "$dir/${lower}-config.cmake" ]; then
        shopt -u nullglob
        return 0
      fi
    done
  done
  shopt -u nullglob
  return 1
}
cmake_package GTest || need libgtest-dev
cmake_package benchmark || need libbenchmark-dev

# The fonts the window and its tests use: fontconfig knows them; without it, dpkg might.
fonts=("DejaVu Sans:fonts-dejavu-core" "DejaVu Serif:fonts-dejavu-core"
       "DejaVu Sans Condensed:fonts-dejavu-extra")
if have fc-list; then
  families="$(fc-list : family)"
  for f in "${fonts[@]}"; do
    grep -qE "(^|,)${f%%:*}(,|$)" <<<"$families" || need "${f##*:}"
  done
elif have_dpkg; then
  for f in "${fonts[@]}"; do dpkg_has "${f##*:}" || need "${f##*:}"; done
else
  for f in "${fonts[@]}"; do need "${f##*:}"; done
fi

# Packages the caller asks for: a program is there when its command is; clang's runtime
# libraries when clang finds the fuzzer's; anything else only dpkg can tell.
for p in "$@"; do
  case "$p" in
    libclang-rt-*-dev)
      if have clang && [ -n "$(find "$(clang -print-runtime-dir 2>/dev/null || echo /nonexistent)" \
                                   -name 'libclang_rt.fuzzer*' 2>/dev/null | head -n 1)" ]; then
        continue
      fi
      ;;
    *) if have "$p"; then continue; fi ;;
  esac
  if ! have_dpkg || ! dpkg_has "$p"; then need "$p"; fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if ! have apt-get; then
  echo "Faltan / Missing (nombres de paquetes de Debian / Debian package names): ${missing[*]}" >&2
  exit 1
fi

echo "Instalando: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
