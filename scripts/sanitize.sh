#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs every test there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh"
cd "$root"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$(nproc)"
ctest --preset sanitize -j"$(nproc)"
