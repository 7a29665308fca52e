#!/usr/bin/env bash
# Makes sure the build tools and test libraries are installed. On a Debian
# machine run as root it installs what is missing; elsewhere it names it.
# Further packages that a script needs may be named as arguments.
set -euo pipefail

packages=(cmake make g++ binutils libgtest-dev libgmock-dev libbenchmark-dev "$@")
missing=()
for pkg in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
