# Sourced: the libraries built into the Windows programs and the web page, whose licences travel
# with them in THIRD-PARTY-NOTICES.txt (scripts/write-notices.sh), and what keeps each one's text.
# The cross builds (scripts/windows-deps.sh, scripts/build-web-deps.sh) build these sources and no
# others, and tests/release/notices_test.sh expects a notice for each of them: a library added
# here comes with its notice, and one built without being added here stops the build.

# Debian source packages, built for both Windows and WebAssembly, with what each one is.
third_party_sources=(libogg libvorbis libjpeg-turbo kissfft libsdl2)
declare -gA third_party_names=(
    [libogg]="libogg (the Ogg container)"
    [libvorbis]="libvorbis and libvorbisfile (the Vorbis decoder)"
    [libjpeg-turbo]="libjpeg-turbo (the JPEG decoder)"
    [kissfft]="KISS FFT (the spectrum)"
    [libsdl2]="SDL2 (window, OpenGL context, input and sound)"
)

# Debian binary packages whose static runtime the Windows link takes in, ARCH standing for the
# package names' x86-64 or i686; scripts/build-windows.sh checks them against each program's link
# map. Their licence texts are the machine's /usr/share/doc/PACKAGE/copyright.
third_party_windows_runtime=(mingw-w64-ARCH-dev gcc-mingw-w64-ARCH-posix g++-mingw-w64-ARCH-posix)
# Everything emcc links besides the project and the sources above (musl's libc, libc++ and
# libc++abi, compiler-rt, dlmalloc, the GL emulation and the JavaScript runtime) comes from its
# own sysroot and library, in Debian's emscripten package.
third_party_web_runtime=(emscripten)
third_party_names+=(
    [mingw-w64-ARCH-dev]="the mingw-w64 runtime (C start-up, winpthreads, Windows' import libraries)"
    [gcc-mingw-w64-ARCH-posix]="GCC's runtime library (libgcc)"
    [g++-mingw-w64-ARCH-posix]="GCC's C++ library (libstdc++)"
    [emscripten]="emscripten's runtime (musl libc, libc++ and libc++abi, compiler-rt, dlmalloc, GL emulation, JavaScript glue)"
)

# The Windows runtime packages of one architecture (x86_64 or i686).
third_party_windows_packages() { # ARCH
    local arch=${1//_/-}
    printf '%s\n' "${third_party_windows_runtime[@]//ARCH/$arch}"
}

# What a package is, for a person: its entry above (a Windows runtime package by its ARCH name).
third_party_name() { # PACKAGE
    local key
    key=$(sed -E 's/-(x86-64|i686)-/-ARCH-/' <<<"$1")
    echo "${third_party_names[$key]:-$1}"
}

# Keeps the licence text of an unpacked Debian source beside the libraries built from it, as
# PREFIX/notices/PACKAGE: a line "PACKAGE VERSION", then its debian/copyright as it is. Refuses a
# package that is not one of third_party_sources.
keep_notice() { # PACKAGE SOURCE_DIR PREFIX
    local known
    for known in "${third_party_sources[@]}"; do
        [ "$known" = "$1" ] || continue
        [ -s "$2/debian/copyright" ] || { echo "third-party: $2 has no debian/copyright" >&2; return 1; }
        mkdir -p "$3/notices"
        { echo "$1 $(dpkg-parsechangelog -l "$2/debian/changelog" -S Version)"; cat "$2/debian/copyright"; } \
            >"$3/notices/$1"
        return
    done
    echo "third-party: $1 is not listed in scripts/third-party.sh: add it, so that its licence travels with the programs" >&2
    return 1
}
