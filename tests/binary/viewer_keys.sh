#!/usr/bin/env bash
# The viewer's keys on the real demo-desktop, pressed through the X server of an Xvfb of its own,
# one sequence as a viewer might press them: the demo started at 20 s (--start), paused, moved by
# every seek key and stepped a frame each way, gentle flashes switched on and off, muted, resumed
# with the keyboard's play key, paused again, and ended with Escape. Each frame shown while paused
# is demo-capture --at's frame of that instant byte for byte (demo-capture --gentle's while gentle):
# above the time bar at once, and the whole screen once the bar has gone two seconds after a key.
#   viewer_keys.sh DEMO_DESKTOP DEMO_CAPTURE MAKE_DATA
set -u
[ $# -eq 3 ] || { echo "usage: viewer_keys.sh DEMO_DESKTOP DEMO_CAPTURE MAKE_DATA" >&2; exit 2; }
program=$(realpath "$1") capture=$(realpath "$2") make_data=$(realpath "$3")
support=$(cd "$(dirname "$0")/../support" && pwd)
. "$support/checks.sh" viewer-keys
. "$support/live_demo.sh"

start_live_run 1024x768x24 keys
note_mesh_sizes "$work/run/data"
(cd "$work/run" && exec "$program" --start 20 2>"$work/stderr") &
demo=$!
wait_for_window Demo 60 || stop "no window titled Demo: $(tail -n 5 "$work/stderr")"
window=$(xdotool search --onlyvisible --name '^Demo$' | head -n 1)
wait_until_loaded "$work/run/data" || stop "the scenes never finished loading"

# The screen as raw RGB: whole, or its rows above the time bar (the bottom 64 rows hold it).
grab() { # FILE
    ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1024x768 -i "$DISPLAY" \
        -frames:v 1 -f rawvideo -pix_fmt rgb24 "$1"
}
above_bar() { head -c $((1024 * 3 * 704)) "$1"; }
reference() { # MS [--gentle]: demo-capture's frame, as raw RGB
    local file=$work/reference/frame-$1${2:-}.rgb
    if [ ! -s "$file" ]; then
        (cd "$work/reference" && "$capture" ${2:-} --at "$1" -o "frame.png") >/dev/null 2>&1 &&
            ffmpeg -loglevel error -y -i "$work/reference/frame.png" -f rawvideo -pix_fmt rgb24 "$file"
    fi
    echo "$file"
}
press() { timeout 5 xdotool windowfocus --sync "$window" key "$1"; }
# Presses KEY and checks that the screen above the bar shows the instant MS at once (within a
# second, a frame of which llvmpipe draws in tens of milliseconds).
shows() { # KEY MS WHAT [--gentle]
    local ref shot=$work/shot.rgb
    ref=$(reference "$2" "${4:-}")
    press "$1"
    for _ in $(seq 1 10); do
        sleep 0.1
        grab "$shot" && cmp -s <(above_bar "$shot") <(above_bar "$ref") && break
    done
    if cmp -s <(above_bar "$shot") <(above_bar "$ref"); then
        pass "$1 ($3): the frame at $2 ms, byte for byte${4:+ (gentle)}"
    else
        fail "$1 ($3): the screen is not demo-capture ${4:-}--at $2's frame"
        cp "$shot" "${TMPDIR:-/tmp}/viewer-keys-$2.rgb"
    fi
}
# Waits for the time bar to go and checks the whole screen.
whole() { # MS WHAT [--gentle]
    sleep 2.3
    grab "$work/shot.rgb"
    cmp -s "$work/shot.rgb" "$(reference "$1" "${3:-}")" &&
        pass "two seconds on, the bar has gone: the whole screen is the frame at $1 ms ($2)" ||
        fail "two seconds on, the whole screen is not the frame at $1 ms ($2)"
}

press k
sleep 0.5
grab "$work/paused-1.rgb"
sleep 2
grab "$work/paused-2.rgb"
cmp -s <(above_bar "$work/paused-1.rgb") <(above_bar "$work/paused-2.rgb") &&
    pass "k pauses: the picture holds for two seconds" || fail "k did not pause: the picture moved"
cmp -s "$work/paused-1.rgb" "$work/paused-2.rgb" && fail "no time bar came and went with the pause" ||
    pass "the pause showed the time bar, and it has gone"

shows 3 40800 "three tenths of the show"
shows period 40817 "a frame on"
shows comma 40800 "a frame back"
shows comma 40783 "a frame back again"
shows Right 45783 "5 s on"
shows j 35783 "10 s back"
shows l 45783 "10 s on"
shows Left 40783 "5 s back"
shows Home 0 "the start"
shows End 135000 "the credits' last second"
shows 9 122400 "nine tenths"
shows g 122400 "gentle flashes on" --gentle
whole 122400 "gentle" --gentle
shows g 122400 "gentle flashes off"
shows 0 0 "the start"
shows 5 68000 "half way"
whole 68000 "half way"
shows m 68000 "muted: the picture stays"

press XF86AudioPlay
sleep 1
grab "$work/playing.rgb"
cmp -s <(above_bar "$work/playing.rgb") <(above_bar "$(reference 68000)") &&
    fail "the keyboard's play key did not resume the show" || pass "the keyboard's play key resumes the show"
press space
sleep 2.5
grab "$work/paused-1.rgb"
sleep 0.5
grab "$work/paused-2.rgb"
cmp -s "$work/paused-1.rgb" "$work/paused-2.rgb" &&
    pass "space pauses again, and the bar has gone while paused" || fail "space did not pause the show"

kill -0 "$demo" 2>/dev/null || stop "the demo ended before Escape: $(tail -n 3 "$work/stderr")"
press Escape
for _ in $(seq 1 50); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$demo" 2>/dev/null; then
    fail "Escape did not end the paused demo"
else
    wait "$demo"
    status=$?
    demo=""
    [ "$status" -eq 0 ] && pass "Escape ends the paused demo, with 0" || fail "the demo ended with $status"
fi
[ ! -s "$work/stderr" ] && pass "nothing on standard error" || fail "standard error: $(head -n 3 "$work/stderr")"
finish
