#!/usr/bin/env bash
# The desktop-display build on a 1920 x 1080 screen, run as a user would run it, on an Xvfb of its
# own: a borderless window covering the screen, no change of display mode, and the demo's 4:3
# picture centred between black bars, the same picture as demo-capture's at that size.
#   desktop_display.sh DEMO_DESKTOP DEMO_CAPTURE MAKE_DATA
set -u
[ $# -eq 3 ] || { echo "usage: desktop_display.sh DEMO_DESKTOP DEMO_CAPTURE MAKE_DATA" >&2; exit 2; }
demo=$(realpath "$1") capture=$(realpath "$2") make_data=$(realpath "$3")
match=$(cd "$(dirname "$0")/../support" && pwd)/best_matching_frame.sh

work=$(mktemp -d /tmp/demo-desktop-XXXXXX)
pid="" xvfb=""
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- demo's standard error:"; cat "$work/stderr" 2>/dev/null; exit 1; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")" SDL_AUDIODRIVER=dummy

mkdir -p "$work/run" "$work/reference"
"$make_data" "$work/run/data" >/dev/null || fail "make-data failed"
cp -R "$work/run/data" "$work/reference/data"
xrandr >"$work/modes-before" || fail "xrandr cannot read the screen"

size() { stat -c %s "$work/run/data/$1.obj"; }
star_before=$(size star) figure_before=$(size figure)
(cd "$work/run" && exec "$demo" 2>"$work/stderr") &
pid=$!

# A loaded machine can take many seconds to start it.
window=""
for _ in $(seq 1 600); do
    window=$(xdotool search --name '^Demo$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the demo ended before it showed a window"
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled Demo"
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END { print w "x" h "+" x "+" y }')
[ "$geometry" = "1920x1080+0+0" ] || fail "the window is $geometry, not the whole 1920x1080 screen"
echo "ok: the window covers the screen ($geometry)"

# The clock starts once every scene has loaded: star.obj, loaded by two scenes, has then grown by
# twice what figure.obj, loaded earlier, has.
loaded=""
for _ in $(seq 1 1200); do
    star_grew=$(($(size star) - star_before)) figure_grew=$(($(size figure) - figure_before))
    if [ "$figure_grew" -gt 0 ] && [ "$star_grew" -eq $((2 * figure_grew)) ]; then
        loaded=$(now)
        break
    fi
    kill -0 "$pid" 2>/dev/null || fail "the demo ended while loading"
    sleep 0.05
done
[ -n "$loaded" ] || fail "the scenes never finished loading"

# The figure shot at about 20 s.
sleep "$(awk -v t="$loaded" -v n="$(now)" 'BEGIN { d = t + 20 - n; print (d > 0 ? d : 0) }')"
shot_at=$(since "$loaded")
ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1920x1080 -i "$DISPLAY" \
    -frames:v 1 "$work/shot.png" || fail "no screenshot"
shot_taken=$(since "$loaded")
xrandr >"$work/modes-during"
kill -0 "$pid" 2>/dev/null || fail "the demo ended on its own before Escape"
timeout 5 xdotool windowfocus --sync "$window" key Escape
for _ in $(seq 1 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "still running 15 s after Escape"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit code $status"
xrandr >"$work/modes-after"
cmp -s "$work/modes-before" "$work/modes-during" && cmp -s "$work/modes-before" "$work/modes-after" ||
    fail "the display mode changed: $(diff "$work/modes-before" "$work/modes-during"; diff "$work/modes-before" "$work/modes-after")"
echo "ok: the display mode stayed as it was ($(grep -o 'current [0-9]* x [0-9]*' "$work/modes-after"))"

lit=0
for bar in 240:1080:0:0 240:1080:1680:0; do
    lit=$((lit + $(ffmpeg -loglevel error -i "$work/shot.png" -vf "crop=$bar" -f rawvideo \
        -pix_fmt rgb24 - | tr -d '\0' | wc -c)))
done
[ "$lit" -eq 0 ] || fail "the bars beside the picture hold $lit lit channel values"
echo "ok: the 240 columns on each side are black"

(cd "$work/reference" && "$capture" --quiet --size 1920x1080 --from 18000 --to 22000 --fps 20 \
    -o frames/) || fail "demo-capture could not render the reference frames"
read -r best_db best_ms frames < <("$match" "$work/shot.png" "$work/reference/frames" 1440:1080:240:0 18000 50)
[ "$frames" -eq 80 ] && awk -v d="$best_db" 'BEGIN { exit !(d >= 20) }' ||
    fail "the picture at $shot_at-$shot_taken s matches no frame from 18 to 22 s (best: $best_db dB at $best_ms ms of $frames, 20 needed)"
echo "ok: the picture at $shot_at-$shot_taken s matches demo-capture's 1920 x 1080 frame of $best_ms ms ($best_db dB, 20 needed)"
