#!/usr/bin/env bash
# The Windows pass: cross-builds the programs for 64-bit Windows into
# build/windows (scripts/windows-build.sh), then runs this host's end-to-end
# tests (the ctest tests whose names hold "E2E", from the GCC build in
# build/gcc) against the .exe files under Wine, expecting the same output as
# on Linux. Installs the cross compiler and Wine where they are missing.
# Works as root (or with sudo), without a display and without standard input.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/windows-build.sh wine64 wine
jobs=$(nproc)

# The host's test executable; scripts/test.sh has usually built it already.
if [ ! -f build/gcc/CMakeCache.txt ]; then
  cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
fi
cmake --build build/gcc -j "$jobs"

# Wine in a prefix of its own under build/, silenced: its diagnostics must
# never reach the standard error that the tests capture.
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=$(command -v wine); fi
if [ -x /usr/lib/wine/wineserver ]; then wineserver=/usr/lib/wine/wineserver; else wineserver=$(command -v wineserver); fi
export WINEPREFIX="$root/build/wine"
export WINEDEBUG=-all
# No offer to install .NET or a browser engine, no menu entries in $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
# Wine turns the Unix command line and file names into Windows text through
# the locale's character set: UTF-8, as on any current system.
export LC_ALL=C.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Creating the Wine prefix $WINEPREFIX"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
  "$wineserver" -w
fi
# One server for the whole pass (it would otherwise stop 3 s after each
# program), stopped at the end. Then one quiet run: a prefix older than the
# installed Wine is brought up to date here, not in the first test.
"$wineserver" -p30
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
trap 'exit 130' INT TERM
"$wine" build/windows/Snd_Pull.exe </dev/null >/dev/null 2>&1 || true

export SND_TEST_RUNNER="$wine"
export SND_PULL="$root/build/windows/Snd_Pull.exe"
if [ -f build/windows/Snd_Info.exe ]; then
  export SND_INFO="$root/build/windows/Snd_Info.exe"
else
  unset SND_INFO
fi
echo "== End-to-end tests against the Windows build, under Wine"
log=build/windows/e2e.log
ctest --test-dir build/gcc -R E2E --no-tests=error --output-on-failure -j "$jobs" | tee "$log"
# ctest lists the skipped tests after its summary; close with one plain line.
total=$(sed -n 's/.*tests failed out of \([0-9]*\)$/\1/p' "$log" | tail -n 1)
skipped=$(grep -c '(Skipped)$' "$log" || true)
echo "Windows: $((total - skipped)) passed, 0 failed, $skipped skipped"
