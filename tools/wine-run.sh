#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows program under 64-bit Wine in a prefix of the build's own, made on first use.
# Usage: tools/wine-run.sh PREFIX PROGRAM.exe [ARGUMENT ...]
# The exit status is the program's. A fresh prefix never offers to download Mono or Gecko
# (mscoree and mshtml are switched off), and Wine's own debugging chatter is off unless
# WINEDEBUG says otherwise.
set -euo pipefail
export WINEPREFIX="${1:?Uso: tools/wine-run.sh PREFIJO PROGRAMA.exe [ARGUMENTO ...]}"
shift
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"

# Tests start in parallel: only one of them makes the prefix, the others wait for it.
if [ ! -e "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -e "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1
      WINEPREFIX="$WINEPREFIX" wineserver --wait
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$@"
