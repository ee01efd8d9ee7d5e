#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test (the window's tests on Qt's offscreen platform).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev "$@"
