#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes sure the build tools and test libraries are installed. On a Debian
# machine run as root it installs what is missing; elsewhere it names it.
#
#   scripts/bootstrap.sh [PACKAGE...]             the build tools, test libraries (the bridge's
#                                                 libraries, broker and clients too) and these:
#                                                 all must install
#   scripts/bootstrap.sh --build-only [PACKAGE...]  the build tools and these, no test libraries
#   scripts/bootstrap.sh --optional PACKAGE...    each that can be installed; one that cannot
#                                                 is reported on one line, and the exit is 3
#
# A failing `apt-get update` (one mirror index out of sync, say) is only a
# warning: the packages may still install from what the machine knows.
set -euo pipefail

optional=0
if [ "${1:-}" = "--optional" ]; then
  optional=1
  shift
  packages=("$@")
elif [ "${1:-}" = "--build-only" ]; then
  shift
  packages=(cmake make g++ binutils "$@")
else
  # The bridge's libraries, and the broker and clients its tests run.
  packages=(cmake make g++ binutils libgtest-dev libgmock-dev libbenchmark-dev
    libmosquitto-dev nlohmann-json3-dev mosquitto mosquitto-clients "$@")
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for pkg in "${packages[@]}"; do
  installed "$pkg" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  [ $optional -eq 1 ] && exit 3
  exit 1
fi

echo "Installing: ${missing[*]}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! apt-get -o DPkg::Lock::Timeout=600 update -qq >"$log" 2>&1; then
  echo "bootstrap: warning: apt-get update failed, installing from the known indexes:" \
    "$(grep -E '^(E|W):' "$log" | head -n 1)" >&2
fi

install() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$@" >"$log" 2>&1
}

if [ $optional -eq 0 ]; then
  if ! install "${missing[@]}"; then
    echo "bootstrap: could not install ${missing[*]}:" >&2
    grep -E '^(E|W):' "$log" >&2 || tail -n 5 "$log" >&2
    exit 1
  fi
  exit 0
fi

status=0
for pkg in "${missing[@]}"; do
  if ! install "$pkg"; then
    echo "bootstrap: NOT INSTALLED: $pkg: $(grep -E '^E:' "$log" | head -n 1)" >&2
    status=3
  fi
done
exit $status
