#!/usr/bin/env bash
# Installs what the demo needs, builds it, writes any missing default data into data/ and runs it.
#   scripts/run-demo.sh             the demo as first made: the display switched to 1024 x 768
#   scripts/run-demo.sh --desktop   full screen at the desktop's own resolution, no mode switch
#   scripts/run-demo.sh --gentle    with gentle flashes, safe for photosensitive viewers (with
#                                   or without --desktop)
set -euo pipefail
cd "$(dirname "$0")/.."

program=demo gentle=()
for argument in "$@"; do
    case "$argument" in
    --desktop) program=demo-desktop ;;
    --gentle) gentle=(--gentle) ;;
    *) echo "usage: scripts/run-demo.sh [--desktop] [--gentle]" >&2; exit 2 ;;
    esac
done

scripts/install-packages.sh
# The same build directory and type as the tests, so switching between the two rebuilds nothing.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$program" make-data demo-capture
build/tools/make-data data

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # Nothing to show it on: record it instead, frame by frame, with its sound.
    echo "run-demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering the demo to demo.mp4 instead" >&2
    build/tools/demo-capture --progress "${gentle[@]}" -o demo.mp4
    echo "run-demo: the demo is in $PWD/demo.mp4" >&2
    exit 0
fi
exec "build/$program" "${gentle[@]}"
