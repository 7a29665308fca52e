#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compiles the C# binding, its test program and the README's C# example with
# mcs and runs each with mono against the simulator and the library of a
# build (build/ by default). Mono comes from outside the project: when it
# cannot be installed, this is reported as not run, loudly, and the script
# still succeeds. A failing compile or program fails it.
#
#   scripts/test-dotnet.sh [BUILD_DIR [FILE]]   FILE (if given) gets one line per group not run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
not_run=${2:-/dev/null}

"$root/scripts/bootstrap.sh" --optional mono-mcs mono-runtime || true
if ! command -v mcs >/dev/null || ! command -v mono >/dev/null; then
  line="C# BINDING TESTS NOT RUN: mono-mcs or mono-runtime could not be installed (see above)"
  echo "== $line" >&2
  echo "$line" >>"$not_run"
  exit 0
fi

# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
simulator_workspace dotnet

readme_example 'C#' "$root/README.md" csharp >"$work/First.cs"
[ -s "$work/First.cs" ] || { echo "test-dotnet: no C# example in README.md" >&2; exit 1; }

# The managed assembly is not named roviro2.dll: on Windows that is the
# native library's name.
mcs -warnaserror -target:library -out:"$work/Roviro2.Net.dll" "$root"/bindings/dotnet/*.cs
mcs -warnaserror -r:"$work/Roviro2.Net.dll" -out:"$work/TestRoviro2.exe" \
  "$root/bindings/dotnet/tests/TestRoviro2.cs"
mcs -warnaserror -r:"$work/Roviro2.Net.dll" -out:"$work/First.exe" "$work/First.cs"

run() {
  local script=$1 text=$2 program=$3 status=0
  printf '%b' "$script" >"$work/script"
  start_simulator "$work" "$build/roviro2-gwsim" --script "$work/script"
  (cd "$work" && LD_LIBRARY_PATH=$build timeout 60 mono "./$program" </dev/null >"$work/out" 2>&1) ||
    status=$?
  stop_simulator
  cat "$work/out"
  [ "$status" -eq 0 ] || { echo "test-dotnet: $program exited $status" >&2; exit 1; }
  grep -qF -- "$text" "$work/out" || { echo "test-dotnet: $program printed no '$text'" >&2; exit 1; }
}
echo "== C# binding"
run '' 'every check passed' TestRoviro2.exe
run 'expect 1:1:5 0\nkey 1:1:5 0x41\n' 'command 0x0B from node 5: 41' First.exe
