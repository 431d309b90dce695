#!/usr/bin/env bash
# The beats the full flashes and the gentle ones answer, side by side: the whole timeline through
# demo-capture --flash-report with the default data, without --gentle and with it, at each size and
# frame rate asked for (default: 1024x768 at 60 fps and 1920x1080 at 30). For each run its flash
# verdicts and its beats (those the level finds, answered within 50 ms by a visible change); then,
# as a second opinion that does not take the level's word for where the beats are, how many of the
# full flashes' own flash onsets (frames whose mean relative luminance rises by 0.1 or more over
# the frame before, counted once per 100 ms) the gentle frames answer by the same visible change.
# Each run takes minutes: they run one after another.
#   bench/gentle_beats.sh [--runs "1024x768@60 1920x1080@30"] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs="1024x768@60 1920x1080@30"
if [ "${1:-}" = "--runs" ]; then
    runs=$2
    shift 2
fi
build=$(cd "${1:-$root/build}" && pwd)
capture="$build/tools/demo-capture"
work=$(mktemp -d /tmp/demo-gentle-beats-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/tools/make-data" data >/dev/null

# The full report's flash onsets answered by the gentle report's frames: the frame at or after
# each onset within 50 ms with the largest visible change (the report's last column), against 1 %
# and three times the median change of the frames in the 250 ms before the onset.
onsets_answered() { # FULL.csv GENTLE.csv
    awk -F, 'FNR == 1 { file++; next }
        file == 1 {
            if (previous != "" && $2 - previous >= 0.1 && (last == "" || $1 - last >= 100)) {
                onset[++onsets] = $1
                last = $1
            }
            previous = $2
        }
        file == 2 { at[++frames] = $1; changed[frames] = $10 }
        END {
            answered = 0
            for (i = 1; i <= onsets; i++) {
                s = onset[i]; n = 0; best = 0
                split("", before)
                for (j = 2; j <= frames; j++) {
                    if (at[j] >= s - 250 && at[j] < s) before[++n] = changed[j]
                    if (at[j] >= s && at[j] <= s + 50 && changed[j] > best) best = changed[j]
                }
                for (x = 2; x <= n; x++)
                    for (y = x; y > 1 && before[y] < before[y - 1]; y--) {
                        t = before[y]; before[y] = before[y - 1]; before[y - 1] = t
                    }
                usual = n ? before[int(n / 2) + 1] : 0
                if (best >= 0.01 && best >= 3 * usual) answered++
            }
            printf "  the full flashes'\'' %d flash onsets: %d answered by the gentle frames (%.2f)\n",
                onsets, answered, onsets ? answered / onsets : 0
        }' "$1" "$2"
}

echo "beats answered, full flashes and gentle ones ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
for run in $runs; do
    size=${run%@*} fps=${run#*@}
    for kind in full gentle; do
        start=$(date +%s)
        "$capture" --quiet $([ "$kind" = gentle ] && echo --gentle) --size "$size" --fps "$fps" \
            --flash-report "$kind.csv" 2>"$kind.log" || true
        echo "$size at $fps fps, $kind flashes ($(($(date +%s) - start)) s):"
        grep -E "^(luminance|red) flashes|^beats" "$kind.log" | sed 's/^/  /'
    done
    onsets_answered full.csv gentle.csv
done
