# Sourced by the tests that watch the real demo play on its real clock: when its scenes have
# loaded, and a screenshot at an instant of its timeline. They set demo to the demo's process.

now() { date +%s.%N; }

# Starts an Xvfb of the test's own, one screen of SIZE (WIDTHxHEIGHTxDEPTH), that does not reset
# (a reset as its last client leaves can take the demo's new window with it): sets xvfb to its
# process and exports DISPLAY. FILE gets its number.
start_own_xvfb() { # SIZE FILE
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$2" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do [ -s "$2" ] && break; sleep 0.1; done
    [ -s "$2" ] || return 1
    export DISPLAY=":$(head -n 1 "$2")"
}
# What a test of the demo on a screen of its own sets up first, after checks.sh: a scratch
# directory (work) removed when the test ends, with the demo's process (demo) and the Xvfb
# (xvfb) ended by their pids; an Xvfb of SIZE; SDL's dummy sound; the data that make_data writes,
# once under work/run for the demo and once under work/reference for demo-capture.
start_live_run() { # SIZE NAME
    work=$(mktemp -d "/tmp/demo-$2-XXXXXX")
    demo="" xvfb=""
    trap end_live_run EXIT
    start_own_xvfb "$1" "$work/display" || stop "Xvfb did not start"
    export SDL_AUDIODRIVER=dummy
    mkdir -p "$work/run" "$work/reference"
    "$make_data" "$work/run/data" >/dev/null || stop "make-data failed"
    cp -R "$work/run/data" "$work/reference/data"
}
end_live_run() {
    [ -n "$demo" ] && kill -9 "$demo" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
# Seconds since a moment of now().
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

# Waits up to SECONDS for an X window titled exactly TITLE, mapped, while the demo runs. Named is
# not enough: a key pressed before the window is mapped goes to the root window, and an Escape
# sent then was lost (a package test waited 15 s for an end that never came).
wait_for_window() { # TITLE SECONDS
    for _ in $(seq 1 $(($2 * 10))); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && return 0
        kill -0 "$demo" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# The clock starts once every scene has loaded: star.obj, loaded by two scenes, then has two line
# ends more than when the run started, twice what figure.obj, loaded earlier, has; only the
# credits' picture comes after. Call note_mesh_sizes before the run.
note_mesh_sizes() { # DATA_DIR
    star_before=$(stat -c %s "$1/star.obj") figure_before=$(stat -c %s "$1/figure.obj")
}
# Waits up to a minute for that while the demo runs; sets loaded to the moment.
wait_until_loaded() { # DATA_DIR
    loaded=""
    local star_grew figure_grew
    for _ in $(seq 1 1200); do
        star_grew=$(($(stat -c %s "$1/star.obj") - star_before))
        figure_grew=$(($(stat -c %s "$1/figure.obj") - figure_before))
        if [ "$figure_grew" -gt 0 ] && [ "$star_grew" -eq $((2 * figure_grew)) ]; then
            loaded=$(now)
            return 0
        fi
        kill -0 "$demo" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# A screenshot of the whole display at about SECONDS on the timeline; sets shot_at and shot_taken
# to the seconds before and after it.
screenshot_at() { # SECONDS WIDTHxHEIGHT FILE
    sleep "$(awk -v t="$loaded" -v s="$1" -v n="$(now)" 'BEGIN { d = t + s - n; print (d > 0 ? d : 0) }')"
    shot_at=$(since "$loaded")
    ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size "$2" -i "$DISPLAY" -frames:v 1 "$3"
    shot_taken=$(since "$loaded")
}

# How many colour channel values in the given ffmpeg crops (W:H:X:Y) of a screenshot are not 0.
lit_values() { # FILE CROP...
    local file=$1 crop lit=0
    shift
    for crop in "$@"; do
        lit=$((lit + $(ffmpeg -loglevel error -i "$file" -vf "crop=$crop" -f rawvideo \
            -pix_fmt rgb24 - | tr -d '\0' | wc -c)))
    done
    echo "$lit"
}
