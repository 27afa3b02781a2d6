# Sourced by the build scripts: a throwaway Wine prefix and, when asked for, a virtual display,
# both ended by wine_env_stop. Every process started here is ended by its id.

: "${KELVANE_SCREEN:=1366x768}"

export WINEDEBUG=-all
# No Mono or Gecko installer, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Wine runs 32-bit Windows programs through its 32-bit loader, an i386 Linux program. Some
# machines (virtual ones whose host runs 64-bit code only) refuse to start i386 programs: there
# the Windows tests run a 64-bit build of the same sources in a 64-bit prefix. KELVANE_WINE_ARCH
# says which: win32 or win64; `wine` then names the loader that works.
if [ -z "${KELVANE_WINE_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then KELVANE_WINE_ARCH=win32; else KELVANE_WINE_ARCH=win64; fi
fi
export KELVANE_WINE_ARCH
export WINEARCH=$KELVANE_WINE_ARCH
# The build Wine runs here: its folder under build/ and its toolchain file.
if [ "$KELVANE_WINE_ARCH" = win64 ]; then
  KELVANE_WINE_TOOLCHAIN=cmake/mingw-x86_64.cmake
else
  KELVANE_WINE_TOOLCHAIN=cmake/mingw-i686.cmake
fi
if [ "$KELVANE_WINE_ARCH" = win64 ] && [ -z "${KELVANE_WINE_SHIM:-}" ]; then
  # Debian's wine script prefers the 32-bit loader whenever it is installed.
  KELVANE_WINE_SHIM=$(mktemp -d)
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$KELVANE_WINE_SHIM/wine"
  chmod +x "$KELVANE_WINE_SHIM/wine"
  export KELVANE_WINE_SHIM PATH="$KELVANE_WINE_SHIM:$PATH" WINELOADER=/usr/lib/wine/wine64
fi

WINE_ENV_XVFB_PID=""
WINE_ENV_EXPLORER_PID=""

# Starts Xvfb on a display number it picks itself (-displayfd: no check-then-start race with
# another run) and exports DISPLAY.
wine_env_start_display() {
  local numberFile
  numberFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${KELVANE_SCREEN}x24" -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
  WINE_ENV_XVFB_PID=$!
  local i n=""
  for i in $(seq 1 200); do
    n=$(tr -dc '0-9' <"$numberFile")
    # Xvfb writes the number and a line end once it accepts connections.
    if [ -n "$n" ] && [ "$(wc -l <"$numberFile")" -ge 1 ]; then break; fi
    n=""
    if ! kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.05
  done
  rm -f "$numberFile"
  if [ -z "$n" ]; then
    echo "wine-env: Xvfb did not start" >&2; return 1
  fi
  export DISPLAY=":$n"
}

# wine_env_start PREFIX_DIR: a new prefix there (an old one is removed), booted, with one
# virtual desktop of KELVANE_SCREEN for every process, so that hiding or destroying a window
# does not wait for a window manager that Xvfb does not have.
wine_env_start() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine wineboot -i >/dev/null 2>&1 || { echo "wine-env: wineboot failed" >&2; return 1; }
  wineserver -w
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$KELVANE_SCREEN" /f >/dev/null 2>&1
  # Windows links its dialog fonts to a CJK font, so Chinese shows under any code page; a new
  # prefix has no such link and draws boxes under 1252.
  local face
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  # Debian's Wine 8 looks for its own fonts at "Z:\usr\share\wine\../fonts", a path its file
  # lookup does not resolve and not where fonts-wine puts them (/usr/share/wine/fonts), so none
  # of them loads. Without Marlett the caption buttons draw as its letters "0 1 r". Fonts in
  # the prefix's own Fonts folder do load; Marlett alone changes nothing but those buttons.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
    { echo "wine-env: Wine's Marlett font is missing (fonts-wine)" >&2; return 1; }
  wineserver -w
  # The first Wine process that needs them starts the server and the desktop, and they inherit
  # its output: were that a test's, its runner would wait for them to end, long after the test.
  # Start both here, apart from any test; the desktop lasts until the server is ended.
  wineserver -p
  wine explorer.exe /desktop=Default,"$KELVANE_SCREEN" >/dev/null 2>&1 </dev/null &
  WINE_ENV_EXPLORER_PID=$!
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_env_stop() {
  if [ -n "$WINE_ENV_EXPLORER_PID" ]; then
    kill "$WINE_ENV_EXPLORER_PID" 2>/dev/null || true
    wait "$WINE_ENV_EXPLORER_PID" 2>/dev/null || true
    WINE_ENV_EXPLORER_PID=""
  fi
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=""
  fi
  if [ -n "${KELVANE_WINE_SHIM:-}" ]; then
    rm -rf "$KELVANE_WINE_SHIM"
    KELVANE_WINE_SHIM=""
  fi
}
