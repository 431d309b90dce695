# Sourced by the live frame-rate benchmarks. Plays one demo for 27 s of its timeline from the
# directory that holds its data/, on the current DISPLAY, and prints the mean frame rate of the
# figure shot. Mesa's own counter (GALLIUM_HUD, dumped once a second, never drawn) counts the
# frames; the samples of the figure shot are those from 14 to 25 s after the first frame.
#   figure_frame_rate DIRECTORY DUMP_DIRECTORY COMMAND...
figure_frame_rate() {
    local directory=$1 dump=$2
    shift 2
    rm -rf "$dump"
    mkdir -p "$dump"
    (cd "$directory" && GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_PERIOD=1 \
        GALLIUM_HUD_DUMP_DIR="$dump" exec "$@" 2>/dev/null) &
    local pid=$!
    for _ in $(seq 1 600); do [ -s "$dump/fps" ] && break; sleep 0.1; done
    sleep 27
    xdotool key Escape
    wait "$pid" || true
    awk 'NR >= 15 && NR <= 25 { sum += $1; n++ } END { if (n) printf "%.1f", sum / n }' "$dump/fps"
}
