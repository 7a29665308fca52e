#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's first program is examples/first.c, which the tests build and
# run: the README's copy must not drift from it.
#
#   readme_first.sh SOURCE_DIR
set -euo pipefail
root=$1
readme=$(sed -n '/^## A first program/,/^## /p' "$root/README.md" | sed -n '/^```c$/,/^```$/p' | sed '1d;$d')
if ! diff -u <(tail -n +2 "$root/examples/first.c") <(printf '%s\n' "$readme"); then
  echo "the README's first program differs from examples/first.c (above)" >&2
  exit 1
fi
