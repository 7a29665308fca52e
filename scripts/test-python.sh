#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the Python binding's tests against the simulator with the library of
# a build (build/ by default), with Debian's pytest for /usr/bin/python3:
# first from the source folder, then installed by pip (offline) into a
# scratch folder. pytest and pip come from outside the project: when one
# cannot be installed, what needs it is reported as not run, loudly, and the
# script still succeeds. A failing test, or a run that collects no test,
# fails it.
#
#   scripts/test-python.sh [BUILD_DIR [FILE]]   FILE (if given) gets one line per group not run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
not_run=${2:-/dev/null}
python=/usr/bin/python3

not_run() {
  echo "== $1" >&2
  echo "$1" >>"$not_run"
}

"$root/scripts/bootstrap.sh" --optional python3-pytest python3-pip python3-setuptools || true
if ! "$python" -c 'import pytest' 2>/dev/null; then
  not_run "PYTHON BINDING TESTS NOT RUN: python3-pytest could not be installed (see above)"
  exit 0
fi

export ROVIRO2_LIB=$build/libroviro2.so ROVIRO2_GWSIM=$build/roviro2-gwsim
work=$(mktemp -d /tmp/roviro2-python-XXXXXX)
trap 'rm -rf "$work"' EXIT

run_tests() {
  local status=0
  (cd "$work" && timeout 300 "$python" -m pytest -q -p no:cacheprovider "$root/bindings/python/tests") ||
    status=$?
  # 5: no test was collected, which is a fault of this script or the tests.
  [ "$status" -eq 5 ] && echo "test-python: pytest collected no test" >&2
  return "$status"
}

echo "== Python binding, from the source folder"
run_tests

if ! "$python" -m pip --version >/dev/null 2>&1 || ! "$python" -c 'import setuptools' 2>/dev/null; then
  not_run "PYTHON BINDING NOT TESTED INSTALLED: python3-pip or python3-setuptools could not be installed (see above)"
  exit 0
fi
echo "== Python binding, installed by pip without the network"
cp -r "$root/bindings/python" "$work/source"
PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 "$python" -m pip install -q --no-build-isolation \
  --root-user-action=ignore --target "$work/installed" "$work/source"
[ -f "$work/installed/roviro2/_exports.py" ] || { echo "test-python: pip installed no package" >&2; exit 1; }
PYTHONPATH=$work/installed ROVIRO2_TEST_INSTALLED=1 run_tests
