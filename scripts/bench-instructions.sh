#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Instruction counts per frame or call, from callgrind, and system calls
# per round trip, from valgrind's trace of them: each entry of
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

# Instructions of one run of entry $2 for $3 units, or ($1 = syscalls) the
# system calls the process made (its children's, the gateway's, left out).
count() {
  local out="$scratch/callgrind.out" log="$scratch/valgrind.log"
  if [ "$1" = syscalls ]; then
    valgrind --tool=none --trace-syscalls=yes --child-silent-after-fork=yes \
      "$program" "$2" "$3" >/dev/null 2>"$log" || return 1
    # One line per call (a call that blocks adds a line for its result).
    # Reading the clock is left out: natively it is no system call (vDSO),
    # only under valgrind.
    grep -E '^SYSCALL\[[0-9,]+\]\([0-9]+\) sys_' "$log" |
      grep -cvE ' sys_(clock_gettime|gettimeofday|time) ?\('
    return
  fi
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
    "$program" "$2" "$3" >/dev/null 2>"$log" || return 1
  awk '/^(summary|totals):/ { print $2; exit }' "$out"
}

declare -A perUnit
status=0
declare -A unit
while read -r name length kind; do
  unit[$name]=$([ "$kind" = syscalls ] && echo calls || echo instr)
  if short=$(count "$kind" "$name" "$length") && long=$(count "$kind" "$name" $((3 * length))); then
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
    -v goal="$goal" -v target="$target" -v unit="${unit[$figure]:-instr}" 'BEGIN {
      if (f == "" || r == "") { printf "| %s | - | - | - | - | MISSING |\n", label; exit 1 }
      ratio = r > 0 ? f / r : 0
      shown = "-"; verdict = "(no target)"; missed = 0
      if (goal == "instructions") { shown = "<= " target " " unit; missed = f > target + 0 }
      if (goal == "ratio") { shown = sprintf("<= %.2f", target); missed = ratio > target + 0 }
      if (goal != "none") verdict = missed ? "MISSED" : "met"
      printf "| %s | %s %s | %s %s | %.2f | %s | %s |\n", label, f, unit, r, unit, ratio, shown, verdict
      exit missed
    }' || status=1
done < <("$program" --rows)
exit $status
