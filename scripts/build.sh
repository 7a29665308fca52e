#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into build/: everything, or only the targets named.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh"
# The benchmarks are built too, so that they keep compiling and their
# harness is tested; running them is scripts/bench.sh's job.
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROVIRO2_BUILD_BENCHMARKS=ON -DROVIRO2_WERROR=ON >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$root/build" -j"$(nproc)" "${targets[@]}"
