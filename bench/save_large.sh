#!/usr/bin/env bash
# Saving a large WAVE file through the WAVE model (Snd_Info FILE /w:OUT)
# against a plain copy of the same file (cp --reflink=never): the time of
# each (median of RUNS, default 3) and the peak memory of Snd_Info, which
# copies the samples from the input in pieces instead of holding them.
#
#   bash bench/save_large.sh [SNDINFO] [MIB]    (defaults: build/gcc/Snd_Info, 256)
set -euo pipefail
info=${1:-build/gcc/Snd_Info}
mib=${2:-256}
runs=${RUNS:-3}
dir=$(mktemp -d "${TMPDIR:-/tmp}/snd-save.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# A PCM WAVE file of MIB MiB of noise: 44-byte header, then the samples.
python3 - "$dir/big.wav" "$mib" <<'PY'
import os, struct, sys
path, mib = sys.argv[1], int(sys.argv[2])
n = mib << 20
with open(path, 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', 36 + n) + b'WAVEfmt ' + struct.pack('<IHHIIHH', 16, 1, 2, 44100, 176400, 4, 16))
    f.write(b'data' + struct.pack('<I', n))
    block = os.urandom(1 << 20)
    for _ in range(mib):
        f.write(block)
PY
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
: > "$dir/ours"; : > "$dir/cp"; : > "$dir/rss"
for _ in $(seq "$runs"); do
  rm -f "$dir/out.wav" "$dir/cp.wav"
  /usr/bin/time -f "%e %M" -o "$dir/t" "$info" "$dir/big.wav" "/w:$dir/out.wav" >/dev/null
  read -r seconds kib < "$dir/t"; echo "$seconds" >> "$dir/ours"; echo "$kib" >> "$dir/rss"
  /usr/bin/time -f "%e" -o "$dir/t" cp --reflink=never "$dir/big.wav" "$dir/cp.wav"
  cat "$dir/t" >> "$dir/cp"
done
cmp -s "$dir/big.wav" "$dir/out.wav" && same=yes || same=no
ours=$(median < "$dir/ours"); copy=$(median < "$dir/cp"); peak=$(sort -n "$dir/rss" | tail -1)
echo "Saving a $mib MiB WAVE file on $(df --output=fstype "$dir" | tail -1): Snd_Info /w: ${ours} s, cp ${copy} s" \
     "(ratio $(awk -v a="$ours" -v b="$copy" 'BEGIN {printf "%.2f", a / b}')), peak $((peak / 1024)) MiB, same bytes: $same"
