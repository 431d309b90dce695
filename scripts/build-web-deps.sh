#!/usr/bin/env bash
# Builds the demo's libraries for WebAssembly from Debian's own sources (emscripten's ports would
# download theirs): SDL2, libogg, libvorbis, libjpeg-turbo and KISS FFT, installed into one prefix
# under the cache of cross-built libraries, keyed by the source versions, the emscripten version
# and this recipe, so that a second run finds it and builds nothing. Prints the prefix; each
# source's licence text is kept in PREFIX/notices/.
#   scripts/build-web-deps.sh        (after scripts/install-packages.sh web)
set -euo pipefail
cd "$(dirname "$0")/.."

DEPS_CACHE=${DEMO_DEPS_CACHE:-$HOME/.cache/demo-deps}
. scripts/web-env.sh
. scripts/third-party.sh

versions=""
for package in "${third_party_sources[@]}"; do
    versions+="$package=$(scripts/debian-source.sh --version "$package") "
done
recipe=$({ cat scripts/build-web-deps.sh scripts/web-env.sh; declare -f keep_notice; } | sha256sum | cut -c1-12)
key=$(echo "$versions emscripten=$(dpkg-query -W -f='${Version}' emscripten) $recipe" |
    sha256sum | cut -c1-16)
prefix="$DEPS_CACHE/web-$key"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work="$DEPS_CACHE/web-work-$key"
# Whatever an interrupted build left behind, of this key or of an older one.
rm -rf "$DEPS_CACHE"/web-work-* "$prefix"
mkdir -p "$work" "$prefix"
log="$work/build.log"
jobs=$(nproc)
started=$(date +%s)
echo "build-web-deps: building $versions(log: $log)" >&2

lap_start=$started
lap() { # prints how long the library just built took
    local now
    now=$(date +%s)
    echo "build-web-deps: $1 in $((now - lap_start)) s" >&2
    lap_start=$now
}

fail() {
    echo "build-web-deps: $1 failed; the last lines of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
}

# Every library is configured for the prefix alone: no host headers, libraries or pkg-config files.
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
export PKG_CONFIG_PATH=""
cmake_library() { # NAME SOURCE_DIR [CMAKE ARGUMENTS...]
    local name=$1 source=$2
    shift 2
    emcmake cmake -S "$source" -B "$work/build-$name" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >>"$log" 2>&1 ||
        fail "configuring $name"
}
build_and_install() { # NAME
    cmake --build "$work/build-$1" -j"$jobs" >>"$log" 2>&1 || fail "building $1"
    cmake --install "$work/build-$1" >>"$log" 2>&1 || fail "installing $1"
}

# Unpacks a source and keeps its licence text with the libraries.
source_dir() {
    local dir
    dir=$(scripts/debian-source.sh "$1" "$work/src" 2>>"$log") || fail "unpacking $1"
    keep_notice "$1" "$dir" "$prefix" || exit 1
    echo "$dir"
}

# libogg: CMake's type-size checks read nonsense out of emscripten's output, so their results are
# given (wasm32: 16-bit short, 32-bit int and long, 64-bit long long).
dir=$(source_dir libogg)
sizes=()
for type_size in INT16_SIZE=2 UINT16_SIZE=2 U_INT16_SIZE=2 INT32_SIZE=4 UINT32_SIZE=4 U_INT32_SIZE=4 \
    INT64_SIZE=8 SHORT_SIZE=2 INT_SIZE=4 LONG_SIZE=4 LONG_LONG_SIZE=8; do
    sizes+=("-D$type_size" "-DHAVE_${type_size%=*}=TRUE")
done
cmake_library ogg "$dir" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF "${sizes[@]}"
grep -q 'typedef int16_t ogg_int16_t' "$work/build-ogg/include/ogg/config_types.h" ||
    fail "libogg's type header"
build_and_install ogg
lap libogg

dir=$(source_dir libvorbis)
cmake_library vorbis "$dir" -DBUILD_TESTING=OFF
build_and_install vorbis
lap libvorbis

# libjpeg-turbo: no SIMD in WebAssembly; the size checks are preseeded for the same reason as
# libogg's (wasm32: size_t and unsigned long are both 4 bytes). Only the two libraries are built
# (its programs would take as long again), so they are installed by hand.
dir=$(source_dir libjpeg-turbo)
cmake_library jpeg "$dir" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=ON -DWITH_JAVA=OFF -DSIZE_T=4 -DUNSIGNED_LONG=4 -DHAVE_SIZE_T=TRUE \
    -DHAVE_UNSIGNED_LONG=TRUE
cmake --build "$work/build-jpeg" -j"$jobs" --target jpeg-static turbojpeg-static >>"$log" 2>&1 ||
    fail "building jpeg"
mkdir -p "$prefix/include" "$prefix/lib/pkgconfig"
cp "$work/build-jpeg/libjpeg.a" "$work/build-jpeg/libturbojpeg.a" "$prefix/lib/"
cp "$dir/jpeglib.h" "$dir/jerror.h" "$dir/jmorecfg.h" "$dir/turbojpeg.h" \
    "$work/build-jpeg/jconfig.h" "$prefix/include/"
cp "$work/build-jpeg/pkgscripts/libjpeg.pc" "$work/build-jpeg/pkgscripts/libturbojpeg.pc" \
    "$prefix/lib/pkgconfig/"
lap libjpeg-turbo

dir=$(source_dir kissfft)
cmake_library kissfft "$dir" -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF \
    -DKISSFFT_TOOLS=OFF -DKISSFFT_PKGCONFIG=ON
build_and_install kissfft
lap kissfft

# SDL2: video, events, timers and audio only. No threads: emscripten's threads need pages served
# with cross-origin isolation, and the browser's audio calls SDL back on the main thread anyway.
dir=$(source_dir libsdl2)
cmake_library sdl2 "$dir" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
    -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF \
    -DSDL_HIDAPI=OFF -DSDL_POWER=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF \
    -DSDL_DISKAUDIO=OFF -DSDL_DUMMYAUDIO=OFF -DSDL_DUMMYVIDEO=OFF -DSDL_OFFSCREEN=OFF \
    -DSDL_OPENGLES=ON
build_and_install sdl2
lap libsdl2

# emscripten's own GL and GLU, under the names the demo's build asks pkg-config for. GLU is empty:
# the page supplies the functions it needs.
cat >"$prefix/lib/pkgconfig/gl.pc" <<'EOF'
Name: gl
Description: emscripten's OpenGL over WebGL
Version: 1.2
Libs: -lGL
EOF
cat >"$prefix/lib/pkgconfig/glu.pc" <<'EOF'
Name: glu
Description: the GLU functions of the web build's compatibility file
Version: 9.0
Requires: gl
EOF

echo "$versions" >"$prefix/versions"
echo "build-web-deps: built in $(($(date +%s) - started)) s" >&2
rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
