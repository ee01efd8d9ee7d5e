#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a while on a copy
# of its seed corpus. Usage: tools/fuzz.sh [seconds-per-target] [target ...]
# Without targets, it runs every target that has a seed corpus under fuzz/corpus/. Exits
# non-zero, naming the target and the input that shows the fault, on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
segundos="${1:-60}"
shift || true

objetivos=("$@")
if [ ${#objetivos[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do objetivos+=("$(basename "$d")"); done
fi

tools/install-deps.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${objetivos[@]}"

trabajo="$(mktemp -d)"
trap 'rm -rf "$trabajo"' EXIT
for objetivo in "${objetivos[@]}"; do
  echo "--- $objetivo: ${segundos} s"
  mkdir -p "$trabajo/$objetivo"
  if [ -d "fuzz/corpus/$objetivo" ]; then
    cp -r "fuzz/corpus/$objetivo/." "$trabajo/$objetivo/"
  fi
  # The whole log goes to a file first: the exit status of a pipeline into grep would be
  # grep's (or that of whatever follows it), never the target's.
  registro="$trabajo/$objetivo.log"
  estado=0
  # Absolute paths: a target may change its working directory.
  "$PWD/build/fuzz/fuzz/$objetivo" -max_total_time="$segundos" -max_len=70000 \
    -print_final_stats=1 -artifact_prefix="$PWD/build/fuzz/$objetivo-" \
    "$trabajo/$objetivo" >"$registro" 2>&1 || estado=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|INFO: seed)|ERROR|Done|Test unit written' \
    "$registro" || true
  if [ "$estado" -ne 0 ]; then
    entrada="$(sed -n 's/.*Test unit written to \([^ ]*\).*/\1/p' "$registro" | tail -n 1)"
    echo "fuzz.sh: $objetivo found a fault (exit $estado); input: ${entrada:-not saved, see the log above}" >&2
    tail -n 40 "$registro" >&2
    exit 1
  fi
done
