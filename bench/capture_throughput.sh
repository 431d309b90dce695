#!/usr/bin/env bash
# Times demo-capture with the default data, over the busiest 30 seconds (13 to 43 s: the figure and
# inside shots) and over the whole timeline, to MP4 and to a PNG sequence, beside two floors
# measured in the same run: rendering alone (frames drawn, converted and read back, then dropped)
# and x264 alone, encoding the same frames from memory with the same settings.
#   bench/capture_throughput.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
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

echo "demo-capture throughput on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))"
span "busiest 30 s" 13000 43000
span "whole timeline" 0 136000
