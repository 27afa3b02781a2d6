#!/usr/bin/env bash
# Builds the program, starts it under the Chinese locale on a virtual display and in a Wine
# prefix of its own, loads the stock template with its Initialize button, and saves a picture
# of the window as docs/screenshot.png (KELVANE_SHOT names another file). KELVANE_BUILD names
# another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
unset MAKEFLAGS MAKELEVEL MFLAGS
root=$(pwd)
shot=${KELVANE_SHOT:-$root/docs/screenshot.png}

bash scripts/setup.sh
# The 32-bit program, or a 64-bit build of it where this machine runs no 32-bit code.
. scripts/wine-env.sh
build=${KELVANE_BUILD:-build/$KELVANE_WINE_ARCH}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/$KELVANE_WINE_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target kelvane await_window
exe="$root/$build/ui/kelvane.exe"
helper="$root/$build/tests/resources/await_window.exe"
work="$root/$build/screenshot"
mkdir -p "$work" "$(dirname "$shot")"

app=""
finish() {
  if [ -n "$app" ]; then
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  fi
  wine_env_stop
}
trap finish EXIT
wine_env_start_display
wine_env_start "$work/prefix"

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# A GUI program under wine keeps its stdout open: never read it through a pipe.
wine "$exe" >"$work/program.log" 2>&1 &
app=$!
# The helper waits for the window by its title, clicks Initialize, waits for the template to
# be drawn and prints the window's rectangle: left top width height.
if ! timeout 120 wine "$helper" 90 >"$work/rect.txt" 2>"$work/helper.log" </dev/null; then
  echo "screenshot: the window did not come up" >&2
  cat "$work/helper.log" >&2
  exit 1
fi
read -r left top width height <"$work/rect.txt"
import -window root "$work/screen.png"
convert "$work/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$shot"
echo "screenshot: $shot (${width}x${height} at $left,$top)"
