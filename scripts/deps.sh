#!/usr/bin/env bash
# Installs what building and testing need, only where it is missing, together
# with any extra Debian packages named as arguments.
set -euo pipefail

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
command -v g++ >/dev/null || missing+=(g++)
command -v clang++ >/dev/null || missing+=(clang)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
[ -f /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || missing+=(libclang-rt-dev)
# Test-only: the sample decoders are compared with ffmpeg on files ffmpeg and sox write.
command -v ffmpeg >/dev/null || missing+=(ffmpeg)
command -v sox >/dev/null || missing+=(sox)
for extra in "$@"; do
  dpkg-query -W -f='${Status}' "$extra" 2>/dev/null | grep -q 'install ok installed' || missing+=("$extra")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  # Console programs need none of the desktop extras that Wine recommends.
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
