#!/usr/bin/env bash
# Installs the Debian 12 packages that the demo, its tools and its tests need, plus those of the
# extra sets named on the command line; does nothing when they are all there already. Uses sudo
# when not run as root.
#   scripts/install-packages.sh [fuzz] [windows] [wine32] [web] [browser-tests] [deb] [farm]
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl2-dev libvorbis-dev libkissfft-dev libjpeg62-turbo-dev libturbojpeg0-dev
    libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl-mesa0 libx11-dev
    libpng-dev libdeflate-dev libcairo2-dev libfreetype-dev fonts-dejavu-core fonts-dejavu-extra ffmpeg
    libgtest-dev libbenchmark-dev libtinyobjloader-dev
    # SDL's message box on X11 draws its text with the X server's core fonts: without them
    # it cannot show at all.
    xvfb xfonts-base xdotool x11-utils
    # xrandr: the desktop build's test reads the display mode before, during and after.
    x11-xserver-utils
    # XTest: the benchmarks press keys as a keyboard does (bench/seek_latency.cpp).
    libxtst-dev
    # The live A/V test: a sound server with a null sink whose monitor records what plays, and
    # the reference program that clicks into it.
    pulseaudio pulseaudio-utils libpulse-dev
)
i386=0
for set in "$@"; do
    case "$set" in
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    # Cross-building: the compilers, and what unpacks and builds Debian's source packages.
    # icoutils: wrestool reads the programs' resources back in the smoke test.
    windows) packages+=(mingw-w64 dpkg-dev zip unzip wine wine64 nasm icoutils) ;;
    wine32) packages+=(wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386) i386=1 ;;
    web) packages+=(emscripten dpkg-dev python3 zopfli) ;;
    # The three engines: Chromium, Firefox ESR, and WebKitGTK's MiniBrowser with its WebDriver;
    # PulseAudio gives the last two a sound output on a machine without a sound card; nginx, the
    # real host the tests serve the page from too (tests/web/nginx.mjs starts its own, on
    # 127.0.0.1, from a configuration of its own; the system's service is not used).
    # Debian's npm cannot be installed beside a node that brings its own npm (NodeSource's).
    browser-tests)
        packages+=(chromium firefox-esr webkit2gtk-driver pulseaudio nodejs nginx) &&
            { command -v npm >/dev/null || packages+=(npm); } ;;
    # The Debian package: what builds it (debian/control's Build-Depends are the main set's) and
    # what checks it.
    deb) packages+=(debhelper dpkg-dev lintian appstream desktop-file-utils) ;;
    # The render farm's schedulers, which its tests start on 127.0.0.1: Slurm with munge, and
    # GNU parallel over OpenSSH.
    farm) packages+=(slurm-wlm munge openssh-server parallel) ;;
    *) echo "install-packages: unknown set '$set'" >&2; exit 2 ;;
    esac
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
# wine32's set is i386: the architecture is added only when it is needed (scripts/install-wine32.sh
# takes it away again when its package lists cannot be had).
if [ "$i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
