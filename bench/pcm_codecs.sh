#!/usr/bin/env bash
# Snd_Info --pcm against ffmpeg's decode and a plain copy, codec by codec:
#   bash bench/pcm_codecs.sh SND_INFO WORK_DIR [RUNS]
# ffmpeg writes 30 minutes of stereo 44.1 kHz pink noise in each codec
# (16-bit PCM, mu-law, A-law, IMA ADPCM, MS ADPCM) into WORK_DIR; then, per
# codec, one warm-up run each and RUNS (default 3) timed runs, alternating:
#   ours    SND_INFO IN.wav /w:OUT.wav --pcm
#   ffmpeg  ffmpeg -v error -y -i IN.wav -f s16le OUT.raw
#   cp      cp OUT.raw COPY.raw   (the copy of the output's size)
# and prints the medians (wall seconds, and user + system CPU seconds) as a
# Markdown table. The outputs go to WORK_DIR, on the inputs' disk; about
# 2.5 GiB in all: remove it when done.
set -euo pipefail
info=$(realpath "$1")
work=$2
runs=${3:-3}
mkdir -p "$work"
cd "$work"
frames=$((30 * 60 * 44100))

# Wall and CPU seconds of a command, as "wall cpu".
timed() {
  /usr/bin/time -o times.txt -f '%e %U %S' "$@" >/dev/null 2>&1
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' times.txt
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "| codec | ours s | ffmpeg s | cp s | ours / ffmpeg | ours / cp | ours CPU s | ffmpeg CPU s |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
for codec in pcm_s16le pcm_mulaw pcm_alaw adpcm_ima_wav adpcm_ms; do
  in=$codec.wav
  [ -f "$in" ] || ffmpeg -v error -y -f lavfi -i "anoisesrc=color=pink:seed=7:amplitude=0.5:sample_rate=44100" \
    -af atrim=end_sample=$frames -ac 2 -c:a $codec "$in"
  ours=() theirs=() copy=() oursCpu=() theirsCpu=()
  for run in $(seq 0 "$runs"); do
    read -r w c < <(timed "$info" "$in" /w:ours.wav --pcm)
    [ "$run" -gt 0 ] && ours+=("$w") oursCpu+=("$c")
    read -r w c < <(timed ffmpeg -v error -y -i "$in" -f s16le theirs.raw)
    [ "$run" -gt 0 ] && theirs+=("$w") theirsCpu+=("$c")
    read -r w c < <(timed cp theirs.raw copy.raw)
    [ "$run" -gt 0 ] && copy+=("$w")
  done
  o=$(printf '%s\n' "${ours[@]}" | median)
  t=$(printf '%s\n' "${theirs[@]}" | median)
  k=$(printf '%s\n' "${copy[@]}" | median)
  oc=$(printf '%s\n' "${oursCpu[@]}" | median)
  tc=$(printf '%s\n' "${theirsCpu[@]}" | median)
  awk -v n="$codec" -v o="$o" -v t="$t" -v k="$k" -v oc="$oc" -v tc="$tc" \
    'BEGIN { printf "| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", n, o, t, k, o / t, o / k, oc, tc }'
  rm -f ours.wav theirs.raw copy.raw times.txt
done
