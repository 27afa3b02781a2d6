# A 64-bit build of the same sources, for the Windows tests on machines whose Wine cannot run
# 32-bit programs.
set(KELVANE_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
