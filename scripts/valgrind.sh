#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the integration tests through the shared library (open, connect,
# exchange, close, open again) under valgrind: any leak or memory error fails.
# Expects the normal build in build/ (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh" valgrind
status=0
for program in "$root"/build/tests/integration_*_tests; do
  echo "valgrind: $(basename "$program")"
  valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --error-exitcode=1 "$program" --gtest_brief=1 || status=1
done
exit $status
