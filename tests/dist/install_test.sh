#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the tree (it must not
# care where it stands), checks what is there and builds programs against
# it: a load-and-save program with find_package and again with pkg-config,
# whose output must equal Snd_Info /w:'s, and docs/library.md's example,
# whose cue point Snd_Info --json must show.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/prefix"
prefix=$work/prefix
version=$(sed -n 's/^project(SndPull VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")

# The tree.
[ "$(ls "$prefix/include")" = sndpull ] || fail "include/ holds more than sndpull/: $(ls "$prefix/include")"
for f in bin/Snd_Pull bin/Snd_Info include/sndpull/wave/Audio.h include/sndpull/package/KZ_Package.h \
         share/man/man1/Snd_Pull.1.gz share/man/man1/Snd_Info.1.gz \
         share/bash-completion/completions/Snd_Pull share/bash-completion/completions/Snd_Info \
         share/doc/sndpull/LICENSE share/doc/sndpull/THIRD-PARTY.md share/doc/sndpull/CHANGELOG.md \
         share/doc/sndpull/README.md share/doc/sndpull/docs/library.md; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for internal in Console.h Folder.h HostFiles.h Interrupts.h Paths.h Platform.h; do
  [ ! -e "$prefix/include/sndpull/common/$internal" ] || fail "platform internal installed: $internal"
done
[ ! -e "$prefix/share/doc/sndpull/copyright" ] || fail "a Debian package's own file in a plain install"
if command -v groff >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
fi
"$prefix/bin/Snd_Info" --version | grep -qF "$version" || fail "installed Snd_Info --version does not say $version"

# A WAVE file whose saved form differs from its bytes: an odd chunk without
# its pad byte, before the format. Four frames of 8-bit mono.
printf 'RIFF\x35\x00\x00\x00WAVEodd!\x03\x00\x00\x00abc' > "$work/in.wav"
printf 'fmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00' >> "$work/in.wav"
printf 'data\x04\x00\x00\x00\x10\x20\x30\x40' >> "$work/in.wav"
"$prefix/bin/Snd_Info" "$work/in.wav" "/w:$work/expected.wav" >/dev/null

cat > "$work/copy.cpp" <<'EOF'
#include <fstream>
#include <sndpull/wave/Audio.h>
int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    WAVE_File wave;
    wave.LoadData(in);
    std::ofstream out(argv[2], std::ios::binary);
    wave.SaveData(out);
    return wave.Found.Data && out ? 0 : 1;
}
EOF
# docs/library.md's program and CMake file, as the page shows them.
awk '/^```cpp$/ {on=1; next} /^```$/ {on=0} on' "$src/docs/library.md" > "$work/mark.cpp"
awk '/^```cmake$/ {on=1; next} /^```$/ {on=0} on' "$src/docs/library.md" > "$work/CMakeLists.txt"
[ -s "$work/mark.cpp" ] && [ -s "$work/CMakeLists.txt" ] || fail "no program in docs/library.md"
cat >> "$work/CMakeLists.txt" <<'EOF'
add_executable(copy copy.cpp)
target_link_libraries(copy PRIVATE SndPull::core)
EOF

cmake -S "$work" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake" >/dev/null
# pkg-config: the compiler's own standard may be older than C++20.
read -r -a flags <<< "$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs sndpull)"
c++ -std=c++20 "$work/copy.cpp" "${flags[@]}" -o "$work/copy-pc"

for program in "$work/cmake/copy" "$work/copy-pc"; do
  rm -f "$work/out.wav"
  "$program" "$work/in.wav" "$work/out.wav"
  cmp -s "$work/out.wav" "$work/expected.wav" || fail "$program does not save what Snd_Info /w: saves"
done

"$work/cmake/mark" "$work/in.wav" "$work/marked.wav"
json=$("$prefix/bin/Snd_Info" "$work/marked.wav" --json)
/usr/bin/python3 - "$json" <<'EOF' || fail "the example's cue point is not in Snd_Info --json: $json"
import json, sys
chunks = json.loads(sys.argv[1])["files"][0]["wave"]["chunks"]
points = [p for c in chunks if c["id"] == "cue " for p in c["points"]]
assert [(p["id"], p["sample_offset"]) for p in points] == [(1, 8000)], points
EOF
echo "installed tree, CMake package, pkg-config file and docs/library.md's program: all right"
