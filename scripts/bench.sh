#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmarks in Release into build-bench/ and runs them all: each
# library figure beside a plain reference measured in the same run, printed
# as one table per program. The program over loopback TCP runs twice: with
# the peers on a processor of their own, and with the peers on the
# application's processor. Then the instruction counts per frame or call
# (scripts/bench-instructions.sh), when valgrind is there. Exits non-zero
# when a target is missed or a benchmark failed. Arguments go to the timed
# programs (for example --benchmark_filter=send or
# --benchmark_repetitions=5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
"$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DROVIRO2_BUILD_BENCHMARKS=ON -DROVIRO2_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target roviro2_bench_link roviro2_bench_core \
  roviro2_bench_instr >/dev/null

details="$build/bench-details.txt"
: >"$details"
status=0
run() {
  echo
  echo "### $1"
  echo
  ROVIRO2_BENCH_PLACEMENT=$2 "$build/bench/$3" "${@:4}" 2>>"$details" || status=1
}
echo "Machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
run "Through the exports, over loopback TCP, peers on their own processor" split \
  roviro2_bench_link "$@"
run "Through the exports, over loopback TCP, peers on the application's processor" same \
  roviro2_bench_link "$@"
run "Inside the library, in memory" split roviro2_bench_core "$@"
cmake --build "$build" -j"$(nproc)" --target roviro2_bench_bridge >/dev/null 2>&1 &&
  run "The bridge through a broker, beside the library" split bridge/roviro2_bench_bridge
echo
echo "Every run in detail: $details"
if command -v valgrind >/dev/null; then
  echo
  echo "### Instructions per frame or call (callgrind)"
  echo
  "$root/scripts/bench-instructions.sh" "$build/bench/roviro2_bench_instr" || status=1
else
  echo "valgrind not found: no instruction counts"
fi
exit $status
