# cmake/mingw-x86_64.cmake: cross-compiles for 64-bit Windows with mingw-w64. Only the test build
# uses it, on machines that cannot run 32-bit x86 code (see scripts/test); we ship 32-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
