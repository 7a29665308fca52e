#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds roviro2.dll for 32-bit (i686) and 64-bit (x86_64) Windows with the
# MinGW-w64 cross compilers, together with the test programs, into
# build/windows-i686/ and build/windows-x86_64/. Each folder then holds
# roviro2.dll and its import library libroviro2.dll.a.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh" g++-mingw-w64-i686 g++-mingw-w64-x86-64 python3
for arch in i686 x86_64; do
  build="$root/build/windows-$arch"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DROVIRO2_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
  cmake --build "$build" -j"$(nproc)"
  echo "Built $build/roviro2.dll"
done
