# The demo as a web page: WebAssembly drawing through WebGL with emscripten's legacy GL emulation.
# Included by the top-level CMakeLists.txt under emcmake (scripts/build-web.sh builds it and the
# libraries it links); writes demo.js and demo.wasm, which the page in web/ loads.

if(NOT DEMO_DISPLAY STREQUAL "window")
    message(FATAL_ERROR "The web build draws into the page's canvas: configure it with -DDEMO_DISPLAY=window")
endif()
# The tests, tools and benchmarks run natively.
set(DEMO_TESTS OFF)
set(DEMO_BENCHMARKS OFF)

add_executable(demo
    src/app/WebMain.cpp
    src/platform/web/Canvas.cpp src/platform/web/GlCompat.cpp src/platform/web/GluMatrices.cpp
    src/platform/web/GluMipmaps.cpp)
# The libraries are static, and vorbisfile names the ones it builds on as private dependencies,
# which pkg-config leaves out unless asked for a static link.
pkg_check_modules(VORBIS_STATIC REQUIRED IMPORTED_TARGET vorbis ogg)
target_link_libraries(demo PRIVATE demo_core demo_display_window PkgConfig::VORBIS_STATIC)
set(DEMO_PAGE_LIBRARY ${CMAKE_CURRENT_SOURCE_DIR}/web/library.js)
set_property(TARGET demo APPEND PROPERTY LINK_DEPENDS ${DEMO_PAGE_LIBRARY})
target_link_options(demo PRIVATE
    -sLEGACY_GL_EMULATION=1
    # Not every extension the browser offers enabled as the context is made: the demo draws in
    # immediate mode with none of them, and asking for each one, one at a time, was a tenth of a
    # second of a phone's start.
    -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
    -sENVIRONMENT=web
    # The decoded track alone is 48 MB.
    -sALLOW_MEMORY_GROWTH=1
    # The data arrives in a package of its own (data.js), loaded by the page before demo.js.
    -sFORCE_FILESYSTEM=1
    "SHELL:-sEXPORTED_FUNCTIONS=['_main','_startPlayback','_endPlayback','_resumeLoading','_pausePlayback','_playbackPaused','_seekPlayback','_seekPlaybackBy','_stepPlayback','_gentlePlayback','_decodedMs']"
    "SHELL:--js-library ${DEMO_PAGE_LIBRARY}")
