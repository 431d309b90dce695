# Cross-building for 32-bit Windows with Debian's mingw-w64:
#   cmake --toolchain cmake/i686-w64-mingw32.cmake -DDEMO_WINDOWS_PREFIX=DIR ...
set(DEMO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
