#!/usr/bin/env bash
# Times demo-capture with the default data, over the busiest 30 seconds (13 to 43 s: the figure and
# inside shots) and over the whole timeline, to MP4 and to a PNG sequence, beside two floors
# measured in the same run: rendering alone (frames drawn, converted and read back, then dropped)
# and x264 alone, encoding the same frames from memory with the same settings. Then the cost of
# size: ten seconds of the busiest stretch to MP4 and rendered alone at 1024 x 768, 1440 x 1080,
# 2880 x 2160 and 1024 x 768 supersampled 2 x 2, with the time per million pixels drawn.
# --flashes: only what the flash analysis adds, and what gentle flashes cost: twenty seconds of
# the loud figure and inside shots (14 to 34 s) to MP4 and rendered alone, each with and without
# --flash-report, at 1024 x 768 and 1920 x 1080, and rendered alone with and without --gentle;
# each pair side by side, three rounds, the median.
#   bench/capture_throughput.sh [--sizes|--flashes] [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
only_sizes=0 only_flashes=0
[ "${1:-}" = "--sizes" ] && { only_sizes=1; shift; }
[ "${1:-}" = "--flashes" ] && { only_flashes=1; shift; }
build=$(cd "${1:-$root/build}" && pwd)
capture="$build/tools/demo-capture"
# Raw frames of the whole timeline take 9.6 GB: in memory when there is room, on disk otherwise.
space=/tmp
[ "$(df --output=avail -k /dev/shm 2>/dev/null | tail -n 1)" -gt 12000000 ] 2>/dev/null && space=/dev/shm
work=$(mktemp -d "$space/demo-capture-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/tools/make-data" data >/dev/null
ln -s /dev/null dropped.yuv

report() { # label start end frames
    awk -v l="$1" -v s="$2" -v e="$3" -v n="$4" 'BEGIN { t = e - s
        printf "  %-22s %7.1f s %7.1f frames/s %6.2f x real time\n", l, t, n / t, n / t / 60 }'
}
timed() { # label frames command...
    local label=$1 frames=$2 start end
    shift 2
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    report "$label" "$start" "$end" "$frames"
}

span() { # name from to
    local name=$1 from=$2 to=$3
    local frames=$(((to - from) * 60 / 1000))
    echo "$name ($from to $to ms, $frames frames at 60 fps)"
    timed "MP4" "$frames" "$capture" --quiet --from "$from" --to "$to" -o video.mp4
    timed "PNG sequence" "$frames" "$capture" --quiet --from "$from" --to "$to" -o frames/
    echo "  ($(du -sh video.mp4 | cut -f1) of video, $(du -sh frames | cut -f1) of pictures)"
    rm -rf frames video.mp4
    timed "floor: render only" "$frames" "$capture" --quiet --from "$from" --to "$to" -o dropped.yuv
    "$capture" --quiet --from "$from" --to "$to" -o frames.yuv
    cat frames.yuv >/dev/null # in the page cache, if on disk
    timed "floor: x264 only" "$frames" ffmpeg -v error -nostdin -y -f rawvideo \
        -pixel_format yuv420p -video_size 1024x768 -framerate 60 -i frames.yuv \
        -c:v libx264 -preset superfast -crf 18 -pix_fmt yuv420p x264.mp4
    rm -f frames.yuv x264.mp4
}

# One size: MP4 and render only over 13 to 23 s, with the milliseconds per frame and per million
# pixels drawn (the supersampled frame draws N x N pixels for each one it writes).
sized() { # WIDTH HEIGHT SUPERSAMPLE
    local width=$1 height=$2 samples=$3 from=13000 to=23000 label start end
    local frames=$(((to - from) * 60 / 1000))
    # The 4:3 picture is what is drawn; bars cost nothing.
    local drawn=$((height * 4 / 3 * height * samples * samples))
    label="${width}x$height"
    [ "$samples" -gt 1 ] && label+=" x$samples"
    for output in video.mp4 dropped.yuv; do
        start=$(date +%s.%N)
        "$capture" --quiet --size "${width}x$height" --supersample "$samples" --from "$from" --to "$to" -o "$output"
        end=$(date +%s.%N)
        awk -v l="$label" -v o="$([ "$output" = video.mp4 ] && echo MP4 || echo "render only")" \
            -v s="$start" -v e="$end" -v n="$frames" -v p="$drawn" 'BEGIN { t = e - s
            printf "  %-15s %-12s %6.1f frames/s %6.2f x real time %7.1f ms/frame %6.1f ms per Mpx drawn\n",
                l, o, n / t, n / t / 60, 1000 * t / n, 1000 * t / n / (p / 1e6) }'
    done
    rm -f video.mp4
}

# Seconds of one run of the command, in the median of three rounds that alternate with the other.
pair() { # LABEL_A LABEL_B FRAMES -- COMMAND_A -- COMMAND_B
    local a=$1 b=$2 frames=$3 start end ta=() tb=() round
    shift 4
    local split
    for ((split = 1; split <= $#; split++)); do [ "${!split}" = -- ] && break; done
    local command_a=("${@:1:split-1}") command_b=("${@:split+1}")
    for round in 1 2 3; do
        start=$(date +%s.%N); "${command_a[@]}"; end=$(date +%s.%N)
        ta+=("$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')")
        start=$(date +%s.%N); "${command_b[@]}" || true; end=$(date +%s.%N)
        tb+=("$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')")
    done
    # The median of three, in any awk (mawk has no sort of its own).
    awk -v a="$a" -v b="$b" -v n="$frames" -v ta="${ta[*]}" -v tb="${tb[*]}" 'function median(s,  v) {
            split(s, v, " ")
            return v[1] > v[2] ? (v[2] > v[3] ? v[2] : (v[1] > v[3] ? v[3] : v[1])) \
                               : (v[1] > v[3] ? v[1] : (v[2] > v[3] ? v[3] : v[2])) }
        BEGIN { x = median(ta); y = median(tb)
            printf "  %-34s %6.1f s %6.2f ms/frame\n", a, x, 1000 * x / n
            printf "  %-34s %6.1f s %6.2f ms/frame  (%+.1f %%)\n", b, y, 1000 * y / n, 100 * (y - x) / x }'
}

flashes() {
    local from=14000 to=34000 size frames=1200
    echo "flash analysis and gentle flashes (14000 to 34000 ms, $frames frames at 60 fps)"
    for size in 1024x768 1920x1080; do
        pair "$size MP4" "$size MP4 + --flash-report" "$frames" \
            -- "$capture" --quiet --size "$size" --from "$from" --to "$to" -o video.mp4 \
            -- "$capture" --quiet --size "$size" --from "$from" --to "$to" --flash-report r.csv -o video.mp4
        pair "$size render only" "$size render only + --flash-report" "$frames" \
            -- "$capture" --quiet --size "$size" --from "$from" --to "$to" -o dropped.yuv \
            -- "$capture" --quiet --size "$size" --from "$from" --to "$to" --flash-report r.csv -o dropped.yuv
    done
    pair "1024x768 render only, full flashes" "1024x768 render only, --gentle" "$frames" \
        -- "$capture" --quiet --from "$from" --to "$to" -o dropped.yuv \
        -- "$capture" --quiet --gentle --from "$from" --to "$to" -o dropped.yuv
    rm -f video.mp4 r.csv
}

echo "demo-capture throughput on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))"
if [ "$only_flashes" -eq 1 ]; then
    flashes
    exit 0
fi
if [ "$only_sizes" -eq 0 ]; then
    span "busiest 30 s" 13000 43000
    span "whole timeline" 0 136000
fi
echo "size (13000 to 23000 ms, 600 frames at 60 fps)"
sized 1024 768 1
sized 1440 1080 1
sized 2880 2160 1
sized 1024 768 2
