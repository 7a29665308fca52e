#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a source file of the project (C, C++, CMake, shell, Python, the
# export list and the module definition) lacks the one-line SPDX licence
# header in its first three lines, and names each such file. Build
# directories inside the tree are left out, whatever their names.
#
#   scripts/check-spdx.sh [SOURCE_DIR]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files --cached --others --exclude-standard)
else
  files=$(find . -path ./build -prune -o -path './build-*' -prune -o -type f -print | sed 's|^\./||')
fi
# A build directory inside the tree, whatever its name, holds generated
# files: it is the one with a CMakeCache.txt at its top.
builds=$(sed -n 's|/CMakeCache.txt$||p' <<<"$files")
in_build() {
  local build
  while IFS= read -r build; do
    [ -n "$build" ] && [[ "$1" == "$build"/* ]] && return 0
  done <<<"$builds"
  return 1
}
missing=0
while IFS= read -r file; do
  in_build "$file" && continue
  case "$file" in
    fuzz/corpus/*) continue ;;
    *.c | *.h | *.cpp | *.cmake | *.in | CMakeLists.txt | */CMakeLists.txt | *.sh | *.py | \
      .ci/run | *.map | *.def) ;;
    *) continue ;;
  esac
  [ -f "$file" ] || continue
  if ! head -n 3 "$file" | grep -q 'SPDX-License-Identifier: MIT'; then
    echo "no SPDX header: $file"
    missing=1
  fi
done <<<"$files"
exit $missing
