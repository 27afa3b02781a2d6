#!/usr/bin/env bash
# Starts the Clang-built program (scripts/clang-build.sh) in the Wine prefix and on the display
# that scripts/wine-env.sh has set up, and has await_window wait for its window, click
# Initialize and wait for the template to be drawn. Exit status 0 when all of that happened.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${KELVANE_CLANG_BUILD:-build/clang}
: "${WINEPREFIX:?clang-start: no Wine prefix; source scripts/wine-env.sh and start one}"
: "${DISPLAY:?clang-start: no display}"

exe="$root/$build/ui/kelvane.exe"
helper="$root/$build/tests/resources/await_window.exe"
work="$root/$build/start"
mkdir -p "$work"

app=""
finish() {
  if [ -n "$app" ]; then
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
}
trap finish EXIT

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# A GUI program under wine keeps its stdout open: never read it through a pipe.
wine "$exe" >"$work/program.log" 2>&1 </dev/null &
app=$!
if ! timeout 120 wine "$helper" 60 >"$work/rect.txt" 2>"$work/helper.log" </dev/null; then
  echo "clang-start: the Clang-built program's window did not come up and take the template" >&2
  cat "$work/helper.log" >&2
  exit 1
fi
echo "clang-start: window at $(cat "$work/rect.txt")"
