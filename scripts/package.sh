#!/usr/bin/env bash
# Makes the Debian packages of a release build: sndpull (the programs, their
# man pages and completion) and sndpull-dev (the library and its headers),
# into build/packages/; with --windows the Windows zip too
# (scripts/package-windows.sh). Lintian, where it is installed, must report
# no error.
#   scripts/package.sh [--windows]
#   scripts/package.sh BUILD_DIR OUT_DIR    (packages a build made already)
set -euo pipefail
cd "$(dirname "$0")/.."

windows=no
if [ "${1:-}" = --windows ]; then windows=yes; shift; fi
if [ $# -ge 2 ]; then
  build=$1
  out=$2
else
  # dpkg-shlibdeps (with file) works out the programs' dependencies.
  bash scripts/deps.sh dpkg-dev file
  build=build/package
  out=build/packages
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSND_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" >/dev/null
fi

mkdir -p "$out"
rm -f "$out"/*.deb
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$out"/*.deb
fi
[ "$windows" = no ] || bash scripts/package-windows.sh
ls "$out"/*.deb
