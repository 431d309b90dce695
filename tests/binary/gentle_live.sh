#!/usr/bin/env bash
# demo --gentle as a viewer runs it, on an Xvfb of its own: in a loud passage of the default track
# (30 s, the inside shot) the screen shows demo-capture --gentle's picture, not the full flashes'
# (tests/support/gentle_frames.sh).
#   gentle_live.sh DEMO DEMO_CAPTURE MAKE_DATA
set -u
[ $# -eq 3 ] || { echo "usage: gentle_live.sh DEMO DEMO_CAPTURE MAKE_DATA" >&2; exit 2; }
program=$(realpath "$1") capture=$(realpath "$2") make_data=$(realpath "$3")
support=$(cd "$(dirname "$0")/../support" && pwd)
. "$support/checks.sh" gentle-live
. "$support/live_demo.sh"
. "$support/gentle_frames.sh"

start_live_run 1024x768x24 gentle

note_mesh_sizes "$work/run/data"
(cd "$work/run" && exec "$program" --gentle 2>"$work/stderr") &
demo=$!
wait_for_window Demo 60 || stop "no window titled Demo: $(tail -n 5 "$work/stderr")"
wait_until_loaded "$work/run/data" || stop "the scenes never finished loading"
screenshot_at 30 1024x768 "$work/shot.png"
kill -0 "$demo" 2>/dev/null || stop "the demo ended before the screenshot"
kill "$demo"
wait "$demo" 2>/dev/null
demo=""

gentle_reference_frames "$work/reference" "$capture" || stop "demo-capture could not render the reference frames"
expect_gentle "$work/shot.png" "$work/reference" "demo --gentle's screen"
finish
