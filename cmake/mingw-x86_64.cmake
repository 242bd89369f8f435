# Cross-compiles for 64-bit Windows with mingw-w64; test programs run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
