# The 32-bit Windows program: what is released.
set(KELVANE_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
