#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compiles the Pascal unit's test program and the README's Pascal example
# with Free Pascal against the library of a build (build/ by default) and
# runs each against the simulator. Free Pascal comes from outside the
# project: when it cannot be installed, this is reported as not run, loudly,
# and the script still succeeds. A failing compile or program fails it.
#
#   scripts/test-pascal.sh [BUILD_DIR [FILE]]   FILE (if given) gets one line per group not run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
not_run=${2:-/dev/null}

"$root/scripts/bootstrap.sh" --optional fp-compiler fp-units-rtl || true
if ! command -v fpc >/dev/null; then
  line="PASCAL BINDING TESTS NOT RUN: fpc could not be installed (see above)"
  echo "== $line" >&2
  echo "$line" >>"$not_run"
  exit 0
fi

# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
simulator_workspace pascal

# The README's example, as the section shows it.
readme_example Pascal "$root/README.md" pascal >"$work/first.pas"
[ -s "$work/first.pas" ] || { echo "test-pascal: no Pascal example in README.md" >&2; exit 1; }

compile() {
  fpc -Mdelphi -vew -Fu"$root/bindings/pascal" -FE"$work" -Fl"$build" -k-rpath="$build" "$1" >"$work/fpc.log" 2>&1 ||
    { cat "$work/fpc.log" >&2; echo "test-pascal: $1 did not compile" >&2; exit 1; }
}
compile "$root/bindings/pascal/tests/test_roviro2.pas"
compile "$work/first.pas"

run() {
  local script=$1 text=$2 program=$3 status=0
  printf '%b' "$script" >"$work/script"
  start_simulator "$work" "$build/roviro2-gwsim" --script "$work/script"
  (cd "$work" && timeout 60 "./$program" </dev/null >"$work/out" 2>&1) || status=$?
  stop_simulator
  cat "$work/out"
  [ "$status" -eq 0 ] || { echo "test-pascal: $program exited $status" >&2; exit 1; }
  grep -qF -- "$text" "$work/out" || { echo "test-pascal: $program printed no '$text'" >&2; exit 1; }
}
echo "== Pascal binding"
run '' 'every check passed' test_roviro2
run 'expect 1:1:5 0\nkey 1:1:5 0x41\n' 'command 0x0B from node 5: 1 byte(s), first 0x41' first
