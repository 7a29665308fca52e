#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test, the bindings' too, then installs
# the build and builds and runs programs against the installed library and
# its packages.
#
#   scripts/test.sh [FILE]   FILE (if given) gets one line per test group not run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
not_run=${1:-/dev/null}
"$root/scripts/build.sh"
ctest --test-dir "$root/build" --output-on-failure -j"$(nproc)"
"$root/scripts/test-python.sh" "$root/build" "$not_run"
"$root/scripts/test-pascal.sh" "$root/build" "$not_run"
"$root/scripts/test-dotnet.sh" "$root/build" "$not_run"
"$root/scripts/test-install.sh" "$root/build"
