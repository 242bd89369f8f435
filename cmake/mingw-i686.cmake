# Cross-compiles for 32-bit Windows with mingw-w64; test programs run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZV_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
