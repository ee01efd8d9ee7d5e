#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs tools/install-deps.sh with a PATH made by hand, so that each case sees only the
# commands it should, and apt-get, dpkg-query and sudo are stand-ins that write down how
# they were called. Needs a machine where the build's dependencies are all present.
set -euo pipefail
script="$(cd "$(dirname "$0")" && pwd)/install-deps.sh"
bash_bin="$(command -v bash)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# Links the real commands given into a fresh bin folder for one case.
real_bin() {
  local bin="$1" c path
  shift
  mkdir -p "$bin"
  for c in "$@"; do
    path="$(command -v "$c")" || { echo "falta $c en esta máquina" >&2; exit 1; }
    ln -s "$path" "$bin/$c"
  done
}
stub() {  # stub BIN NAME BODY
  printf '#!%s\n%s\n' "$bash_bin" "$3" >"$1/$2"
  chmod +x "$1/$2"
}
standard_stubs() {  # apt-get and dpkg-query that log; dpkg-query knows $installed
  local bin="$1" log="$2"
  stub "$bin" apt-get "echo \"apt-get \$*\" >>'$log'"
  stub "$bin" sudo "\"\$@\""
  stub "$bin" dpkg-query "echo \"dpkg-query \${!#}\" >>'$log'
case ' $3 ' in *\" \${!#} \"*) printf 'install ok installed' ;; *) exit 1 ;; esac"
}
basic=(grep sed tr find head id cmake)
tools_all=(c++ ninja pkg-config)
# fontconfig's answer, the same on every machine: the fonts are not what is tested here.
fonts_stub() {
  stub "$1" fc-list "printf '%s\\n' 'DejaVu Sans' 'DejaVu Serif' 'DejaVu Sans,DejaVu Sans Condensed'"
}

# check NAME EXPECTED_RC EXPECTED_LOG EXPECTED_STDERR_PATTERN -- args
check() {
  local name="$1" want_rc="$2" want_log="$3" want_err="$4"
  shift 5
  local dir="$work/$name" rc=0
  PATH="$dir/bin" "$bash_bin" "$script" "$@" >"$dir/out" 2>"$dir/err" || rc=$?
  local log=""
  [ -e "$dir/log" ] && log="$(cat "$dir/log")"
  if [ "$rc" != "$want_rc" ] || [ "$log" != "$want_log" ] ||
     { [ -n "$want_err" ] && ! grep -qE "$want_err" "$dir/err"; } ||
     { [ -z "$want_err" ] && [ -s "$dir/err" ]; }; then
    echo "FALLA $name: código $rc (se esperaba $want_rc)"
    echo "  llamadas: [$log]"
    echo "  se esperaban: [$want_log]"
    sed 's/^/  stderr: /' "$dir/err"
    failures=$((failures + 1))
  else
    echo "bien  $name"
  fi
}

# Everything present: neither apt-get nor dpkg is asked anything.
d="$work/todo_presente"
real_bin "$d/bin" "${basic[@]}" "${tools_all[@]}"
fonts_stub "$d/bin"
standard_stubs "$d/bin" "$d/log" ""
check todo_presente 0 "" "" --

# One pkg-config module missing: apt-get installs exactly its package.
d="$work/falta_erfa"
real_bin "$d/bin" "${basic[@]}" c++ ninja
fonts_stub "$d/bin"
real_pc="$(command -v pkg-config)"
stub "$d/bin" pkg-config "[ \"\$2\" = erfa ] && exit 1; exec '$real_pc' \"\$@\""
standard_stubs "$d/bin" "$d/log" ""
check falta_erfa 0 "apt-get update -qq
apt-get install -y -qq --no-install-recommends liberfa-dev" "" --

# No apt and no dpkg: one line names what is missing, nothing is installed.
d="$work/sin_apt"
real_bin "$d/bin" "${basic[@]}" c++ pkg-config
fonts_stub "$d/bin"
check sin_apt 1 "" "^Faltan / Missing .*: ninja-build$" --

# Without fontconfig the fonts are asked of dpkg, and only they.
d="$work/fuentes_por_dpkg"
real_bin "$d/bin" "${basic[@]}" c++ ninja pkg-config
standard_stubs "$d/bin" "$d/log" "fonts-dejavu-core fonts-dejavu-extra"
check fuentes_por_dpkg 0 "dpkg-query fonts-dejavu-core
dpkg-query fonts-dejavu-core
dpkg-query fonts-dejavu-extra" "" --

# An extra package: its command present is enough; absent, dpkg decides.
d="$work/extra"
real_bin "$d/bin" "${basic[@]}" "${tools_all[@]}"
fonts_stub "$d/bin"
stub "$d/bin" cppcheck "exit 0"
standard_stubs "$d/bin" "$d/log" ""
check extra 0 "dpkg-query clang-tidy
apt-get update -qq
apt-get install -y -qq --no-install-recommends clang-tidy" "" -- cppcheck clang-tidy

[ "$failures" -eq 0 ]
