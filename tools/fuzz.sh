#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a while on a copy
# of its seed corpus. Usage: tools/fuzz.sh [seconds-per-target] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
segundos="${1:-60}"
shift || true

tools/install-deps.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

objetivos=("$@")
if [ ${#objetivos[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do objetivos+=("$(basename "$d")"); done
fi

trabajo="$(mktemp -d)"
trap 'rm -rf "$trabajo"' EXIT
for objetivo in "${objetivos[@]}"; do
  echo "--- $objetivo: ${segundos} s"
  mkdir -p "$trabajo/$objetivo"
  cp -r "fuzz/corpus/$objetivo/." "$trabajo/$objetivo/"
  # Absolute paths: a target may change its working directory.
  "$PWD/build/fuzz/fuzz/$objetivo" -max_total_time="$segundos" -max_len=70000 \
    -print_final_stats=1 -artifact_prefix="$PWD/build/fuzz/$objetivo-" \
    "$trabajo/$objetivo" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|INFO: seed)|ERROR|Done' || true
  # libFuzzer exits non-zero on a finding; PIPESTATUS keeps that.
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then
    echo "Fuzz target $objetivo found a fault; the input is in build/fuzz/" >&2
    exit 1
  fi
done
