# What both Windows toolchain files share; each of them sets DEMO_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first. Debian's mingw-w64 with the posix thread model (the "-posix"
# compilers), so that C++ threads and std::atomic behave as on Linux.
#
#   -DDEMO_WINDOWS_PREFIX=DIR   where the static Windows builds of SDL2, libogg, libvorbis,
#                               libjpeg-turbo and KISS FFT are installed
#                               (scripts/windows-deps.sh makes it)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${DEMO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DEMO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DEMO_MINGW_TRIPLE}-windres)

# try_compile() reads this file again in a project of its own: hand the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEMO_WINDOWS_PREFIX)

# Libraries, headers and CMake packages come from the mingw sysroot and the prefix only, never
# from the Linux system; programs (nasm, pkg-config) from the Linux system.
set(CMAKE_FIND_ROOT_PATH /usr/${DEMO_MINGW_TRIPLE} ${DEMO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the prefix's .pc files and none of the Linux system's.
set(ENV{PKG_CONFIG_LIBDIR} "${DEMO_WINDOWS_PREFIX}/lib/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# One self-contained program: libgcc, libstdc++ and winpthread are linked in, so it imports only
# Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
