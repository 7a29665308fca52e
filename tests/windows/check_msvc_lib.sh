#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Links a program that takes the address of every function against
# roviro2.lib with Microsoft's linker's stand-in, lld-link, and reads the
# program's import table: all 79 names, from roviro2.dll, undecorated (on
# 32-bit Windows the client refers to _PT_GW_SndMsg@8, the DLL exports
# PT_GW_SndMsg). Exits 77 (skipped) when clang or lld-link is missing.
#
#   check_msvc_lib.sh SOURCE_DIR IMPORT_LIBRARY ARCH(i686|x86_64) OBJDUMP
set -euo pipefail
root=$1 lib=$2 arch=$3 objdump=$4
for tool in clang lld-link; do
  command -v "$tool" >/dev/null || { echo "not run: $tool is not installed"; exit 77; }
done
case "$arch" in
  i686) target=i686-pc-windows-msvc ;;
  x86_64) target=x86_64-pc-windows-msvc ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
work=$(mktemp -d /tmp/roviro2-msvc-XXXXXX)
trap 'rm -rf "$work"' EXIT
names=$(sed -n 's/^ \+\(PT_[A-Za-z0-9_]\+\) @.*/\1/p' "$root/src/lib/roviro2.def")
{
  echo '#include "roviro2.h"'
  echo 'const void *const table[] = {'
  for name in $names; do echo "  (const void *)$name,"; done
  echo '};'
  echo 'int start(void) { return PT_API_Open() + (table[1] != 0); }'
} >"$work/client.c"
clang --target=$target -ffreestanding -O1 -c -I"$root/include" "$work/client.c" -o "$work/client.obj"
lld-link /nologo /entry:start /subsystem:console /nodefaultlib /out:"$work/client.exe" \
  "$work/client.obj" "$lib"
"$objdump" -p "$work/client.exe" >"$work/dump"
imported=$(sed -n '/DLL Name: roviro2.dll/,/^$/p' "$work/dump" | awk 'NF == 3 && $2 ~ /^[0-9]+$/ {print $3}' | LC_ALL=C sort)
expected=$(printf '%s\n' $names | LC_ALL=C sort)
if [ "$imported" != "$expected" ]; then
  echo "FAIL: the program's imports from roviro2.dll differ from the module definition:" >&2
  diff <(echo "$expected") <(echo "$imported") >&2 || true
  exit 1
fi
echo "$lib: ok (a program linked with lld-link imports all $(echo "$names" | wc -w) names undecorated)"
