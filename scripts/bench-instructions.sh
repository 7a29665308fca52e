#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Instruction counts per frame or call, from callgrind: each entry of
# roviro2_bench_instr runs for its length and for three times its length,
# and the difference of the two counts over the difference of the lengths
# leaves out everything the two runs share (start, connecting, closing).
# Prints one Markdown table; exits non-zero when a target is missed or an
# entry failed. The same binary and input give the same count on a busy
# machine, so these figures compare across changes where times do not.
#
#   scripts/bench-instructions.sh [PROGRAM]   default: build-bench/bench/roviro2_bench_instr
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build-bench/bench/roviro2_bench_instr}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Instructions of one run of entry $1 for $2 units.
count() {
  local out="$scratch/callgrind.out"
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
    "$program" "$1" "$2" >/dev/null 2>"$scratch/valgrind.log" || return 1
  awk '/^(summary|totals):/ { print $2; exit }' "$out"
}

declare -A perUnit
status=0
while read -r name length; do
  if short=$(count "$name" "$length") && long=$(count "$name" $((3 * length))); then
    perUnit[$name]=$(awk -v s="$short" -v l="$long" -v n="$length" \
      'BEGIN { printf "%.1f", (l - s) / (2 * n) }')
  else
    echo "error: $name failed under callgrind" >&2
    status=1
  fi
done < <("$program" --entries)

echo "| Work | Library | Reference | Ratio | Target | Verdict |"
echo "|---|---:|---:|---:|---:|---|"
while IFS=$'\t' read -r label figure reference goal target; do
  awk -v label="$label" -v f="${perUnit[$figure]:-}" -v r="${perUnit[$reference]:-}" \
    -v goal="$goal" -v target="$target" 'BEGIN {
      if (f == "" || r == "") { printf "| %s | - | - | - | - | MISSING |\n", label; exit 1 }
      ratio = r > 0 ? f / r : 0
      shown = "-"; verdict = "(no target)"; missed = 0
      if (goal == "instructions") { shown = "<= " target " instr"; missed = f > target + 0 }
      if (goal == "ratio") { shown = sprintf("<= %.2f", target); missed = ratio > target + 0 }
      if (goal != "none") verdict = missed ? "MISSED" : "met"
      printf "| %s | %s instr | %s instr | %.2f | %s | %s |\n", label, f, r, ratio, shown, verdict
      exit missed
    }' || status=1
done < <("$program" --rows)
exit $status
