#!/usr/bin/env bash
# Builds the browser page into build/web/ -- the project's package reader,
# sound object and WAVE model compiled to WebAssembly with Emscripten (the
# Debian package) and the static page -- then serves it on localhost until
# Ctrl-C. The npm packages are the browser test's.
#
#   bash scripts/web.sh            build, then serve on http://127.0.0.1:8080/ (PORT=... to change)
#   bash scripts/web.sh --build    build only
#
# The page needs no server: build/web/index.html also works opened as a file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build_only=false
case "${1:-}" in
  --build) build_only=true ;;
  "") ;;
  *) echo "usage: bash scripts/web.sh [--build]" >&2; exit 2 ;;
esac

bash scripts/deps.sh emscripten nodejs
command -v npm >/dev/null || bash scripts/deps.sh npm

# npm packages, exactly as locked, into build/npm/ (the source tree stays clean).
mkdir -p build/npm
if [ ! -d build/npm/node_modules ] || ! cmp -s web/package-lock.json build/npm/package-lock.json; then
  cp web/package.json web/package-lock.json build/npm/
  (cd build/npm && npm ci --no-audit --no-fund --loglevel=error)
fi

# Debian's Emscripten finds its JavaScript helpers (acorn, ...) among the
# Debian node modules, which a node from elsewhere does not search. Its cache
# of prebuilt system libraries is read-only: a cache folder of our own links
# to it, so that the lock file Emscripten takes lies in a folder we may write.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
system_cache=$(em-config CACHE)
export EM_CACHE="$root/build/em-cache"
mkdir -p "$EM_CACHE"
[ -e "$EM_CACHE/sysroot" ] || ln -s "$system_cache/sysroot" "$EM_CACHE/sysroot"
cp "$system_cache/sysroot_install.stamp" "$EM_CACHE/"

# The core as CMake builds it for a POSIX target (the programs' entry files
# and the Windows-only files left out), plus the page's C API. nlohmann/json
# is the system's header, seen through a folder that holds nothing else.
obj="$root/build/web-obj"
mkdir -p "$obj/include" build/web
[ -e "$obj/include/nlohmann" ] || ln -s /usr/include/nlohmann "$obj/include/nlohmann"
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "scripts/web.sh: no project version in CMakeLists.txt" >&2; exit 1; }
sources=$(ls common/*.cpp package/*.cpp sound/*.cpp wave/*.cpp facts/*.cpp web/*.cpp | grep -v -e '^common/[A-Za-z]*Windows\.cpp$')

{
  echo "cxxflags = -std=c++20 -O3 -flto -Wall -Wextra -Wpedantic -Werror -I$root -isystem $obj/include -DSND_VERSION=\\\"$version\\\""
  echo "ldflags = -O3 -flto -sMODULARIZE=1 -sEXPORT_NAME=SndCore -sENVIRONMENT=worker -lworkerfs.js -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432 -sEXPORTED_RUNTIME_METHODS=FS,ccall,UTF8ToString"
  echo "rule cxx"
  echo "  command = em++ \$cxxflags -MMD -MF \$out.d -c \$in -o \$out"
  echo "  depfile = \$out.d"
  echo "  deps = gcc"
  echo "  description = em++ \$in"
  echo "rule link"
  echo "  command = em++ \$ldflags \$in -o \$out"
  echo "  description = link \$out"
  objects=""
  for source in $sources; do
    object="$obj/${source%.cpp}.o"
    echo "build $object: cxx $root/$source"
    objects="$objects $object"
  done
  echo "build $obj/snd-core.js: link$objects"
} > "$obj/build.ninja.new"
cmp -s "$obj/build.ninja.new" "$obj/build.ninja" || mv "$obj/build.ninja.new" "$obj/build.ninja"
rm -f "$obj/build.ninja.new"
ninja -C "$obj" -j 2

# The core runs in a Web Worker made from the text of one function that
# holds it and the worker's own script: a page opened as a file may start a
# worker from a Blob, not from a file.
{ echo 'function SndWorkerMain() {'; cat "$obj/snd-core.js" web/worker.js; echo '}'; } > build/web/snd-worker.js
rm -f build/web/snd-core.js
# The footer shows the same version as the core's JSON and the programs' --version.
sed "s/@SND_VERSION@/$version/g" web/index.html > build/web/index.html
cp web/page.css web/store.js web/core.js web/zip.js web/wave.js web/sound.js web/page.js build/web/
# The page ships the licence texts of its own code and of what it carries (nlohmann/json).
cp LICENSE THIRD-PARTY.md build/web/
echo "Built the page into $root/build/web/"

$build_only && exit 0
port=${PORT:-8080}
echo "Serving it at http://127.0.0.1:$port/  (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web
