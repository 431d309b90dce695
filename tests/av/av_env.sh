# Sourced by the A/V sync measurements (tests/av/av_sync_test.sh, bench/av_sync.sh): a display
# and a sound output of their own, started from what this file writes and stopped by their pids;
# the recorder; a session; busy loops; the frames the cuts are matched with.
#   . tests/av/av_env.sh; av_env_start DIR     (DIR: for the servers' sockets, configuration and logs)
# av_env_start runs an Xvfb of 1024 x 768 on a free display number and a PulseAudio server whose
# only sink is a null sink at 44100 Hz, "av", whose monitor source ("av.monitor") holds whatever
# plays; it exports DISPLAY, PULSE_SERVER, HOME and XDG_RUNTIME_DIR for them. av_env_stop ends
# both.
av_env_xvfb="" av_env_pulse="" av_env_pilot=""
av_env_stop() {
    [ -z "$av_env_pilot" ] || { kill "$av_env_pilot" 2>/dev/null && wait "$av_env_pilot" 2>/dev/null; }
    [ -z "$av_env_pulse" ] || { kill "$av_env_pulse" 2>/dev/null && wait "$av_env_pulse" 2>/dev/null; }
    [ -z "$av_env_xvfb" ] || { kill "$av_env_xvfb" 2>/dev/null && wait "$av_env_xvfb" 2>/dev/null; }
    av_env_pilot="" av_env_pulse="" av_env_xvfb=""
    return 0
}
av_env_start() { # DIR
    local dir=$1 latency
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$dir/display" \
        >"$dir/xvfb.log" 2>&1 &
    av_env_xvfb=$!
    for _ in $(seq 1 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
    [ -s "$dir/display" ] || { echo "av_env: Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n 1 "$dir/display")"

    # PulseAudio keeps its state under HOME and XDG_RUNTIME_DIR: both in DIR, for the server and
    # for every client started from here, so nothing of the user's own sound setup is read or
    # changed.
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime"
    export PULSE_SERVER="unix:$dir/pulse-socket" PULSE_SINK=av AV_MONITOR=av.monitor
    cat >"$dir/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/pulse-socket
load-module module-null-sink sink_name=av rate=44100 channels=2
set-default-sink av
PA
    pulseaudio --system=false --daemonize=no --use-pid-file=no --exit-idle-time=-1 -n \
        -F "$dir/pulse.pa" --log-target="file:$dir/pulse.log" &
    av_env_pulse=$!
    for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl info >/dev/null 2>&1 ||
        { echo "av_env: PulseAudio did not start: $(tail -n 3 "$dir/pulse.log")" >&2; return 1; }
    # A null sink renders ahead of its clock by the latency its clients ask for, and hands what
    # it renders to its monitor at once: the recording's sound runs ahead of the sound as
    # PulseAudio says it plays by that much, and each program asks for another. A silent stream
    # asking for less than any of them (20 ms, which gives a sink latency of 5 ms) keeps the sink
    # at one latency whoever plays, so that the recorder's error measured once holds for every
    # program. Once it is connected the sink takes a second or two to come down from the two
    # seconds it renders ahead when idle.
    pacat --latency-msec=20 --format=s16le --rate=44100 --channels=2 /dev/zero &
    av_env_pilot=$!
    for _ in $(seq 1 100); do
        latency=$(pactl list sinks | awk '/^\tLatency:/ { print $2; exit }')
        [ -n "$latency" ] && [ "$latency" -lt 20000 ] && break
        sleep 0.1
    done
}

# The recorder: one ffmpeg taking the screen (x11grab, 60 frames a second, each stamped with the
# time it was grabbed, shrunk to 128 x 96 grey as it comes) and the sink's monitor (stamped with
# the time it was heard), into OUT/video.nut and OUT/audio.nut.
av_recorder=""
av_record_start() { # OUT
    ffmpeg -loglevel error -nostdin -y \
        -thread_queue_size 1024 -f x11grab -framerate 60 -video_size 1024x768 -draw_mouse 0 -i "$DISPLAY" \
        -thread_queue_size 1024 -f pulse -sample_rate 44100 -channels 2 -i "$AV_MONITOR" \
        -map 0:v -vf "scale=128:96:flags=area,format=gray" -c:v rawvideo -copyts -enc_time_base:v -1 \
        -vsync passthrough -f nut "$1/video.nut" \
        -map 1:a -c:a pcm_s16le -copyts -f nut "$1/audio.nut" 2>"$1/recorder.log" &
    av_recorder=$!
}
av_record_stop() {
    [ -n "$av_recorder" ] || return 0
    kill -INT "$av_recorder" 2>/dev/null
    wait "$av_recorder" 2>/dev/null || true # ffmpeg ends an interrupted recording with 255
    av_recorder=""
}

# One session into OUT (fresh): the recorder started, CLICKS of the reference (av-reference, at
# AV_REFERENCE), then COMMAND, run with the display and the sound; the recorder stopped once it
# ends. Returns the command's status.
av_session() { # OUT CLICKS COMMAND...
    local out=$1 clicks=$2 status
    shift 2
    av_record_start "$out"
    sleep 1
    "$AV_REFERENCE" "$clicks" >"$out/reference.log" 2>&1 || { av_record_stop; echo "av_session: the reference failed" >&2; return 1; }
    "$@" >"$out/program.log" 2>&1
    status=$?
    sleep 0.5
    av_record_stop
    return "$status"
}

# Two busy loops, one a core: other work on the machine, started and ended by their pids.
av_busy=""
av_busy_start() {
    for _ in 1 2; do
        bash -c 'while :; do :; done' &
        av_busy+=" $!"
    done
}
av_busy_stop() {
    [ -n "$av_busy" ] || return 0
    # shellcheck disable=SC2086
    kill $av_busy 2>/dev/null
    # shellcheck disable=SC2086
    wait $av_busy 2>/dev/null || true # killed: a status of their signal's
    av_busy=""
}

# What av-measure matches the frames near each cut with: demo-capture's frames from a second before
# to a second after each cut up to UNTIL_MS, 5 ms apart, as 128 x 96 grey, in OUT/cut-MS.grey.
av_cut_frames() { # DEMO_CAPTURE DATA_DIR OUT UNTIL_MS
    local capture data=$2 out=$3 until=$4 cut work
    capture=$(realpath "$1")
    work=$(mktemp -d /tmp/demo-av-cuts-XXXXXX)
    cp -r "$data" "$work/data"
    for cut in 13000 26000 46000 60000; do
        [ "$cut" -le "$until" ] || continue
        (cd "$work" && "$capture" --quiet --from $((cut - 1000)) --to $((cut + 1000)) --fps 200 \
            -o "frames-$cut/") || { rm -rf "$work"; return 1; }
        ffmpeg -loglevel error -y -pattern_type glob -i "$work/frames-$cut/frame-*.png" \
            -vf "scale=128:96:flags=area,format=gray" -f rawvideo "$out/cut-$cut.grey" ||
            { rm -rf "$work"; return 1; }
    done
    rm -rf "$work"
}
