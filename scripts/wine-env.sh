# Sourced by the build scripts: a throwaway Wine prefix and, when asked for, a virtual display,
# both ended by wine_env_stop. Every process started here is ended by its id.

: "${KELVANE_SCREEN:=1366x768}"

export WINEDEBUG=-all
# No Mono or Gecko installer, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win32

WINE_ENV_XVFB_PID=""

# Starts Xvfb on the first free display number from 90 on and exports DISPLAY.
wine_env_start_display() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${KELVANE_SCREEN}x24" -nolisten tcp >/dev/null 2>&1 &
  WINE_ENV_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    if ! kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then
      echo "wine-env: Xvfb :$n did not start" >&2; return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$n"
}

# wine_env_start PREFIX_DIR: a new prefix there (an old one is removed), booted, with one
# virtual desktop of KELVANE_SCREEN for every process, so that hiding or destroying a window
# does not wait for a window manager that Xvfb does not have.
wine_env_start() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || { echo "wine-env: wineboot failed" >&2; return 1; }
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
  wineserver -w
  # The first Wine process that needs them starts the server and the desktop, and they inherit
  # its output: were that a test's, its runner would wait for them to end, long after the test.
  # Start both here, apart from any test; the desktop lasts until the server is ended.
  wineserver -p
  wine explorer.exe /desktop=Default,"$KELVANE_SCREEN" >/dev/null 2>&1 </dev/null &
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=""
  fi
}
