#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program and opens its window in build/run/, beside a copy of the sample catalogue.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target orbelux
mkdir -p build/run
cp examples/ast.dat build/run/ast.dat
cd build/run
echo "Carpeta de trabajo: $PWD (aquí aparecerá Asteroides.txt)"
exec ../dev/src/app/orbelux
