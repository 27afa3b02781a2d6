#!/usr/bin/env bash
# Builds the program and starts it under Wine on the current display. With no display it
# starts a virtual one, takes a screenshot of the window into the build folder and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
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
  trap wine_env_stop EXIT
  wine_env_start_display
  wine_env_start "$root/build/wine-shot"
  wine "$exe" >/dev/null 2>&1 &
  app=$!
  shot="$root/build/screenshot.png"
  sleep 1
  for i in $(seq 1 40); do
    sleep 0.5
    # The window is up once Wine's desktop has drawn more than its background.
    if import -window root "$shot" 2>/dev/null && [ "$(identify -format '%k' "$shot")" -gt 8 ]; then
      sleep 1; import -window root "$shot"; break
    fi
  done
  kill "$app" 2>/dev/null || true
  echo "run: no display; screenshot of the window: $shot"
fi
