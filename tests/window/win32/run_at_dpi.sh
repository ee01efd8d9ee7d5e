#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows test program of windows under Wine, in a prefix of its own whose screen has the
# given resolution (LogPixels, which a per-monitor aware program sees as its monitor's). The
# program is told the resolution with --ppp=N.
# In that prefix Wine manages the windows itself: with no window manager on the X server, a
# window that is hidden or destroyed would otherwise wait two seconds for one to withdraw it.
# Usage: run_at_dpi.sh WINE-RUN PREFIX DPI PROGRAM.exe [ARGUMENT ...]
set -euo pipefail
wine_run="$1" prefijo="$2" ppp="$3"
shift 3
# Quiet and on no pipe of the caller's: Wine's services, started with this first program,
# would keep the caller's output open after the tests.
"$wine_run" "$prefijo" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
  /d "$ppp" /f >/dev/null 2>&1 </dev/null
"$wine_run" "$prefijo" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  >/dev/null 2>&1 </dev/null
exec "$wine_run" "$prefijo" "$@" "--ppp=$ppp"
