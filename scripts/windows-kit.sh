#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds both Windows DLLs (scripts/windows.sh) and packs each with CPack
# into a zip: bin/roviro2.dll; lib/roviro2.lib (Microsoft's linker),
# lib/libroviro2.dll.a (MinGW), lib/roviro2.def, the CMake package and
# roviro2.pc; include/roviro2.h; the documents under share/doc/roviro2/.
# The zips go into build/windows-kit/; the script checks the layout of each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/windows.sh"
out="$root/build/windows-kit"
mkdir -p "$out"
for arch in i686 x86_64; do
  build="$root/build/windows-$arch"
  (cd "$out" && cpack --config "$build/CPackConfig.cmake" -G ZIP >/dev/null)
done
status=0
for zip in "$out"/roviro2-*.zip; do
  listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
  for file in bin/roviro2.dll lib/roviro2.lib lib/libroviro2.dll.a lib/roviro2.def include/roviro2.h \
    share/doc/roviro2/LICENSE; do
    if ! grep -q "^[^/]*/$file$" <<<"$listing"; then
      echo "windows-kit: $(basename "$zip") has no $file" >&2
      status=1
    fi
  done
  echo "Made $zip"
done
exit $status
