#!/usr/bin/env bash
# Installs what building, running and testing Kelvane needs on Debian 12, and only what is
# missing. Safe to run again: a machine that has everything installs nothing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The Debian packages needed; those dpkg does not know as installed are installed.
packages=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  cmake make g++ googletest clang lld llvm
  wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils locales fonts-wqy-microhei
  imagemagick python3 nsis faketime
)
need=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [ "$status" != "install ok installed" ]; then need+=("$package"); fi
done

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
