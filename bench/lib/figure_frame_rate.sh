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

# Plays two demos in turn, ROUNDS times, so that a machine busy with other work slows both alike,
# and prints each round's frame rates, their means and the ratio of the second to the first. The
# caller defines play_first and play_second, each printing one figure_frame_rate.
#   compare_figure_frame_rates ROUNDS FIRST_NAME SECOND_NAME
compare_figure_frame_rates() {
    local rounds=$1 first=$2 second=$3 round fps_first fps_second sum_first=0 sum_second=0
    for round in $(seq 1 "$rounds"); do
        fps_first=$(play_first)
        fps_second=$(play_second)
        echo "round $round: $first $fps_first fps, $second $fps_second fps"
        sum_first=$(awk -v a="$sum_first" -v b="$fps_first" 'BEGIN { print a + b }')
        sum_second=$(awk -v a="$sum_second" -v b="$fps_second" 'BEGIN { print a + b }')
    done
    awk -v f="$sum_first" -v s="$sum_second" -v r="$rounds" -v a="$first" -v b="$second" 'BEGIN {
        printf "figure shot: %s %.1f fps, %s %.1f fps, ratio %.2f\n", a, f / r, b, s / r, s / f }'
}
