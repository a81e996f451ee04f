#!/usr/bin/env bash
# Makes build/windows/Snd_Pull-VERSION-windows.zip: the Windows programs, the
# README for Windows users (docs/README-windows.txt, as README.txt), the
# licence texts (LICENSE.txt, THIRD-PARTY.txt) and the example, in one folder Snd_Pull-VERSION-windows/. VERSION is the project's,
# from CMakeLists.txt.
#
# The example folder holds the files that example/ ships (its generator's
# sources left out) and, when the host build has the target make_example,
# the files that `make_example FOLDER` writes into FOLDER.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/windows-build.sh

version=$(sed -n 's/^project(SndPull VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project VERSION in CMakeLists.txt" >&2; exit 1; }
name=Snd_Pull-$version-windows
stage="$root/build/windows/package"
rm -rf "$stage"
mkdir -p "$stage/$name"
for exe in build/windows/Snd_*.exe; do
  x86_64-w64-mingw32-strip -o "$stage/$name/$(basename "$exe")" "$exe"
done
# Windows Notepad and type show CR LF line ends best.
sed 's/$/\r/' docs/README-windows.txt > "$stage/$name/README.txt"
sed 's/$/\r/' LICENSE > "$stage/$name/LICENSE.txt"
sed 's/$/\r/' THIRD-PARTY.md > "$stage/$name/THIRD-PARTY.txt"

if [ -d example ]; then
  # The files that example/ ships (not what a run has left in it), less the
  # sources of its generator.
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    list_example() { git ls-files -- example; }
  else
    list_example() { find example -type f -not -path 'example/out/*'; }
  fi
  while IFS= read -r file; do
    case "$file" in
      */CMakeLists.txt | *.cpp | *.h) ;;
      *) mkdir -p "$stage/$name/$(dirname "$file")" && cp "$file" "$stage/$name/$file" ;;
    esac
  done < <(list_example)
  cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
  maker=$(ninja -C build/gcc -t targets all 2>/dev/null |
    sed -n 's/^\(\(.*\/\)\{0,1\}make_example\): CXX_EXECUTABLE_LINKER.*/\1/p' || true)
  if [ -n "$maker" ]; then
    cmake --build build/gcc -j "$(nproc)" --target make_example
    "build/gcc/$maker" "$stage/$name/example" >/dev/null
  fi
  rmdir "$stage/$name/example" 2>/dev/null || true
fi

rm -f "build/windows/$name.zip"
(cd "$stage" && cmake -E tar cf "$root/build/windows/$name.zip" --format=zip "$name")
echo "Made build/windows/$name.zip:"
(cd "$stage" && find "$name" -type f | sort | sed 's/^/  /')
