#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything (library, tools, tests, benchmarks) as an outside user
# would with a plain `cmake -DCMAKE_BUILD_TYPE=...`, for each build type with
# GCC and for Release with clang, warnings as errors, into build-matrix/.
# The tests run in build/ (scripts/test.sh); here only building is checked.
#
#   scripts/build-matrix.sh [NAME...]   NAME: gcc-Release gcc-Debug gcc-MinSizeRel
#                                       gcc-RelWithDebInfo clang-Release (default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh" clang
all=(gcc-Release gcc-Debug gcc-MinSizeRel gcc-RelWithDebInfo clang-Release)
[ $# -gt 0 ] && all=("$@")
for name in "${all[@]}"; do
  compiler=${name%%-*}
  type=${name#*-}
  case "$compiler" in
    gcc) cc=gcc cxx=g++ ;;
    clang) cc=clang cxx=clang++ ;;
    *) echo "build-matrix: unknown compiler in $name" >&2; exit 2 ;;
  esac
  build="$root/build-matrix/$name"
  echo "== build-matrix: $name"
  CC=$cc CXX=$cxx cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="$type" \
    -DROVIRO2_WERROR=ON -DROVIRO2_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$build" -j"$(nproc)" >"$build.log" 2>&1 || {
    grep -E 'error|warning' "$build.log" | head -n 40 >&2
    echo "build-matrix: $name failed (whole log: $build.log)" >&2
    exit 1
  }
  if grep -q 'warning:' "$build.log"; then
    grep 'warning:' "$build.log" | head -n 20 >&2
    echo "build-matrix: $name built with warnings" >&2
    exit 1
  fi
  echo "   built with no warning"
done
