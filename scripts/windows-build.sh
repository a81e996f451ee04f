#!/usr/bin/env bash
# Cross-builds the programs for 64-bit Windows with MinGW-w64 into
# build/windows (Snd_Pull.exe, and Snd_Info.exe where it exists), statically
# linked so that they run on a bare Windows system. Installs the cross
# compiler first where it is missing, together with any extra Debian packages
# named as arguments (scripts/windows.sh adds Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh g++-mingw-w64-x86-64-posix "$@"

echo "== Windows cross build (MinGW-w64)"
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-x86_64.cmake" -DSND_TESTS=OFF >/dev/null
cmake --build build/windows -j "$(nproc)"

# Statically linked: the programs may import only DLLs of Windows itself.
for exe in build/windows/Snd_*.exe; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}'); do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll) ;;
      *) echo "$exe imports $dll: it must link statically" >&2; exit 1 ;;
    esac
  done
done
