# Cross-building for 64-bit Windows with Debian's mingw-w64:
#   cmake --toolchain cmake/x86_64-w64-mingw32.cmake -DDEMO_WINDOWS_PREFIX=DIR ...
set(DEMO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
