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
work=$(mktemp -d)
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/roviro2-gwsim" --log --state "$work/devices" \
  --script "$root/tools/demo/events.gwsim" >"$work/simulator.log" 2>&1 &
sim=$!
for _ in $(seq 100); do
  port=$(sed -n 's/^gateway 1 listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$work/simulator.log")
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || { echo "demo: the simulator did not start" >&2; cat "$work/simulator.log" >&2; exit 1; }

printf '1 %s 127.0.0.1\r\n' "$port" >"$work/IPINDEX"
status=0
(cd "$work" && timeout 30 "$bin/roviro2-demo") || status=$?
echo
echo "the simulator's view of the devices:"
cat "$work/devices"
exit $status
