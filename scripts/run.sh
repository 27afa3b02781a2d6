#!/usr/bin/env bash
# Builds the program and starts it under Wine on the current display. With no display it
# starts a virtual one, takes a screenshot of the window into the build folder and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
# Called from make: the build tool below is a make of its own, not a sub-make of ours.
unset MAKEFLAGS MAKELEVEL MFLAGS
root=$(pwd)

bash scripts/setup.sh
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win32 -j"$(nproc)" --target kelvane
exe="$root/build/win32/ui/kelvane.exe"

. scripts/wine-env.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # A prefix of its own that lasts between runs, so the hosts file a user saved is still there.
  export WINEPREFIX="$root/build/wine-run"
  if [ ! -d "$WINEPREFIX" ]; then wine_env_start "$WINEPREFIX"; fi
  echo "run: starting $exe on $DISPLAY"
  wine "$exe" >/dev/null 2>&1
else
  # No display: the program on a virtual one, pictured with the stock template loaded.
  KELVANE_SHOT="$root/build/screenshot.png" bash scripts/screenshot.sh
fi
