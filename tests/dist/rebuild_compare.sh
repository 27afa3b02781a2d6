#!/usr/bin/env bash
# Builds kelvane.exe and the release files a second time from the same tree, in another
# folder and, through faketime, three days later, and compares them byte for byte with the
# first build's.
# Usage: rebuild_compare.sh SOURCE_DIR TOOLCHAIN_FILE WORK_DIR FIRST_KELVANE_EXE FIRST_DIST_DIR
set -euo pipefail
source_dir=$1 toolchain=$2 work=$3 first_exe=$4 first_dist=$5
# Called from a make: the build below is a make of its own.
unset MAKEFLAGS MAKELEVEL MFLAGS

later=()
if command -v faketime >/dev/null; then later=(faketime -f +3d); fi
rm -rf "$work"
if ! { "${later[@]}" cmake -S "$source_dir" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DKELVANE_TESTS=OFF &&
  "${later[@]}" cmake --build "$work" -j2 --target kelvane_dist; } >"$work.log" 2>&1; then
  cat "$work.log"
  echo "the second build failed"
  exit 1
fi

failed=0
compare() { # first second
  if cmp -s "$1" "$2"; then
    echo "same bytes: $(basename "$1") ($(stat -c %s "$1") bytes)"
  else
    echo "expected $2 to be the bytes of $1, got: $(cmp "$1" "$2" 2>&1 | head -n 1)"
    failed=1
  fi
}
compare "$first_exe" "$work/ui/kelvane.exe"
found=0
for file in "$first_dist"/*; do
  compare "$file" "$work/dist/$(basename "$file")"
  found=$((found + 1))
done
if [ "$found" -ne 3 ]; then
  echo "expected 3 release files in $first_dist, got $found"
  failed=1
fi
if [ "$failed" -eq 0 ]; then rm -rf "$work" "$work.log"; fi
exit $failed
