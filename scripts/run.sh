#!/usr/bin/env bash
# Builds the program and starts it under Wine on the current display. With no display it
# starts a virtual one, takes a screenshot of the window into the build folder and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
# Called from make: the build tool below is a make of its own, not a sub-make of ours.
unset MAKEFLAGS MAKELEVEL MFLAGS
root=$(pwd)

bash scripts/setup.sh
# The 32-bit program, or a 64-bit build of it where this machine runs no 32-bit code.
. scripts/wine-env.sh
build=build/$KELVANE_WINE_ARCH
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/$KELVANE_WINE_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target kelvane
exe="$root/$build/ui/kelvane.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # A prefix of its own that lasts between runs, so the hosts file a user saved is still there.
  export WINEPREFIX="$root/build/wine-run-$KELVANE_WINE_ARCH"
  if [ ! -d "$WINEPREFIX" ]; then wine_env_start "$WINEPREFIX"; fi
  echo "run: starting $exe on $DISPLAY"
  wine "$exe" >/dev/null 2>&1
else
  # No display: the program on a virtual one, pictured with the stock template loaded.
  KELVANE_SHOT="$root/build/screenshot.png" bash scripts/screenshot.sh
fi
