#!/usr/bin/env bash
# Cross-builds the programs for 64-bit Windows with MinGW-w64 into
# build/windows (Snd_Pull.exe, and Snd_Info.exe where it exists), statically
# linked so that they run on a bare Windows system. Installs the cross
# compiler first where it is missing, together with any extra Debian packages
# named as arguments (scripts/windows.sh adds Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
missing=()
for package in g++-mingw-w64-x86-64-posix "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  # Console programs need none of the desktop extras that Wine recommends.
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

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
