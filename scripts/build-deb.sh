#!/usr/bin/env bash
# Builds the Debian package from the committed HEAD, the Debian way (dpkg-buildpackage with
# debhelper, debian/), and writes dist/demo_VERSION_ARCH.deb and the source package beside it
# (demo_VERSION.dsc, demo_VERSION.tar.xz). Installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh deb
version=$(scripts/version.sh)
arch=$(dpkg --print-architecture)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "build-deb: the package is built from the committed HEAD; uncommitted changes are not in it" >&2

# A clean tree of the commit: the source package holds exactly what is committed.
started=$SECONDS
rm -rf build-deb
mkdir -p "build-deb/demo-$version"
git archive HEAD | tar -x -C "build-deb/demo-$version"
cd "build-deb/demo-$version"
if ! dpkg-checkbuilddeps 2>/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get build-dep -y -qq ./ >/dev/null
fi
dpkg-buildpackage -us -uc -j"$(nproc)" >../build.log 2>&1 ||
    { tail -n 40 ../build.log >&2; echo "build-deb: dpkg-buildpackage failed; the whole log is build-deb/build.log" >&2; exit 1; }
cd ../..

mkdir -p dist
for file in "demo_${version}_$arch.deb" "demo_$version.dsc" "demo_$version.tar.xz"; do
    cp "build-deb/$file" dist/
done
echo "build-deb: dist/demo_${version}_$arch.deb ($(du -k "dist/demo_${version}_$arch.deb" | cut -f1) KiB)" \
    "and the source package demo_$version.dsc, demo_$version.tar.xz, in $((SECONDS - started)) s"
