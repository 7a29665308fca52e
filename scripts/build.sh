#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into build/: everything, or only the targets named.
#
#   scripts/build.sh [TARGET...]                  with the tests and benchmarks
#   scripts/build.sh --no-tests [TARGET...]       the library and tools only: no test
#                                                 or benchmark library is needed
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tests=ON
if [ "${1:-}" = "--no-tests" ]; then
  tests=OFF
  shift
  "$root/scripts/bootstrap.sh" --build-only
else
  "$root/scripts/bootstrap.sh"
fi
# The benchmarks are built with the tests, so that they keep compiling and
# their harness is tested; running them is scripts/bench.sh's job.
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROVIRO2_BUILD_TESTS=$tests \
  -DROVIRO2_BUILD_BENCHMARKS=$tests -DROVIRO2_WERROR=ON >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$root/build" -j"$(nproc)" "${targets[@]}"
