#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows test program under Wine with a screen of the given resolution: a Wine prefix
# of its own whose LogPixels is that resolution, which a per-monitor aware program sees as
# its monitor's. The program is told the resolution with --ppp=N.
# Usage: run_at_dpi.sh WINE-RUN PREFIX DPI PROGRAM.exe [ARGUMENT ...]
set -euo pipefail
wine_run="$1" prefijo="$2" ppp="$3"
shift 3
"$wine_run" "$prefijo" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
  /d "$ppp" /f >/dev/null
exec "$wine_run" "$prefijo" "$@" "--ppp=$ppp"
