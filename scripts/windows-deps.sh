#!/usr/bin/env bash
# Builds the demo's libraries for Windows as static libraries, from Debian's own sources, into a
# prefix per architecture, and prints the prefix. Debian ships no mingw builds of them.
#   scripts/windows-deps.sh x86_64|i686
#
# The prefix lies outside the clone, under $DEMO_WINDOWS_CACHE (default ~/.cache/demo-windows),
# named after a key of the source versions, the compiler and the build recipe (this script and the
# toolchain files): a later run with the same key finds it complete and builds nothing. The
# versions used are in PREFIX/versions.txt, and each source's licence text in PREFIX/notices/.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/third-party.sh

arch=${1:-}
case "$arch" in
x86_64 | i686) ;;
*) echo "usage: windows-deps.sh x86_64|i686" >&2; exit 2 ;;
esac
triple=$arch-w64-mingw32
toolchain=$PWD/cmake/$triple.cmake

cache=${DEMO_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/demo-windows}
mkdir -p "$cache"

versions=$(for package in "${third_party_sources[@]}"; do
    echo "$package $(scripts/debian-source.sh --version "$package")"
done)
compiler="$("$triple-gcc-posix" --version | head -n 1); mingw-w64 $(dpkg-query -W -f='${Version}' mingw-w64-common)"
key=$({ echo "$versions"; echo "$compiler"; declare -f keep_notice
    cat scripts/windows-deps.sh cmake/mingw-w64.cmake "$toolchain"; } |
    sha256sum | cut -c1-16)
prefix=$cache/$triple-$key

if [ -f "$prefix/.complete" ]; then
    echo "windows-deps: $triple libraries cached in $prefix" >&2
    echo "$prefix"
    exit 0
fi

echo "windows-deps: building the $triple libraries from Debian's sources into $prefix" >&2
rm -rf "$prefix"
mkdir -p "$prefix/logs"
work=$(mktemp -d "$cache/build-$triple.XXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)

# Configures, builds and installs one CMake project into the prefix, its output in a log.
build() {
    local name=$1 source=$2
    shift 2
    local started=$SECONDS log=$prefix/logs/$name.log
    [ -d "$source" ] || { echo "windows-deps: no source for $name" >&2; exit 1; }
    if ! {
        cmake -S "$source" -B "$work/$name" --toolchain "$toolchain" \
            -DDEMO_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
            -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@" &&
            cmake --build "$work/$name" -j"$jobs" &&
            cmake --install "$work/$name"
    } >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "windows-deps: $name failed for $triple (whole log: $log)" >&2
        exit 1
    fi
    echo "windows-deps: $triple $name in $((SECONDS - started)) s" >&2
}

# Unpacks a source and keeps its licence text with the libraries.
source_of() {
    local dir
    dir=$(scripts/debian-source.sh "$1" "$cache/src") && keep_notice "$1" "$dir" "$prefix" && echo "$dir"
}

build ogg "$(source_of libogg)" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
build vorbis "$(source_of libvorbis)" -DBUILD_TESTING=OFF
build jpeg "$(source_of libjpeg-turbo)" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON
# KISS FFT takes GNU's install directories only on UNIX; elsewhere it would install into /.
build kissfft "$(source_of kissfft)" \
    -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
    -DKISSFFT_PKGCONFIG=ON -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DCMAKE_INSTALL_BINDIR=bin
build sdl2 "$(source_of libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF

{
    echo "Debian source packages, built as static libraries for $triple:"
    echo "$versions"
    echo "Compiler: $compiler"
} >"$prefix/versions.txt"
touch "$prefix/.complete"
# Prefixes of earlier keys for this architecture are of no more use.
for old in "$cache/$triple"-*; do
    [ "$old" = "$prefix" ] || rm -rf "$old"
done
echo "$prefix"
