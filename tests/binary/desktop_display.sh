#!/usr/bin/env bash
# The desktop-display build on a 1920 x 1080 screen, run as a user would run it, on an Xvfb of its
# own: a borderless window covering the screen, no change of display mode, and the demo's 4:3
# picture centred between black bars, the same picture as demo-capture's at that size.
#   desktop_display.sh DEMO_DESKTOP DEMO_CAPTURE MAKE_DATA
set -u
[ $# -eq 3 ] || { echo "usage: desktop_display.sh DEMO_DESKTOP DEMO_CAPTURE MAKE_DATA" >&2; exit 2; }
program=$(realpath "$1") capture=$(realpath "$2") make_data=$(realpath "$3")
support=$(cd "$(dirname "$0")/../support" && pwd)
. "$support/checks.sh" desktop-display
. "$support/live_demo.sh"

start_live_run 1920x1080x24 desktop
xrandr >"$work/modes-before" || stop "xrandr cannot read the screen"

note_mesh_sizes "$work/run/data"
(cd "$work/run" && exec "$program" 2>"$work/stderr") &
demo=$!
# A loaded machine can take many seconds to start it.
wait_for_window Demo 60 || stop "no window titled Demo: $(tail -n 5 "$work/stderr")"
window=$(xdotool search --name '^Demo$' | head -n 1)
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END { print w "x" h "+" x "+" y }')
[ "$geometry" = "1920x1080+0+0" ] && pass "the window covers the screen ($geometry)" ||
    fail "the window is $geometry, not the whole 1920x1080 screen"

wait_until_loaded "$work/run/data" || stop "the scenes never finished loading"
# In the intro: the banner flashes white for a few tens of ms on the track's loud beats, and the
# screenshot's instant is known only to tenths of a second.
screenshot_at 6 1920x1080 "$work/shot.png"
xrandr >"$work/modes-during"
kill -0 "$demo" 2>/dev/null || stop "the demo ended on its own before Escape"
timeout 5 xdotool windowfocus --sync "$window" key Escape
for _ in $(seq 1 150); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$demo" 2>/dev/null; then
    fail "still running 15 s after Escape"
else
    wait "$demo"
    status=$?
    [ "$status" -eq 0 ] && pass "Escape ended it with exit code 0" || fail "exit code $status"
fi
demo=""
xrandr >"$work/modes-after"
if cmp -s "$work/modes-before" "$work/modes-during" && cmp -s "$work/modes-before" "$work/modes-after"; then
    pass "the display mode stayed as it was ($(grep -o 'current [0-9]* x [0-9]*' "$work/modes-after"))"
else
    fail "the display mode changed: $(diff "$work/modes-before" "$work/modes-during"; diff "$work/modes-before" "$work/modes-after")"
fi

lit=$(lit_values "$work/shot.png" 240:1080:0:0 240:1080:1680:0)
[ "$lit" -eq 0 ] && pass "the 240 columns on each side are black" ||
    fail "the bars beside the picture hold $lit lit channel values"

(cd "$work/reference" && "$capture" --quiet --size 1920x1080 --from 4000 --to 8000 --fps 20 \
    -o frames/) || stop "demo-capture could not render the reference frames"
read -r best_db best_ms frames < <("$support/best_matching_frame.sh" "$work/shot.png" \
    "$work/reference/frames" 1440:1080:240:0 4000 50)
if [ "$frames" -eq 80 ] && awk -v d="$best_db" 'BEGIN { exit !(d >= 20) }'; then
    pass "the picture at $shot_at-$shot_taken s matches demo-capture's 1920 x 1080 frame of $best_ms ms ($best_db dB, 20 needed)"
else
    fail "the picture at $shot_at-$shot_taken s matches no frame from 4 to 8 s (best: $best_db dB at $best_ms ms of $frames, 20 needed)"
fi
finish
