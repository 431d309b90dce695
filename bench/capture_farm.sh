#!/usr/bin/env bash
# What recording in segments costs, with the default data:
#  1. the whole demo at 1024 x 768 (H.264), once as one process and once as 8 segments rendered
#     one after another: the processor time (user + system, ffmpeg's included) of each, so the
#     extra that segmenting costs, and the start-up of one segment; the join's time beside the
#     capture's;
#  2. the same 8 segments through scripts/capture-farm.sh, local processes and (as root, with
#     Slurm installed) a Slurm started here as in tests/farm, against one process's wall time;
#  3. for the paper estimates at 4K and 8K: a segment of one frame (start-up and one frame) and
#     the busiest stretch's cost per frame at 1024 x 768, 3840 x 2160 and 7680 x 4320.
# Prints the load average before and after each part: take the figures on a quiet machine.
#   bench/capture_farm.sh [--rounds N] [--skip-sizes] [BUILD_DIR]   (default: 1 round, build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=1 sizes=1
while [ $# -gt 0 ]; do
    case "$1" in
    --rounds) rounds=$2 && shift 2 ;;
    --skip-sizes) sizes=0 && shift ;;
    *) break ;;
    esac
done
build=$(cd "${1:-$root/build}" && pwd)
capture="$build/tools/demo-capture"
work=$(mktemp -d /tmp/demo-capture-farm-bench-XXXXXX)
. "$root/tests/farm/services.sh"
cleanup() {
    stop_services
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
"$build/tools/make-data" data >/dev/null

load() { echo "  (load average: $(cut -d' ' -f1-3 /proc/loadavg))"; }
# Runs a command; prints "WALL CPU" in seconds, CPU being user + system of it and its children.
measure() {
    local TIMEFORMAT="%R %U %S" status=0
    { time "$@" >/dev/null 2>"$work/stderr.txt" || status=$?; } 2>"$work/time.txt"
    [ "$status" -eq 0 ] || { cat "$work/stderr.txt" >&2; return 1; }
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time.txt"
}
mkdir -p segments

echo "demo-capture in segments on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))"
for round in $(seq 1 "$rounds"); do
    echo "round $round: the whole demo at 1024 x 768, 8160 frames"
    load
    read -r one_wall one_cpu < <(measure "$capture" --quiet -o one.mp4)
    echo "  one process:         $one_wall s wall, $one_cpu s processor"
    mapfile -t plan < <("$capture" --plan 8 -o segments/)
    seg_wall=0 seg_cpu=0
    for line in "${plan[@]}"; do
        read -r _ frames path <<<"$line"
        read -r wall cpu < <(measure "$capture" --quiet --frames "$frames" -o "$path")
        seg_wall=$(awk -v a="$seg_wall" -v b="$wall" 'BEGIN { print a + b }')
        seg_cpu=$(awk -v a="$seg_cpu" -v b="$cpu" 'BEGIN { print a + b }')
    done
    paths=()
    for line in "${plan[@]}"; do paths+=("${line##* }"); done
    read -r join_wall join_cpu < <(measure "$capture" --join "${paths[@]}" -o joined.mp4)
    awk -v sw="$seg_wall" -v sc="$seg_cpu" -v ow="$one_wall" -v oc="$one_cpu" -v jw="$join_wall" -v jc="$join_cpu" 'BEGIN {
        printf "  8 segments in turn:  %.2f s wall, %.2f s processor: %+.1f %% processor, %.2f s per segment\n", sw, sc, 100 * (sc / oc - 1), (sc - oc) / 8
        printf "  the join:            %.2f s wall, %.2f s processor: %.2f %% of the one process'"'"'s wall time\n", jw, jc, 100 * jw / ow
        printf "  segments and join:   %+.1f %% processor against one process\n", 100 * ((sc + jc) / oc - 1) }'
    echo "  ($(du -h one.mp4 | cut -f1) one process, $(du -h joined.mp4 | cut -f1) joined)"
    rm -rf segments/* joined.mp4

    read -r local_wall _ < <(measure "$root/scripts/capture-farm.sh" --capture "$capture" --segments 8 --work farm-local -o farm-local.mp4)
    awk -v w="$local_wall" -v o="$one_wall" 'BEGIN { printf "  capture-farm, local: %.2f s wall, %.3f x one process\n", w, w / o }'
    rm -rf farm-local farm-local.mp4
    if [ "$(id -u)" -eq 0 ] && command -v slurmctld >/dev/null; then
        [ -n "${SLURM_CONF:-}" ] || start_slurm "$work/slurm"
        read -r slurm_wall _ < <(measure "$root/scripts/capture-farm.sh" --capture "$capture" --scheduler slurm --segments 8 --work farm-slurm -o farm-slurm.mp4)
        awk -v w="$slurm_wall" -v o="$one_wall" 'BEGIN { printf "  capture-farm, Slurm: %.2f s wall, %.3f x one process\n", w, w / o }'
        rm -rf farm-slurm farm-slurm.mp4
    else
        echo "  capture-farm, Slurm: not run (needs root and scripts/install-packages.sh farm)"
    fi
    rm -f one.mp4
    load
done

[ "$sizes" -eq 1 ] || exit 0
echo "sizes: a segment of one frame (start-up), and the busiest stretch (13 to 15 s, 120 frames)"
load
for size in 1024x768 3840x2160 7680x4320; do
    for _ in 1 2 3; do measure "$capture" --quiet --size "$size" --frames 1200-1201 -o one-frame.mkv; done |
        sort -n | sed -n 2p >start.txt
    read -r start_wall start_cpu <start.txt
    read -r busy_wall busy_cpu < <(measure "$capture" --quiet --size "$size" --from 13000 --to 15000 -o busy.mp4)
    awk -v s="$size" -v sw="$start_wall" -v sc="$start_cpu" -v bw="$busy_wall" -v bc="$busy_cpu" -v mb="$(du -m busy.mp4 | cut -f1)" 'BEGIN {
        printf "  %-9s one frame: %.2f s wall, %.2f s processor; busiest: %.1f ms a frame wall, %.1f processor, %s MB for 2 s\n", s, sw, sc, 1000 * bw / 120, 1000 * bc / 120, mb }'
    rm -f one-frame.mkv busy.mp4
done
load
