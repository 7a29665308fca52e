#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the library and its tools (nothing of the tests, so no test library
# is needed), starts the gateway simulator on a free loopback port and runs
# the demo application against it; then shows what the simulated devices
# display. Exits with the demo's status.
#
#   scripts/demo.sh                  builds into build/ first
#   scripts/demo.sh --binaries DIR   runs the programs already built in DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build"
case "$#:${1:-}" in
  0:) "$root/scripts/build.sh" --no-tests roviro2-demo roviro2-gwsim roviro2-cli ;;
  2:--binaries)
    bin=$(cd "$2" 2>/dev/null && pwd) || { echo "demo: there is no folder $2" >&2; exit 2; }
    for program in roviro2-gwsim roviro2-demo; do
      [ -x "$bin/$program" ] || { echo "demo: $bin/$program is not built" >&2; exit 2; }
    done
    ;;
  *) echo "usage: scripts/demo.sh [--binaries BUILD_DIR]" >&2; exit 2 ;;
esac
# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
simulator_workspace demo

start_simulator "$work" "$bin/roviro2-gwsim" --log --state "$work/devices" \
  --script "$root/tools/demo/events.gwsim" || exit 1
status=0
(cd "$work" && timeout 30 "$bin/roviro2-demo") || status=$?
echo
echo "the simulator's view of the devices:"
cat "$work/devices"
exit $status
