#!/usr/bin/env bash
# Builds the program a second time, with Clang for the same target (cmake/clang-mingw-i686.cmake)
# and every warning an error: the nearest check here that the code stays standard C++ for
# compilers other than GCC. Builds await_window too, with which the Clang-built program can be
# started under Wine (scripts/clang-start.sh). KELVANE_CLANG_BUILD names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
unset MAKEFLAGS MAKELEVEL MFLAGS
root=$(pwd)
build=${KELVANE_CLANG_BUILD:-build/clang}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/clang-mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kelvane await_window
