# A 64-bit build of the installer, for running the end-to-end tests under Wine on machines
# whose kernel cannot run 32-bit programs (Wine's 32-bit loader is one).
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/mingw.cmake)
