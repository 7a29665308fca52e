#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts a local MQTT broker (mosquitto) on a free loopback port, the gateway
# simulator and roviro2-bridge, then publishes a command with mosquitto_pub
# and shows its reply, the simulated key press that answers it, and what the
# light bar shows. Exits 0 when the reply and the event came through.
#
#   scripts/bridge-demo.sh                  installs what is missing, builds into build/
#   scripts/bridge-demo.sh --binaries DIR   runs the programs already built in DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build"
case "$#:${1:-}" in
  0:)
    "$root/scripts/bootstrap.sh" --build-only libmosquitto-dev nlohmann-json3-dev mosquitto \
      mosquitto-clients
    "$root/scripts/build.sh" --no-tests roviro2-bridge roviro2-gwsim
    ;;
  2:--binaries) bin=$(cd "$2" 2>/dev/null && pwd) || { echo "bridge-demo: no folder $2" >&2; exit 2; } ;;
  *) echo "usage: scripts/bridge-demo.sh [--binaries BUILD_DIR]" >&2; exit 2 ;;
esac
for program in roviro2-gwsim roviro2-bridge; do
  [ -x "$bin/$program" ] || { echo "bridge-demo: $bin/$program is not built" >&2; exit 2; }
done
# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
simulator_workspace bridge-demo
broker="" bridge=""
stop_all() {
  [ -n "$bridge" ] && kill "$bridge" 2>/dev/null && wait "$bridge" 2>/dev/null
  [ -n "$broker" ] && kill "$broker" 2>/dev/null && wait "$broker" 2>/dev/null
  stop_simulator
  rm -rf "$work"
}
trap stop_all EXIT

# A broker on a free port. A port found free can be taken by another
# program before the broker binds it; the broker then exits, and the next
# port is tried.
start_broker() {
  local _
  mqtt=$((20000 + RANDOM % 12000)) # below the system's ephemeral ports
  (exec 3<>"/dev/tcp/127.0.0.1/$mqtt") 2>/dev/null && return 1
  printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$mqtt" >"$work/broker.conf"
  mosquitto -c "$work/broker.conf" >"$work/broker.log" 2>&1 &
  broker=$!
  for _ in $(seq 200); do # 10 s at most
    (exec 3<>"/dev/tcp/127.0.0.1/$mqtt") 2>/dev/null && return 0
    kill -0 "$broker" 2>/dev/null || break
    sleep 0.05
  done
  kill "$broker" 2>/dev/null && wait "$broker" 2>/dev/null
  broker=""
  return 1
}
for _ in $(seq 10); do start_broker && break; done
[ -n "$broker" ] || { echo "bridge-demo: mosquitto did not start:" >&2; cat "$work/broker.log" >&2; exit 1; }

# The light bar answers the number it is shown with a key press.
printf 'expect 1:1:5 0x00\nkey 1:1:5 0x41\n' >"$work/events.gwsim"
start_simulator "$work" "$bin/roviro2-gwsim" --state "$work/devices" --script "$work/events.gwsim"
"$bin/roviro2-bridge" --port "$mqtt" --name demo --ipindex "$work" 2>"$work/bridge.log" &
bridge=$!
echo "broker on 127.0.0.1:$mqtt, bridge 'demo' on the simulator's gateway 1"

ok=0
for _ in $(seq 50); do
  status=$(timeout 1 mosquitto_sub -p "$mqtt" -t roviro2/demo/gw/1/status -C 1 -W 1 2>/dev/null || true)
  case $status in *'"connected"'*) ok=1; break ;; esac
done
[ $ok -eq 1 ] || { echo "the bridge did not connect gateway 1:" >&2; cat "$work/bridge.log" >&2; exit 1; }
echo "status: $status"

timeout 15 stdbuf -oL mosquitto_sub -d -p "$mqtt" -v -t 'roviro2/demo/reply/#' -t 'roviro2/demo/tag/#' -C 2 \
  -W 10 >"$work/seen" &
watcher=$!
for _ in $(seq 100); do # the command goes out once the subscription stands
  grep -q SUBACK "$work/seen" && break
  sleep 0.05
done
command='{"id":"demo1","function":"PT_LB_DspNum","args":["1:1:5",42,0,0]}'
echo "mosquitto_pub -t roviro2/demo/cmd -m '$command'"
mosquitto_pub -p "$mqtt" -q 1 -t roviro2/demo/cmd -m "$command"
wait "$watcher" || true
grep '^roviro2/' "$work/seen"
echo
echo "the simulator's view of the devices:"
cat "$work/devices"
grep -q '^roviro2/demo/reply/demo1 .*"result":0' "$work/seen" &&
  grep -q '^roviro2/demo/tag/1/1/5/event .*"hex":"41"' "$work/seen"
