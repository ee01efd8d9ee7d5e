#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the release preset and checks it with lintian.
# Usage: tools/build-package.sh [--chroot]
#   --chroot  then installs, runs and purges it on a fresh Debian 12 (tools/check-package.sh)
# Warnings lintian may give and that we keep are explained in packaging/debian/lintian-overrides;
# the package installs that file, so lintian does not show them again.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh lintian dpkg-dev
cmake --preset release >/dev/null
rm -f build/release/orbelux_*.deb
cmake --build --preset release --target package

paquetes=(build/release/orbelux_*_amd64.deb)
if [ ${#paquetes[@]} -ne 1 ] || [ ! -f "${paquetes[0]}" ]; then
  echo "No se ha generado un paquete orbelux_*_amd64.deb en build/release" >&2
  exit 1
fi
paquete="${paquetes[0]}"
echo "--- ${paquete}"
dpkg-deb --info "$paquete" | sed -n '/Package:/,$p'

echo "--- lintian"
# Errors and warnings fail the check; infos (-I) and pedantic tags are shown for information.
lintian --display-info --pedantic --fail-on error,warning "$paquete"
echo "lintian: sin errores ni avisos"

if [ "${1:-}" = "--chroot" ]; then
  tools/check-package.sh "$paquete"
fi
