#!/usr/bin/env bash
# Builds the release files into dist/: the portable zip, the installer and SHA256SUMS. A build
# of its own (build/dist, Release, no tests); every time stamp in the files is the last
# commit's, so another clone of the same commit writes the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
# Called from make: the build tool below is a make of its own, not a sub-make of ours.
unset MAKEFLAGS MAKELEVEL MFLAGS
root=$(pwd)
build="$root/build/dist"

bash scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kelvane_dist

rm -rf dist
mkdir -p dist
cp "$build"/dist/* dist/
(cd dist && sha256sum -c SHA256SUMS)
echo "dist: kelvane.exe is $(stat -c %s "$build/ui/kelvane.exe") bytes"
ls -l dist
