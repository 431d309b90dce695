#!/usr/bin/env bash
# Builds the demo as a static web page into dist/web/: index.html with its script and style, the
# program (demo.js, demo.wasm) and the data package (data.js, demo.data) made from data/, which
# any static web host can serve. Installs what it needs; the libraries for WebAssembly are built
# from Debian's sources once and then taken from the cache (scripts/build-web-deps.sh).
#   scripts/build-web.sh [--data DIR]     the data to pack (default data/)
set -euo pipefail
cd "$(dirname "$0")/.."
data=data
if [ $# -gt 0 ]; then
    [ $# -eq 2 ] && [ "$1" = --data ] || { echo "usage: build-web.sh [--data DIR]" >&2; exit 2; }
    data=$2
fi

scripts/install-packages.sh web

# The data is the native demo's: make-data writes whatever is missing from it.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target make-data >/dev/null
build/tools/make-data "$data"

prefix=$(scripts/build-web-deps.sh)
DEPS_CACHE=${DEMO_DEPS_CACHE:-$HOME/.cache/demo-deps}
. scripts/web-env.sh
# Only the prefix's pkg-config files: the host's would hand native libraries to the linker.
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
# CMake keeps what pkg-config said: libraries of another key mean a new build directory.
[ "$(cat build-web/deps-prefix 2>/dev/null)" = "$prefix" ] || rm -rf build-web
mkdir -p build-web
echo "$prefix" >build-web/deps-prefix
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DDEMO_DISPLAY=window \
    -DCMAKE_FIND_ROOT_PATH="$prefix" >build-web/configure.log 2>&1 ||
    { cat build-web/configure.log >&2; exit 1; }
cmake --build build-web -j"$(nproc)" --target demo

out=dist/web
rm -rf "$out.part"
mkdir -p "$out.part"
cp web/page.js web/page.css build-web/demo.js build-web/demo.wasm "$out.part/"
sed "s/@DEMO_VERSION@/$(scripts/version.sh)/g" web/index.html >"$out.part/index.html"
# The demo reads "data/..." from the working directory, which is the file system's root.
python3 /usr/share/emscripten/tools/file_packager.py "$out.part/demo.data" --preload "$data@/data" \
    --js-output="$out.part/data.js" --no-node 2>&1 >/dev/null | grep -v FORCE_FILESYSTEM >&2 || true
[ -s "$out.part/data.js" ] || { echo "build-web: packing data/ failed" >&2; exit 1; }
# The packager names each package with a random UUID (a key for browsers' caches); one made from
# the data itself keeps the page the same from the same data.
uuid=$(sha256sum "$out.part/demo.data" | sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12}).*/\1-\2-\3-\4-\5/')
sed -i -E "s/\"package_uuid\": \"[0-9a-f-]+\"/\"package_uuid\": \"$uuid\"/" "$out.part/data.js"
grep -q "\"package_uuid\": \"$uuid\"" "$out.part/data.js" ||
    { echo "build-web: no package_uuid in data.js to fix" >&2; exit 1; }
rm -rf "$out"
mv "$out.part" "$out"

echo "build-web: the page is in $PWD/$out (scripts/serve-web.sh serves it)"
for file in demo.wasm demo.js data.js demo.data; do
    printf '  %-10s %9d bytes, %9d gzip-compressed\n' "$file" "$(stat -c %s "$out/$file")" \
        "$(gzip -9 -c "$out/$file" | wc -c)"
done
