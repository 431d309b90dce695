#!/usr/bin/env bash
# Which of a range of demo-capture's frames a screenshot of the running demo shows best, for tests
# whose demo runs on a real clock, so that the instant of a screenshot is known only to a few
# tenths of a second.
#   best_matching_frame.sh SCREENSHOT FRAMES_DIR CROP FIRST_MS STEP_MS
# FRAMES_DIR holds frame-*.png, FIRST_MS apart by STEP_MS; CROP is ffmpeg's crop=W:H:X:Y of the
# part to compare, taken from the screenshot and the frames alike. Both are shrunk to 64 x 48,
# which forgives texture shimmer and a pixel of drift but not a wrong scene, a missing texture,
# swapped colour channels or a flipped picture (those score 7 to 14 dB against the right frame;
# the right one 25 to 30). Prints "DB MS FRAMES": the best PSNR, its frame's instant and how many
# frames were compared.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: best_matching_frame.sh SCREENSHOT FRAMES_DIR CROP FIRST_MS STEP_MS" >&2; exit 2; }
shot=$1 frames=$2 crop=$3 first=$4 step=$5
stats=$(mktemp)
trap 'rm -f "$stats"' EXIT
part="crop=$crop,scale=64:48:flags=area,format=rgb24"
ffmpeg -loglevel error -loop 1 -i "$shot" -framerate 20 -pattern_type glob -i "$frames/frame-*.png" \
    -lavfi "[0]$part[shot];[1]$part[frame];[frame][shot]psnr=stats_file=$stats:shortest=1" \
    -f null - 2>/dev/null
awk -v first="$first" -v step="$step" '
    { for (i = 1; i <= NF; i++) if ($i ~ /^psnr_avg:/) { split($i, f, ":"); v = f[2] == "inf" ? 99 : f[2] + 0
          if (v > best || NR == 1) { best = v; at = first + (NR - 1) * step } } }
    END { if (NR) printf "%.1f %d %d\n", best, at, NR; else print "0 0 0" }' "$stats"
