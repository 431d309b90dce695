#!/usr/bin/env bash
# Times demo-capture over the whole timeline with the default data, to MP4 and to a PNG sequence,
# and prints frames per second and the ratio to real time at 60 fps.
#   bench/capture_throughput.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d /tmp/demo-capture-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/tools/make-data" data >/dev/null

frames=8160 # 0 <= t < 136000 ms at 60 fps
measure() {
    local label=$1
    shift
    local start end
    start=$(date +%s.%N)
    "$build/tools/demo-capture" --quiet "$@"
    end=$(date +%s.%N)
    awk -v l="$label" -v s="$start" -v e="$end" -v n="$frames" 'BEGIN {
        t = e - s; fps = n / t
        printf "%-14s %6.1f s  %6.1f frames/s  %.2f x real time\n", l, t, fps, fps / 60 }'
}

measure "MP4" -o demo.mp4
measure "PNG sequence" -o frames/
echo "PNG sequence: $(du -sh frames | cut -f1) in $(ls frames | wc -l) files; MP4: $(du -h demo.mp4 | cut -f1)"
