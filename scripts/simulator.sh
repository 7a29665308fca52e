# SPDX-License-Identifier: MIT
# Sourced by the scripts that run programs against the simulator.
#
#   start_simulator DIR SIMULATOR [OPTIONS...]
#
# Starts SIMULATOR with OPTIONS in the background, its output in
# DIR/simulator.log, and waits (5 s at most) for its first gateway; then
# sets `sim` (its process) and `port` and writes DIR/IPINDEX naming that
# gateway as gateway 1. Returns 1, the log on stderr, when it did not start.
# The caller ends it: [ -n "$sim" ] && kill "$sim".
start_simulator() {
  local dir=$1 program=$2
  shift 2
  "$program" "$@" >"$dir/simulator.log" 2>&1 &
  sim=$!
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/^gateway 1 listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$dir/simulator.log")
    [ -n "$port" ] && break
    sleep 0.05
  done
  if [ -z "$port" ]; then
    echo "the simulator did not start:" >&2
    cat "$dir/simulator.log" >&2
    return 1
  fi
  printf '1 %s 127.0.0.1\r\n' "$port" >"$dir/IPINDEX"
}

# Ends the simulator that start_simulator started, if any.
stop_simulator() {
  if [ -n "${sim:-}" ]; then
    kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    sim=""
  fi
  return 0
}

# Makes a scratch folder, `work` (named /tmp/roviro2-NAME-...), that goes,
# with the simulator, when the script exits.
simulator_workspace() {
  work=$(mktemp -d "/tmp/roviro2-$1-XXXXXX")
  sim=""
  trap 'stop_simulator; rm -rf "$work"' EXIT
}

#   readme_example TITLE README LANGUAGE
# The example of README's section `## TITLE`, in its code block of LANGUAGE.
readme_example() {
  sed -n "/^## $1\$/,/^## /p" "$2" | sed -n "/^\`\`\`$3\$/,/^\`\`\`\$/p" | sed '1d;$d'
}
