#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds both Windows DLLs and their zips (scripts/windows-kit.sh) and checks
# each DLL: its export table, ordinals, imports, __stdcall sizes and version
# resource as built (these need only the MinGW tools), roviro2.lib linked
# with lld-link (when clang and lld can be installed), then the integration
# tests under wine against a loopback gateway, message boxes answered by the
# tests themselves.
#
# Wine comes from outside the project: when it cannot be installed, the
# tests that need it are reported as not run, loudly, and the rest still
# counts. A failing check or test fails the script.
#
#   scripts/test-windows.sh [FILE]   FILE (if given) gets one line per test group not run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
not_run=${1:-/dev/null}

# roviro2.lib is made with llvm-dlltool (else binutils' dlltool), and its
# check links a program with clang and lld-link.
"$root/scripts/bootstrap.sh" --optional llvm clang lld || true
# The DLLs, and the zips of the kit around them.
"$root/scripts/windows-kit.sh"
for tool in clang lld-link; do
  if ! command -v "$tool" >/dev/null; then
    line="roviro2.lib NOT CHECKED with Microsoft's linker: $tool could not be installed (see above)"
    echo "== $line" >&2
    echo "$line" >>"$not_run"
  fi
done

# 32-bit Windows programs need wine's i386 half.
if [ "$(id -u)" -eq 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  apt-get update -qq || echo "test-windows: warning: apt-get update failed" >&2
fi
"$root/scripts/bootstrap.sh" --optional wine wine64 || true
"$root/scripts/bootstrap.sh" --optional wine32:i386 || true

# Some kernels are built without 32-bit programs: wine's i386 half then
# installs but does not start ("Exec format error").
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Which DLLs wine can run here.
wine_runs() {
  case "$1" in
    i686) dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' &&
      runs_32bit ;;
    x86_64) command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] ;;
  esac && command -v wine >/dev/null
}

# Debian's wine starts every program through its i386 half once that is
# installed; where that half cannot start, 64-bit programs go straight to
# the 64-bit loader instead.
if [ -x /usr/lib/wine/wine ] && [ -x /usr/lib/wine/wine64 ] && ! runs_32bit; then
  echo "test-windows: wine's i386 half does not start on this system (no 32-bit programs);" \
    "64-bit programs run on its 64-bit loader" >&2
  loader_dir=$(mktemp -d /tmp/roviro2-wine64-XXXXXX)
  trap 'rm -rf "$loader_dir"' EXIT
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
      >"$loader_dir/$name"
    chmod +x "$loader_dir/$name"
  done
  export PATH="$loader_dir:$PATH"
fi

status=0
for arch in i686 x86_64; do
  build="$root/build/windows-$arch"
  if ! wine_runs "$arch"; then
    line="WINE TESTS NOT RUN for the $arch DLL: wine for $arch could not be installed or cannot start here (see above); only the static checks ran"
    echo "== $line" >&2
    echo "$line" >>"$not_run"
    ctest --test-dir "$build" --output-on-failure -R '^dll\.' || status=1
    continue
  fi
  prefix=$(mktemp -d /tmp/roviro2-wine-XXXXXX)
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  if [ "$arch" = i686 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
  echo "== $arch: preparing a wine prefix"
  timeout 300 wineboot --init >/dev/null 2>&1
  # Without a display, the null driver still gives hidden windows and modal
  # message boxes.
  timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  # The desktop that wineboot started keeps its driver: start anew.
  timeout 60 wineserver -k || true
  echo "== $arch: tests"
  ctest --test-dir "$build" --output-on-failure --timeout 300 || status=1
  timeout 60 wineserver -k || true
  rm -rf "$prefix"
done
exit $status
