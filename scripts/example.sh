#!/usr/bin/env bash
# Builds Snd_Pull, Snd_Info and the bundled example (two packages of
# synthesized sounds and an export script, made by our own package builder
# into build/example/), then exports the example's sounds, says where the .wav
# files are, and shows Snd_Info on the example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build/gcc -j "$(nproc)" --target Snd_Pull Snd_Info make_example

rm -rf build/example
./build/gcc/example/make_example build/example
cd build/example
echo "== The export script build/example/batch.dpl:"
cat batch.dpl
echo "== Snd_Pull batch /i:pk /o:out   (run in build/example)"
# The script also names a sound and a package that do not exist: Snd_Pull
# reports both and ends with status 1.
status=0
../gcc/Snd_Pull batch /i:pk /o:out || status=$?
echo "(status $status)"
[ "$status" -eq 1 ]
echo "== The exported sounds are in $(pwd)/out:"
ls -l out
echo "== Snd_Info pk/Ambient.kzs   (what the package holds)"
../gcc/Snd_Info pk/Ambient.kzs
echo "== Snd_Info pk/Weather.kzs /dpl   (an export script for it)"
../gcc/Snd_Info pk/Weather.kzs /dpl
echo "== Snd_Info pk/Ambient.kzs Bell   (one sound as a WAVE file)"
../gcc/Snd_Info pk/Ambient.kzs Bell
