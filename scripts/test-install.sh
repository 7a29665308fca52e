#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the library as a user of it would: installs the build into a
# temporary prefix and checks the tree; builds a consumer against it with
# its CMake package and one with pkg-config (from a moved copy of the
# prefix, which must still work), and one that builds the library from
# its sources with add_subdirectory; runs each against the installed
# simulator and checks that its number reached the simulated light bar.
# Then makes the .deb and .tar.gz with cpack and compares the .deb's file
# list with tests/consumers/deb-contents.txt.
#
#   scripts/test-install.sh [BUILD_DIR]   (default: build/, as scripts/build.sh makes it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/scripts/bootstrap.sh" pkg-config dpkg-dev
cmake --build "$build" -j"$(nproc)" >/dev/null

version=$(sed -n 's/^project(roviro2 VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
simulator_workspace install
fail() {
  echo "test-install: $*" >&2
  exit 1
}
passed=0
pass() {
  echo "   ok: $*"
  passed=$((passed + 1))
}

echo "== test-install: installing into a temporary prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in include/roviro2.h include/roviro2_ext.h lib/libroviro2.so lib/libroviro2.so.1 \
  lib/cmake/roviro2/roviro2Config.cmake lib/cmake/roviro2/roviro2ConfigVersion.cmake \
  lib/pkgconfig/roviro2.pc bin/roviro2 bin/roviro2-gwsim bin/roviro2-bridge share/doc/roviro2/LICENSE; do
  [ -e "$prefix/$file" ] || fail "the install has no $file"
done
pass "the installed tree has the library, headers, package files and tools"
for tool in roviro2 roviro2-gwsim roviro2-bridge; do
  [ "$("$prefix/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version is not $version"
  grep -q "roviro2 $version" "$prefix/share/man/man1/$tool.1" || fail "no manual page of $tool $version"
done
pass "the installed tools answer --version with $version and have their manual page"
pc="$prefix/lib/pkgconfig/roviro2.pc"
if grep -nF -e "$root" -e "$build" -e "$prefix" "$pc"; then
  fail "roviro2.pc names a build-tree or install path"
fi
pass "roviro2.pc names no build-tree or install path"

# The simulator from the prefix, with the devices' state in a file.
start_simulator "$work" "$prefix/bin/roviro2-gwsim" --state "$work/devices" ||
  fail "the installed simulator did not start"

# Runs a consumer program with NUMBER and waits (5 s at most) for the
# simulated light bar to show it.
run_consumer() {
  local program=$1 number=$2 what=$3
  (cd "$work" && timeout 20 "$program" "$number") || fail "$what: the consumer failed"
  for _ in $(seq 100); do
    grep -qE "display \| *$number\|" "$work/devices" 2>/dev/null && {
      pass "$what: built, ran, and the light bar shows $number"
      return
    }
    sleep 0.05
  done
  fail "$what: the light bar does not show $number: $(cat "$work/devices")"
}

echo "== test-install: consumers"
cmake -S "$root/tests/consumers/cmake-package" -B "$work/package" \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/package" >/dev/null
run_consumer "$work/package/consumer" 41 "find_package(roviro2 1.1)"

# A moved prefix: the .pc file finds it from its own place.
cp -a "$prefix" "$work/moved"
export PKG_CONFIG_PATH="$work/moved/lib/pkgconfig"
[ "$(pkg-config --modversion roviro2)" = "$version" ] || fail "pkg-config gives another version"
libdir=$(pkg-config --variable=libdir roviro2)
[ "$(cd "$libdir" && pwd)" = "$work/moved/lib" ] || fail "pkg-config gives libdir $libdir"
# shellcheck disable=SC2046
cc -o "$work/pc-consumer" "$root/tests/consumers/consumer.c" $(pkg-config --cflags --libs roviro2) \
  -Wl,-rpath,"$libdir"
run_consumer "$work/pc-consumer" 42 "pkg-config, moved prefix"

cmake -S "$root/tests/consumers/subdirectory" -B "$work/subdirectory" \
  -DROVIRO2_SOURCE_DIR="$root" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/subdirectory" -j"$(nproc)" --target consumer roviro2-cli >/dev/null
for file in libroviro2.so roviro2; do
  [ -e "$work/subdirectory/$file" ] && fail "add_subdirectory: $file lands in the parent's build root"
  [ -f "$work/subdirectory/roviro2-build/$file" ] || fail "add_subdirectory: no roviro2-build/$file"
done
pass "add_subdirectory: the library's outputs stay in its own build folder"
run_consumer "$work/subdirectory/consumer" 43 "add_subdirectory"

echo "== test-install: packages"
mkdir "$work/packages"
(cd "$work/packages" && cpack --config "$build/CPackConfig.cmake" -G "DEB;TGZ" >"$work/cpack.log") ||
  fail "cpack failed: $(tail -n 20 "$work/cpack.log")"
deb=$(ls "$work/packages"/roviro2_"$version"_*.deb)
ls "$work/packages"/roviro2-"$version"-*.tar.gz >/dev/null || fail "cpack made no .tar.gz"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the .deb's version is not $version"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' |
  sed 's/roviro2Targets-[a-z]*\.cmake$/roviro2Targets-BUILDTYPE.cmake/' | LC_ALL=C sort >"$work/deb-contents.txt"
diff -u "$root/tests/consumers/deb-contents.txt" "$work/deb-contents.txt" ||
  fail "the .deb's files differ from tests/consumers/deb-contents.txt (above)"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "the .deb names no dependencies"
pass "the .deb $(basename "$deb") holds the expected files, and the .tar.gz is made"
echo "$passed passed, 0 failed"
