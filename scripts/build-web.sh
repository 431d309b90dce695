#!/usr/bin/env bash
# Builds the demo as a static web page into dist/web/: index.html with its script and style, the
# program (demo.js, demo.wasm), the data package made from data/ (demo.data, demo.data.json), the
# poster and the icons (frames of the demo, drawn by demo-capture), the web app manifest and the
# service worker that keeps it all for playing offline, LICENSE.txt and THIRD-PARTY-NOTICES.txt
# (the licences of the libraries compiled into the WebAssembly). Any static web host can serve it.
# Installs what it needs; the libraries for WebAssembly are built from Debian's sources once and
# then taken from the cache (scripts/build-web-deps.sh).
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
cmake --build build -j"$(nproc)" --target make-data demo-capture >/dev/null
build/tools/make-data "$data"

prefix=$(scripts/build-web-deps.sh)
DEPS_CACHE=${DEMO_DEPS_CACHE:-$HOME/.cache/demo-deps}
. scripts/web-env.sh
. scripts/third-party.sh
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
cp web/page.js web/download.js web/page.css web/manifest.webmanifest build-web/demo.js build-web/demo.wasm \
    "$out.part/"
sed "s/@DEMO_VERSION@/$(scripts/version.sh)/g" web/index.html >"$out.part/index.html"
scripts/pack-web-data.sh "$data" "$out.part"
# As in the Windows zips: .txt, so that a host serves them as text and the footer's links open in
# the browser.
cp LICENSE "$out.part/LICENSE.txt"
scripts/write-notices.sh "$out.part/THIRD-PARTY-NOTICES.txt" \
    "Demo $(scripts/version.sh) as a web page (demo.js and demo.wasm)" "$prefix" "${third_party_web_runtime[@]}"

# The poster behind the start button (and the link preview's picture) is the figure shot at 18 s;
# the icons are its middle square. From a copy of the data, since loading a mesh appends to its
# file.
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
cp -r "$data" "$frames/data"
capture=$PWD/build/tools/demo-capture
(cd "$frames" && "$capture" --quiet --at 18000 -o frame.png)
# Shown dimmed behind the start, so a middling quality does: 90 KB rather than 122 at -q:v 3.
ffmpeg -v error -i "$frames/frame.png" -q:v 5 "$out.part/poster.jpg"
# 256 colours, which no one tells from the full ones at these sizes, at a third of the bytes; the
# page's own icon is the small one.
for size in 32 192 512; do
    ffmpeg -v error -i "$frames/frame.png" -vf "crop=768:768:128:0,scale=$size:$size:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse" \
        "$out.part/icon-$size.png"
done

# The page fetches the program compressed and inflates it itself (web/download.js), whatever the
# host does; the data package is compressed by pack-web-data.sh. Beside the other text files, their
# compressed copies for hosts that send such copies where they lie (nginx's gzip_static).
for file in demo.js demo.wasm; do
    zopfli -c "$out.part/$file" >"$out.part/$file.gz"
done
for file in index.html page.js download.js page.css demo.data.json manifest.webmanifest LICENSE.txt \
    THIRD-PARTY-NOTICES.txt; do
    gzip -9 -n -c "$out.part/$file" >"$out.part/$file.gz"
done

# The service worker's cache is named after everything it keeps: a new build is a new cache, and
# the browser, finding sw.js changed, fetches the new files and drops the old ones.
version=$(cd "$out.part" && cat $(ls | sort) | sha256sum | cut -c1-16)
sed "s/@BUILD_VERSION@/$version/" web/sw.js >"$out.part/sw.js"
gzip -9 -n -c "$out.part/sw.js" >"$out.part/sw.js.gz"
rm -rf "$out"
mv "$out.part" "$out"

echo "build-web: the page is in $PWD/$out (scripts/serve-web.sh serves it)"
for file in demo.wasm demo.js demo.data; do
    printf '  %-10s %9d bytes, %9d compressed\n' "$file" "$(stat -c %s "$out/$file")" \
        "$(stat -c %s "$out/$file.gz")"
done
printf '  %-10s %9d bytes\n' poster.jpg "$(stat -c %s "$out/poster.jpg")"
