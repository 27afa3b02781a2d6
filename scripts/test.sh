#!/usr/bin/env bash
# Builds everything and runs every test: the portable tests natively, then the Windows tests
# under Wine, in a throwaway prefix on a virtual display of their own, under code pages 936
# and 1252. Builds the program with Clang as well (scripts/clang-build.sh) and, where Wine runs
# 32-bit programs, starts that build under Wine too. Ends with one line that sums up everything.
set -euo pipefail
cd "$(dirname "$0")/.."
# Called from make: the build tool below is a make of its own, not a sub-make of ours.
unset MAKEFLAGS MAKELEVEL MFLAGS
root=$(pwd)

bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j"$jobs"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win32 -j"$jobs"
# Decides whether Wine can run the 32-bit build here; if not, a 64-bit build is tested.
. scripts/wine-env.sh
winbuild=build/$KELVANE_WINE_ARCH
if [ "$winbuild" != build/win32 ]; then
  echo "== this machine does not run i386 programs: the Windows tests run a 64-bit build"
  cmake -S . -B "$winbuild" -DCMAKE_TOOLCHAIN_FILE="$root/$KELVANE_WINE_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$winbuild" -j"$jobs"
fi

passed=0
failed=0
status=0
# run_ctest DIR [ctest options]: runs one suite and adds its counts to the totals.
run_ctest() {
  local dir=$1; shift
  local log="$dir/ctest.log" rc=0
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log" || rc=$?
  [ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -n "$line" ]; then
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
  elif [ $rc -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ $rc -eq 0 ] || status=1
}

# step NAME COMMAND...: one check outside CTest, counted in the totals as one test.
step() {
  local name=$1; shift
  if "$@"; then
    passed=$((passed + 1)); echo "$name: passed"
  else
    failed=$((failed + 1)); status=1; echo "$name: FAILED"; return 1
  fi
}

echo "== the program built with Clang, warnings as errors"
clang_built=0
step clang.build bash scripts/clang-build.sh && clang_built=1

echo "== native tests"
run_ctest build/native -j"$jobs"

if [ "$winbuild" != build/win32 ]; then
  # What needs no Wine is checked on the 32-bit release itself: its packages and its rebuild.
  echo "== tests of the 32-bit release that need no Wine"
  run_ctest build/win32 -LE windows
fi

echo "== Windows tests under Wine ($KELVANE_WINE_ARCH)"
trap wine_env_stop EXIT
wine_env_start_display
wine_env_start "$root/build/wine-test"
run_ctest "$winbuild" -j"$jobs"
# The Clang build is 32-bit: Wine starts it only where this machine runs 32-bit programs.
if [ $clang_built -eq 1 ] && [ "$KELVANE_WINE_ARCH" = win32 ]; then
  step clang.start bash scripts/clang-start.sh || true
fi
wine_env_stop
trap - EXIT

echo "tests: $passed passed, $failed failed"
exit $status
