#!/usr/bin/env bash
# Picture against sound as a viewer meets them: the live demo on an Xvfb with a PulseAudio null
# sink, the screen and the sink's monitor recorded by one ffmpeg (tests/av/av_env.sh), each
# session opened by av-reference's clicks with white screens (the recorder's own error), then
# measured by av-measure: where the track was heard (cross-correlation with the decoded track),
# the gaps in the sound, each cut's first frame against the moment its music was heard, and the
# banner's flashes against their beats. Natively and for the page in Firefox and Chromium, each
# on a quiet machine and beside two busy loops. Prints a table; the goal: cuts within 20 ms of
# their music quiet and 40 ms beside the loops; flashes' median within 15 ms and nine in ten
# within 40 ms quiet, their median within 40 ms beside the loops.
#   bench/av_sync.sh [--programs native,firefox,chromium] [--loads quiet,busy] [--until MS]
#                    [--demo PROGRAM] [--page DIST_WEB] [--keep DIR]
# --demo and --page measure another build (default build/demo and dist/web, which
# scripts/build-web.sh writes); --until ends each run at MS of the timeline (default the whole
# 136 s); --keep leaves the recordings in DIR. Each session takes the timeline's length and a
# minute more; the whole, six sessions, about 20 minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
programs=native,firefox,chromium loads=quiet,busy until=136000 native=build/demo page=dist/web keep=""
while [ $# -gt 0 ]; do
    case "$1" in
    --programs) programs=$2 ;;
    --loads) loads=$2 ;;
    --until) until=$2 ;;
    --demo) native=$2 ;;
    --page) page=$2 ;;
    --keep) keep=$2 ;;
    *) echo "usage: bench/av_sync.sh [--programs native,firefox,chromium] [--loads quiet,busy] [--until MS] [--demo PROGRAM] [--page DIST_WEB] [--keep DIR]" >&2
       exit 2 ;;
    esac
    shift 2
done
native=$(realpath "$native")
case ",$programs," in
*,firefox,* | *,chromium,*)
    scripts/install-packages.sh browser-tests
    [ -f "$page/index.html" ] || { echo "av_sync: no $page/index.html; run scripts/build-web.sh first" >&2; exit 1; }
    page=$(realpath "$page")
    (cd tests/web && { cmp -s package-lock.json node_modules/.installed-lock 2>/dev/null ||
        { npm ci --no-audit --no-fund --loglevel=error && cp package-lock.json node_modules/.installed-lock; }; })
    ;;
*) scripts/install-packages.sh ;;
esac
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target demo demo-capture make-data av-reference av-measure >/dev/null
build/tools/make-data data >/dev/null
export AV_REFERENCE=$PWD/build/tests/av-reference
measure=$PWD/build/tests/av-measure

work=$(mktemp -d /tmp/demo-av-sync-XXXXXX)
demo="" # the native demo's process, as live_demo.sh wants it
cleanup() {
    [ -z "$demo" ] || kill "$demo" 2>/dev/null || true
    av_record_stop 2>/dev/null || true
    av_busy_stop 2>/dev/null || true
    av_env_stop 2>/dev/null || true
    if [ -n "$keep" ]; then mkdir -p "$keep" && cp -r "$work"/. "$keep"/; fi
    rm -rf "$work"
}
trap cleanup EXIT
. tests/support/live_demo.sh
. tests/av/av_env.sh
av_cut_frames build/tools/demo-capture data "$work" "$until"

# The native demo from a copy of the data, ended with Escape at UNTIL_MS of its timeline.
play_native() { # DIR
    mkdir -p "$1/run"
    cp -r data "$1/run/data"
    note_mesh_sizes "$1/run/data"
    (cd "$1/run" && SDL_AUDIODRIVER=pulseaudio exec "$native") &
    demo=$!
    if [ "$until" -lt 136000 ] && wait_until_loaded "$1/run/data"; then
        sleep "$(awk -v ms="$until" 'BEGIN { print ms / 1000 }')"
        xdotool key Escape
    fi
    wait "$demo"
    local status=$?
    demo=""
    return "$status"
}

results=$work/results
: >"$results"
for program in ${programs//,/ }; do
    for load in ${loads//,/ }; do
        dir=$work/$program-$load
        mkdir -p "$dir"
        av_env_start "$dir"
        [ "$load" = busy ] && av_busy_start
        load_before=$(awk '{ print $1 }' /proc/loadavg)
        echo "av_sync: $program, $load (load average $load_before)" >&2
        case "$program" in
        native) av_session "$dir" 10 play_native "$dir" ;;
        firefox | chromium) av_session "$dir" 10 node bench/av_sync_page.mjs "$page" "$program" "$until" ;;
        *) echo "av_sync: no program '$program'" >&2; exit 2 ;;
        esac || {
            # What went wrong, without the driver's stack (which buries it).
            echo "av_sync: $program failed: $(grep -v '^ *at ' "$dir/program.log" | tail -n 8)" >&2
            exit 1
        }
        load_after=$(awk '{ print $1 }' /proc/loadavg)
        av_busy_stop
        av_env_stop
        "$measure" --recording "$dir" --track data/music.ogg --reference 10 --cuts "$work" \
            --until "$until" >"$dir/measure.txt"
        echo "$program $load machine $load_before $load_after $(tr '\n' ' ' <"$dir/measure.txt")" >>"$results"
        sed "s/^/  /" "$dir/measure.txt" >&2
        # What the page said of its sound and its frames.
        [ "$program" = native ] || sed "s/^/  /" "$dir/program.log" >&2
    done
done

# The table: one row a session. Cuts and flashes in ms, + when the picture comes after its sound;
# the machine's load average (1 minute) as the session began and as it ended, the busy loops
# included.
awk '
function field(name, n,    i) { for (i = 1; i <= NF; i++) if ($i == name) return $(i + n); return "" }
function cut(ms,    i) { for (i = 1; i < NF; i++) if ($i == "cut" && $(i + 1) == ms) return $(i + 2); return "-" }
function within(v, limit) { return v != "-" && v != "" && v + 0 <= limit && v + 0 >= -limit }
BEGIN {
    printf "%-9s %-6s %-11s %-17s %-16s %7s %7s %7s %7s %-10s %7s %7s %7s  %s\n", "program",
        "loops", "machine", "recorder (range)", "gaps (all, top)", "cut 13", "cut 26", "cut 46",
        "cut 60", "flashes", "median", "p90", "|p90|", "goal"
}
{
    quiet = $2 == "quiet"
    ok = 1
    split("13000 26000 46000 60000", cuts, " ")
    # A cut not seen within a second of its music ("-") misses the goal too.
    for (i = 1; i <= 4; i++) if (!within(cut(cuts[i]), quiet ? 20 : 40)) ok = 0
    median = field("flashes", 3); p90abs = field("flashes", 5)
    if (!within(median, quiet ? 15 : 40)) ok = 0
    if (quiet && !within(p90abs, 40)) ok = 0
    printf "%-9s %-6s %4.1f, %4.1f %+5.1f (%+.0f..%+.0f) %3d (%4d, %3d ms) %7s %7s %7s %7s %3d of %3d %7s %7s %7s  %s\n",
        $1, $2, field("machine", 1), field("machine", 2), field("recorder", 1), field("recorder", 2), field("recorder", 3),
        field("gaps", 1), field("gaps", 2), field("gaps", 3), cut(13000), cut(26000), cut(46000),
        cut(60000), field("flashes", 2), field("flashes", 1), median, field("flashes", 4), p90abs,
        ok ? "met" : "NOT met"
}' "$results"
