#!/usr/bin/env bash
# Makes the Debian packages from this build with scripts/package.sh (which
# fails on a lintian error), checks their file lists and fields, and runs the
# programs from an unpacked copy.
#   package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$src/scripts/package.sh" "$build" "$work/out" >/dev/null
version=$(sed -n 's/^project(SndPull VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
programs=$(ls "$work"/out/sndpull_"$version"_*.deb)
dev=$(ls "$work"/out/sndpull-dev_"$version"_*.deb)

expect() {  # expect DEB FILE...: each FILE is in the package
  local deb=$1 list
  shift
  list=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for f in "$@"; do
    grep -qxF "./usr/$f" <<< "$list" || fail "$(basename "$deb") lacks /usr/$f"
  done
}
expect "$programs" bin/Snd_Pull bin/Snd_Info share/man/man1/Snd_Pull.1.gz share/man/man1/Snd_Info.1.gz \
  share/bash-completion/completions/Snd_Pull share/bash-completion/completions/Snd_Info \
  share/doc/sndpull/copyright share/doc/sndpull/changelog.gz share/doc/sndpull/README.md
expect "$dev" lib/libsndcore.a include/sndpull/wave/Audio.h include/sndpull/sound/KZ_Audio.h \
  lib/cmake/SndPull/SndPullConfig.cmake lib/cmake/SndPull/SndPullConfigVersion.cmake \
  lib/pkgconfig/sndpull.pc share/doc/sndpull-dev/copyright
if dpkg-deb -c "$programs" | grep -q '/include/\|\.a$'; then fail "the programs' package holds the library"; fi
if dpkg-deb -c "$dev" | grep -q '/bin/'; then fail "the -dev package holds the programs"; fi

for field in Maintainer Depends Description; do
  [ -n "$(dpkg-deb -f "$programs" "$field")" ] || fail "sndpull has no $field"
done
dpkg-deb -f "$programs" Depends | grep -q libc6 || fail "sndpull does not depend on libc6"

dpkg-deb -x "$programs" "$work/root"
for program in Snd_Pull Snd_Info; do
  "$work/root/usr/bin/$program" --version | grep -qxF "$program $version" || fail "$program --version"
  if readelf -S "$work/root/usr/bin/$program" | grep -q '\.symtab'; then fail "$program is not stripped"; fi
done
# gzip -9n: no name and no time stored (bytes 4-7 zero, no FNAME flag),
# the best compression (extra flags 2).
for gz in "$work"/root/usr/share/man/man1/*.gz "$work/root/usr/share/doc/sndpull/changelog.gz"; do
  [ "$(od -An -tx1 -j3 -N6 "$gz" | tr -d ' \n')" = 000000000002 ] || fail "$gz is not compressed with gzip -9n"
done
echo "sndpull and sndpull-dev: all right"
