#!/usr/bin/env bash
# Installs what building, running and testing Kelvane needs on Debian 12, and only what is
# missing. Safe to run again: a machine that has everything installs nothing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# Debian package -> a file or command that shows it is installed.
need=()
check() { # package test-path
  if [ ! -e "$2" ]; then need+=("$1"); fi
}
check g++-mingw-w64-i686 /usr/bin/i686-w64-mingw32-g++-posix
check binutils-mingw-w64-i686 /usr/bin/i686-w64-mingw32-windres
check cmake /usr/bin/cmake
check make /usr/bin/make
check g++ /usr/bin/g++
check googletest /usr/src/googletest/CMakeLists.txt
check wine /usr/bin/wine
check wine64 /usr/lib/wine/wine64
check wine32:i386 /usr/lib/wine/wine
check fonts-wine /usr/share/wine/fonts/tahoma.ttf
check xvfb /usr/bin/Xvfb
check xauth /usr/bin/xauth
check locales /usr/sbin/locale-gen
check fonts-wqy-microhei /usr/share/fonts/truetype/wqy/wqy-microhei.ttc
check imagemagick /usr/bin/import
check python3 /usr/bin/python3
check x11-utils /usr/bin/xdpyinfo

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  need_locale=1
else
  need_locale=0
fi

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

if [ "$need_locale" -eq 1 ]; then
  echo "setup: generating zh_CN.UTF-8"
  if ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
