#!/usr/bin/env bash
# The figure shot's live frame rate of the desktop-display build on a 1920 x 1080 screen (a
# 1440 x 1080 picture) beside the 1024 x 768 mode build on a 1024 x 768 screen, on one machine in
# one run, each on a private Xvfb with Mesa's llvmpipe drawing; rounds alternate the two, so a
# machine busy with other work slows both alike.
#   bench/desktop_frame_rate.sh [BUILD_DIR] [ROUNDS]     (default: build, 2)
set -euo pipefail
build=$(realpath "${1:-$(dirname "$0")/../build}")
rounds=${2:-2}

work=$(mktemp -d /tmp/desktop-fps-XXXXXX)
xvfbs=()
cleanup() {
    for pid in "${xvfbs[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# Starts an Xvfb of the given size and sets VARIABLE to its display. Not in a subshell (no
# $(...)), so that the cleanup knows every server it started.
start_xvfb() { # SIZE VARIABLE
    local file=$work/display-$1
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$file" >/dev/null 2>&1 &
    xvfbs+=($!)
    for _ in $(seq 1 100); do [ -s "$file" ] && break; sleep 0.1; done
    printf -v "$2" ':%s' "$(head -n 1 "$file")"
}
start_xvfb 1024x768x24 small
start_xvfb 1920x1080x24 wide
"$build/tools/make-data" "$work/data" >/dev/null
export SDL_AUDIODRIVER=dummy

. "$(dirname "$0")/lib/figure_frame_rate.sh"

play_first() { DISPLAY=$small figure_frame_rate "$work" "$work/hud-mode" "$build/demo"; }
play_second() { DISPLAY=$wide figure_frame_rate "$work" "$work/hud-desktop" "$build/demo-desktop"; }
compare_figure_frame_rates "$rounds" "demo at 1024 x 768" "demo-desktop at 1920 x 1080"
