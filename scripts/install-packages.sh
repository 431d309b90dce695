#!/usr/bin/env bash
# Installs the Debian 12 packages the demo, its tools and its tests need; does nothing when they are
# all there already. Uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl2-dev libvorbis-dev libkissfft-dev libjpeg62-turbo-dev libturbojpeg0-dev
    libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl-mesa0 libx11-dev
    libpng-dev libcairo2-dev libfreetype-dev fonts-dejavu-core ffmpeg
    libgtest-dev libbenchmark-dev libtinyobjloader-dev
    xvfb xdotool x11-utils
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
