#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test, then installs the build and
# builds and runs programs against the installed library and its packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
ctest --test-dir "$root/build" --output-on-failure -j"$(nproc)"
"$root/scripts/test-install.sh" "$root/build"
