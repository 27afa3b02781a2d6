# Cross build for Windows with MinGW-w64 on Linux, for the processor the including toolchain
# file names in KELVANE_MINGW_PROCESSOR (i686 or x86_64). The posix thread model gives
# GoogleTest the std::mutex it needs; -static links winpthread and the MinGW runtime in, so the
# executables import system DLLs only. CTest runs the Windows test programs through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KELVANE_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${KELVANE_MINGW_PROCESSOR}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVANE_MINGW_PROCESSOR}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${KELVANE_MINGW_PROCESSOR}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELVANE_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
