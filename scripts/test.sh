#!/usr/bin/env bash
# Builds and runs every test: once with GCC, once with Clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, which also runs each fuzz
# target for FUZZ_SECONDS (default 60); then the browser test of the page
# (scripts/web-test.sh); then the Windows pass
# (scripts/windows.sh): the end-to-end tests against the Windows build under
# Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Test-only: ffmpeg and sox, the oracles of tests/facts/WaveOracleE2E.cpp;
# groff renders the man pages, python3-jsonschema checks every JSON document
# against docs/snd_info.schema.json; pkgconf, dpkg-dev and lintian for the
# tests of the installed tree and the Debian packages.
bash scripts/deps.sh ffmpeg sox groff-base python3-jsonschema pkgconf dpkg-dev file lintian

jobs=$(nproc)
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build/gcc -j "$jobs"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DSND_SANITIZE=ON -DSND_FUZZ=ON -DSND_FUZZ_SECONDS="${FUZZ_SECONDS:-60}" >/dev/null
cmake --build build/asan -j "$jobs"

echo "== Tests (GCC)"
ctest --test-dir build/gcc --output-on-failure -j "$jobs"
echo "== Tests and fuzz targets (Clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== The browser page (Emscripten build, headless Chromium)"
bash scripts/web-test.sh

# Last, so that the run closes with its summary.
bash scripts/windows.sh
