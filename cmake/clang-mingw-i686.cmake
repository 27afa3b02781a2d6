# Cross build of the 32-bit Windows program with Clang instead of GCC: the same MinGW-w64
# headers and libraries, GCC's C++ library (libstdc++) and LLVM's linker (lld). The resource
# compiler stays windres. Used as a second compiler's check that the code is standard C++.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(kelvane_triple i686-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${kelvane_triple})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${kelvane_triple})
set(CMAKE_RC_COMPILER ${kelvane_triple}-windres)
set(CMAKE_SYSROOT /usr/${kelvane_triple})

# Debian names GCC's folders "12-posix" and "12-win32", which Clang does not take for versions,
# so it finds neither libstdc++'s headers nor libgcc. Ask MinGW's GCC where they are. The posix
# thread model matches the GCC build; its libgcc needs winpthread, which -pthread adds to the
# group of libraries Clang links last.
execute_process(
  COMMAND ${kelvane_triple}-gcc-posix -print-libgcc-file-name
  OUTPUT_VARIABLE kelvane_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE kelvane_libgcc_result)
if(NOT kelvane_libgcc_result EQUAL 0 OR NOT EXISTS "${kelvane_libgcc}")
  message(FATAL_ERROR "clang-mingw-i686: ${kelvane_triple}-gcc-posix is needed for libstdc++")
endif()
get_filename_component(kelvane_gcc_dir "${kelvane_libgcc}" DIRECTORY)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
  ${kelvane_gcc_dir}/include/c++ ${kelvane_gcc_dir}/include/c++/${kelvane_triple})

set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -static -pthread -L${kelvane_gcc_dir}")

set(CMAKE_FIND_ROOT_PATH /usr/${kelvane_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
