#!/usr/bin/env bash
# Makes the whole release of the committed HEAD in dist/release-VERSION/: the Debian package and
# its source package, both Windows zips, the web page as demo-web-VERSION.tar.gz and SHA256SUMS;
# with --video also the whole demo as demo-VERSION.mp4 and with gentle flashes as
# demo-VERSION-gentle.mp4 (at --size WxH, default 1024x768), the second only once its flash
# analysis has passed.
# Installs what it needs. The zips and the page's archive come out the same, byte for byte, from
# the same commit.
#   scripts/release.sh [--video [--size WxH]] [--no-package]
# --no-package leaves the Debian package and its source package out: what the reproducibility test
# makes a second time, where only the zips and the page's archive must come out the same.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/archive.sh

video=0 size=1024x768 package=1
while [ $# -gt 0 ]; do
    case "$1" in
    --video) video=1 ;;
    --no-package) package=0 ;;
    --size) [ $# -ge 2 ] || { echo "release: --size needs WIDTHxHEIGHT" >&2; exit 2; }
        size=$2 && shift ;;
    *) echo "usage: release.sh [--video [--size WxH]] [--no-package]" >&2; exit 2 ;;
    esac
    shift
done
[ "$video" -eq 1 ] || [ "$size" = 1024x768 ] || { echo "release: --size goes with --video" >&2; exit 2; }

version=$(scripts/version.sh)
arch=$(dpkg --print-architecture)
out=dist/release-$version
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "release: uncommitted changes: the package is made from the commit, the rest from the working tree" >&2
started=$SECONDS

# Everything is made from fresh default data, never from data/, whose meshes grow with every
# run of the demo in the clone.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
rm -rf "$out.part"
mkdir -p "$out.part"

# The cross-built libraries come from caches outside the clone. Where those are empty, SDL2's
# configuration alone runs some 160 checks one at a time (four and a half minutes through emcc,
# which starts slowly), leaving a core idle: so the web's libraries build beside the two Windows
# sets while the package is made. The source entries are settled first, since two scripts adding
# them at once would both run apt-get update.
scripts/install-packages.sh deb windows web
scripts/debian-source.sh --version libsdl2 >/dev/null
scripts/build-web-deps.sh >/dev/null &
web_deps=$!
{ scripts/windows-deps.sh x86_64 && scripts/windows-deps.sh i686; } >/dev/null &
windows_deps=$!

if [ "$package" -eq 1 ]; then
    echo "== release $version: the Debian package"
    scripts/build-deb.sh
fi
wait "$web_deps" || { echo "release: the web's libraries did not build" >&2; exit 1; }
wait "$windows_deps" || { echo "release: the Windows libraries did not build" >&2; exit 1; }
[ "$package" -eq 0 ] || cp "dist/demo_${version}_$arch.deb" "dist/demo_$version.dsc" "dist/demo_$version.tar.xz" "$out.part/"

echo "== release $version: the Windows zips"
scripts/build-windows.sh
for zip_arch in x86_64 i686; do
    cp "dist/demo-windows-$zip_arch.zip" "$out.part/demo-windows-$zip_arch-$version.zip"
done

echo "== release $version: the web page"
build/tools/make-data "$stage/data" >/dev/null
scripts/build-web.sh --data "$stage/data"
cp -R dist/web "$stage/demo-web-$version"
tar_folder "$stage" "demo-web-$version" "$out.part/demo-web-$version.tar.gz"

if [ "$video" -eq 1 ]; then
    echo "== release $version: the videos, $size, with full and with gentle flashes"
    cmake --build build -j"$(nproc)" --target demo-capture >/dev/null
    (cd "$stage" && "$OLDPWD/build/tools/demo-capture" --progress --size "$size" -o "$OLDPWD/$out.part/demo-$version.mp4")
    # For video sites that want a version safe to watch: it goes out only if it is.
    (cd "$stage" && "$OLDPWD/build/tools/demo-capture" --progress --size "$size" --gentle \
        --flash-report gentle-flashes.csv -o "$OLDPWD/$out.part/demo-$version-gentle.mp4")
fi

(cd "$out.part" && sha256sum -- $(ls | LC_ALL=C sort) >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
rm -rf "$out"
mv "$out.part" "$out"
echo "release: $out in $((SECONDS - started)) s"
(cd "$out" && ls -l | tail -n +2 | awk '{printf "  %-40s %10d bytes\n", $9, $5}')
