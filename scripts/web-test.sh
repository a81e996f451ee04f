#!/usr/bin/env bash
# The browser test: builds the page (scripts/web.sh --build), Snd_Pull,
# Snd_Info and the test inputs (GCC), serves build/web/ on 127.0.0.1 at a
# free port, and drives the system's headless Chromium through it with
# puppeteer-core (tests/web/page_test.js). Results, downloads and a
# screenshot (page.png) land in build/web-test/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/deps.sh chromium
bash scripts/web.sh --build

cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build/gcc -j 2 --target Snd_Pull Snd_Info make_example make_web_inputs >/dev/null

out=build/web-test
rm -rf "$out"
mkdir -p "$out"
./build/gcc/example/make_example "$out/example"
./build/gcc/tests/make_web_inputs "$out/inputs"
# What Snd_Pull exports, to compare the page's downloads with (status 1: the
# example's script also names a sound and a package that do not exist).
(cd "$out/example" && { ../../gcc/Snd_Pull batch /i:pk /o:out >/dev/null || [ $? -eq 1 ]; })
mkdir -p "$out/inputs/pull"
printf 'Marked;\nBell\nStereo24\nFloat\nPcm8\nMuLaw\nAdpcm\n' > "$out/inputs/marks.dpl"
(cd "$out/inputs" && ../../gcc/Snd_Pull marks /i:marks /o:pull >/dev/null)

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web >"$out/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null && break
  sleep 0.1
done

NODE_PATH="$root/build/npm/node_modules" node tests/web/page_test.js \
  --url "http://127.0.0.1:$port/index.html" --dir "$root/$out" --snd-info "$root/build/gcc/Snd_Info"
