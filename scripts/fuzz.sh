#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and runs each for a fixed time on a
# scratch copy of its corpus, then replays the saved corpus. A crash input is
# left in build-fuzz/crashes/<target>/ and makes the script fail.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
"$root/scripts/bootstrap.sh" clang libclang-rt-14-dev
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROVIRO2_WERROR=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DROVIRO2_BUILD_FUZZERS=ON -DROVIRO2_SANITIZE=ON -DROVIRO2_BUILD_TESTS=OFF >/dev/null
targets=$(sed -n 's/^set(ROVIRO2_FUZZ_TARGETS \(.*\))$/\1/p' "$root/fuzz/CMakeLists.txt")
for name in $targets; do
  cmake --build "$build" -j"$(nproc)" --target "fuzz_$name" >/dev/null
done
status=0
for name in $targets; do
  scratch="$build/scratch/$name"
  crashes="$build/crashes/$name"
  rm -rf "$scratch" "$crashes"
  mkdir -p "$scratch" "$crashes"
  cp "$root/fuzz/corpus/$name/"* "$scratch/"
  echo "fuzzing $name for ${seconds}s"
  if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 -artifact_prefix="$crashes/" "$scratch" \
      >"$build/$name.log" 2>&1; then
    echo "fuzz_$name found a failure; input saved in $crashes" >&2
    tail -n 40 "$build/$name.log" >&2
    status=1
  fi
  "$build/fuzz/fuzz_$name" -runs=0 "$root/fuzz/corpus/$name" >/dev/null 2>&1 || {
    echo "replaying the saved corpus of $name failed" >&2
    status=1
  }
done
exit $status
