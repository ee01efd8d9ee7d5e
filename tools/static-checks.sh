#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# clang-tidy (checks in .clang-tidy) and cppcheck over the Qt-free libraries.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh clang-tidy cppcheck
cmake --preset dev >/dev/null  # compile_commands.json for clang-tidy

# The Windows-only sources are not in this build; the Windows build compiles them with
# warnings as errors (tools/build-windows.sh).
fuentes=$(git ls-files 'src/platform/*.cpp' 'src/listgen/*.cpp' 'src/ephemeris/*.cpp' \
                       'src/catalogue/*.cpp' 'src/console/*.cpp' 'src/field/*.cpp' |
            grep -v '_windows\.cpp$')
echo "--- clang-tidy"
registro="$(mktemp)"
trap 'rm -f "$registro"' EXIT
# shellcheck disable=SC2086
if ! printf '%s\n' $fuentes | xargs -P 2 -n 1 clang-tidy -p build/dev --quiet >"$registro" 2>&1; then
  grep -v 'warnings generated' "$registro"
  exit 1
fi

echo "--- cppcheck"
directorios=$(for d in src/platform src/listgen src/ephemeris src/catalogue src/console src/field; do [ -d "$d" ] && echo "$d"; done)
# shellcheck disable=SC2086
cppcheck --std=c++20 --language=c++ --enable=warning,performance,portability \
  --inline-suppr --error-exitcode=1 --quiet -I src $directorios
echo "static checks clean"
