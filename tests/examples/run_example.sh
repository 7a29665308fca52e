#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one example program against the simulator in a scratch folder with an
# IPINDEX for it, and checks its exit status and a line of its output.
#
#   run_example.sh SIMULATOR 'SCRIPT' STATUS 'TEXT' PROGRAM [ARGS...]
#
# SCRIPT: the simulator's script, lines separated by '\n' (printf %b); the
# word "refused" instead points the IPINDEX at a port nobody listens on.
set -euo pipefail
simulator=$1 script=$2 status=$3 text=$4
shift 4
# shellcheck source=scripts/simulator.sh
. "$(dirname "$0")/../../scripts/simulator.sh"
simulator_workspace example
if [ "$script" = refused ]; then : >"$work/script"; else printf '%b' "$script" >"$work/script"; fi
start_simulator "$work" "$simulator" --script "$work/script" || exit 1
[ "$script" = refused ] && stop_simulator
got=0
(cd "$work" && timeout 30 "$@" </dev/null >"$work/out" 2>&1) || got=$?
cat "$work/out"
[ "$got" -eq "$status" ] || { echo "FAILED: exit status $got, expected $status" >&2; exit 1; }
grep -qF -- "$text" "$work/out" || { echo "FAILED: no line with '$text'" >&2; exit 1; }
