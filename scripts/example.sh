#!/usr/bin/env bash
# Builds Snd_Pull and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build/gcc -j "$(nproc)" --target Snd_Pull
./build/gcc/Snd_Pull
