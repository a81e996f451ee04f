#!/usr/bin/env bash
# Builds the benchmarks (Release, GCC) and runs them in full:
#   1. make_bench_inputs writes the inputs (about 420 MiB) into
#      $BENCH_INPUTS (default build/bench-inputs, on the disk; point it at a
#      tmpfs such as /dev/shm/snd-bench to take the disk out of the figures);
#   2. bench_runner times Snd_Pull and model_copy against the raw-copy floor,
#      and Snd_Info's listing and print, $BENCH_RUNS timed runs each (default
#      21), and prints the table; $INFO_BEFORE may name an earlier Snd_Info
#      to hold the listing against;
#   3. micro_bench runs the micro-benchmarks (its inputs go to the same folder).
# The outputs stay in the input folder (about 1.5 GiB in all); remove it when done.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build/gcc -j "$(nproc)" --target Snd_Pull Snd_Info make_bench_inputs floor_copy model_copy bench_runner micro_bench

inputs=${BENCH_INPUTS:-build/bench-inputs}
bin=build/gcc/bench
echo "== Inputs in $inputs ($(df --output=fstype "$(dirname "$inputs")" | tail -1))"
"$bin/make_bench_inputs" "$inputs"
echo "== Export runs and the WAVE model against the floor"
before=()
[ -n "${INFO_BEFORE:-}" ] && before=(--info-before "$INFO_BEFORE")
"$bin/bench_runner" --pull build/gcc/Snd_Pull --floor "$bin/floor_copy" --model "$bin/model_copy" \
  --info build/gcc/Snd_Info "${before[@]}" --inputs "$inputs" --runs "${BENCH_RUNS:-21}"
echo "== Micro-benchmarks"
"$bin/micro_bench" --work_dir="$inputs"
