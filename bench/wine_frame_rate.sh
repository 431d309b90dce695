#!/usr/bin/env bash
# The figure shot's frame rate under Wine against the native demo's, on one machine in one run:
#   bench/wine_frame_rate.sh ZIP NATIVE_DEMO [ROUNDS]
# ZIP: dist/demo-windows-ARCH.zip; NATIVE_DEMO: build/demo. Each round plays the native demo and
# the Windows one in turn on a private Xvfb (Mesa's llvmpipe draws for both: Wine's opengl32
# passes the calls to it), so a machine busy with other work slows both alike. Mesa's own
# counter (GALLIUM_HUD, dumped once a second, never drawn) counts the frames; the samples of the
# figure shot are those from 14 to 25 s after the first frame. Prints each run's mean and the
# ratio of the means. Needs the packages of scripts/install-packages.sh windows.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: wine_frame_rate.sh ZIP NATIVE_DEMO [ROUNDS]" >&2; exit 2; }
zip=$(realpath "$1")
native=$(realpath "$2")
rounds=${3:-2}

work=$(mktemp -d /tmp/wine-fps-XXXXXX)
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

unzip -q "$zip" -d "$work"
app=$(find "$work" -name demo.exe -printf '%h\n' | head -n 1)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")" SDL_AUDIODRIVER=dummy
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "$0")/../tests/support/wine_loader.sh"
use_wine_loader_of "$app/demo.exe"
"$wine" wineboot.exe -i >/dev/null 2>&1

. "$(dirname "$0")/lib/figure_frame_rate.sh"

play_first() { figure_frame_rate "$app" "$work/hud-native" "$native"; }
play_second() { figure_frame_rate "$app" "$work/hud-wine" "$wine" demo.exe; }
compare_figure_frame_rates "$rounds" native Wine
