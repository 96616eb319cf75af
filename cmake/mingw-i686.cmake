# Cross-compiles for 32-bit Windows: the installer as it ships.
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
