#!/usr/bin/env bash
# Runs the real demo binary under the test run's X display and checks how it ends.
#   run_demo.sh CASE DEMO WRITE_TEST_TRACK CLOSE_WINDOW
# CASE: escape | close | missing-track | mode-refused | box-fails-track | box-fails-picture |
#       unknown-option | repeated-option
set -u
case_name=$1 demo=$2 write_track=$3 close_window=$4
[ -n "${DISPLAY:-}" ] || { echo "needs a display (the test command starts Xvfb)"; exit 1; }

work=$(mktemp -d /tmp/demo-binary-XXXXXX)
trap 'kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/data"
"$(dirname "$write_track")/write-scene-data" "$work/data" || exit 1
case "$case_name" in missing-track | box-fails-track) ;; *) "$write_track" "$work/data/music.ogg" 20 || exit 1 ;; esac
[ "$case_name" = box-fails-picture ] && rm "$work/data/logo1.jpg"

# A display of the case's own, started with these arguments of Xvfb's.
own_display() {
    Xvfb -displayfd 3 "$@" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
    own_xvfb=$!
    trap 'kill -9 "$pid" "$own_xvfb" 2>/dev/null; rm -rf "$work"' EXIT
    for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$work/display")"
}
case "$case_name" in
# A screen that has no 1024 x 768 mode.
mode-refused) own_display -screen 0 800x600x24 ;;
# Only the server's built-in fonts: SDL's X11 message box then cannot be shown at all.
box-fails-*) own_display -screen 0 1024x768x24 -fp built-ins ;;
esac

# What the demo is given on its command line.
arguments=()
case "$case_name" in
unknown-option) arguments=(--fast) ;;
repeated-option) arguments=(--gentle --gentle) ;;
esac

cd "$work"
ls -lR --time-style=+%s.%N "$work/data" >"$work/files-before"
"$demo" "${arguments[@]}" 2>"$work/stderr" &
pid=$!

fail() { echo "FAIL: $*"; echo "--- demo's standard error:"; cat "$work/stderr"; exit 1; }

# Waits until a window with this title is mapped and prints its id. A loaded machine can take
# seconds to start the demo.
wait_for_window() {
    for _ in $(seq 1 300); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$1\":" '$2 == t {print $1; exit}')
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Waits for the demo to end by itself and checks it ended with 0 within the time given.
expect_exit_zero() {
    for _ in $(seq 1 $(($1 * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            status=$?
            [ "$status" -eq 0 ] || fail "exit code $status"
            return 0
        fi
        sleep 0.1
    done
    fail "still running after $1 s"
}

case "$case_name" in
escape)
    window=$(wait_for_window Demo) || fail "no window titled Demo"
    xprop -id "$window" WM_CLASS | grep -q '"OpenGL", "OpenGL"' || fail "the window's class is not OpenGL"
    sleep 1
    timeout 5 xdotool windowfocus --sync "$window" key Escape
    expect_exit_zero 10
    ;;
close)
    wait_for_window Demo >/dev/null || fail "no window titled Demo"
    sleep 1
    "$close_window" Demo || fail "could not ask the window to close"
    expect_exit_zero 10
    ;;
missing-track)
    # The message box waits for its OK: press Return in it, as a user would.
    box=$(wait_for_window Error) || fail "no message box titled Error"
    timeout 5 xdotool windowfocus --sync "$box" key Return
    expect_exit_zero 10
    grep -qx "Error: Music opening error" "$work/stderr" || fail "no 'Music opening error' line"
    ;;
box-fails-track)
    # The box counts as dismissed: the demo ends as after an OK, and the line still says why.
    expect_exit_zero 10
    grep -qx "Error: Music opening error" "$work/stderr" || fail "no 'Music opening error' line"
    ;;
box-fails-picture)
    # The demo goes on without the picture.
    window=$(wait_for_window Demo) || fail "no window titled Demo"
    for _ in $(seq 1 50); do grep -qx "Error: Read params error!" "$work/stderr" && break; sleep 0.1; done
    grep -qx "Error: Read params error!" "$work/stderr" || fail "no 'Read params error!' line"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "the demo did not go on"
    timeout 5 xdotool windowfocus --sync "$window" key Escape
    expect_exit_zero 10
    ;;
mode-refused)
    expect_exit_zero 10
    [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "expected one line on standard error"
    grep -q "cannot switch to 1024 x 768 at 32 bits per pixel" "$work/stderr" ||
        fail "the line does not say why"
    xwininfo -root -tree | grep -q '"Demo"' && fail "a window was left behind"
    ;;
unknown-option | repeated-option)
    # Refused before anything starts: no window, no mesh loaded (a load appends to its file).
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "demo ${arguments[*]} still runs after 10 s"
    wait "$pid"
    status=$?
    [ "$status" -eq 2 ] || fail "demo ${arguments[*]} ended with $status, not 2"
    expected=$([ "$case_name" = unknown-option ] &&
        echo "demo: unknown option '--fast': the options are --gentle and --start TIME" || echo "demo: --gentle is given twice")
    [ "$(cat "$work/stderr")" = "$expected" ] || fail "standard error is not the one line '$expected'"
    ls -lR --time-style=+%s.%N "$work/data" | cmp -s - "$work/files-before" || fail "files in data/ changed"
    [ "$(ls "$work" | tr '\n' ' ')" = "data files-before stderr " ] || fail "new files beside data/: $(ls "$work")"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "ok: $case_name"
