#!/usr/bin/env bash
# Times Read, Save, Initialize and Add of the real program on hosts files of 100 KB, 1 MB and
# 5 MB, beside the bare edit control doing the same work, under Wine with code page 936, in a
# prefix and on a virtual display of its own. Prints one table; every process it starts ends.
# BENCH_REPEATS sets the runs per measurement (the best one counts), 3 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
# The 32-bit program, or a 64-bit build of it where this machine runs no 32-bit code.
. scripts/wine-env.sh
build="$root/build/bench-$KELVANE_WINE_ARCH"
data="$build/bench-data"
mkdir -p "$build"
if ! { cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/$KELVANE_WINE_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$build" -j2 --target kelvane kelvane_bench; } >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  echo "bench: the build failed" >&2
  exit 1
fi

# Lines of 31 bytes, "0.0.0.0 ads000000.example.com" and CR LF, each number once.
make_hosts() { # file bytes
  awk -v lines=$(($2 / 31)) 'BEGIN { for (i = 0; i < lines; i++) printf "0.0.0.0 ads%06d.example.com\r\n", i }' >"$1"
}
mkdir -p "$data"
make_hosts "$data/hosts-100k" $((100 * 1024))
make_hosts "$data/hosts-1m" $((1024 * 1024))
make_hosts "$data/hosts-5m" $((5 * 1024 * 1024))

winpath() { printf 'Z:%s' "${1//\//\\}"; }

trap wine_env_stop EXIT
wine_env_start_display
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
wine_env_start "$build/bench-prefix"

out="$build/bench.txt"
rc=0
# The program's windows keep wine's stdout open, so the table goes to a file, read afterwards.
timeout 1200 wine "$build/tests/bench/kelvane_bench.exe" --repeats "${BENCH_REPEATS:-3}" \
  "$(winpath "$build/ui/kelvane.exe")" \
  "$(winpath "$data/hosts-100k")" "$(winpath "$data/hosts-1m")" "$(winpath "$data/hosts-5m")" \
  >"$out" 2>"$build/bench-errors.txt" || rc=$?
cat "$out"
if [ $rc -ne 0 ]; then
  cat "$build/bench-errors.txt" >&2
  echo "bench: failed (exit $rc)" >&2
fi
wine_env_stop
trap - EXIT
exit $rc
