#!/usr/bin/env bash
# The default data's whole timeline through demo-capture's flash analysis, one report a run, so
# that CI runs the three side by side:
#   full       the full flashes fail the photosensitivity limits in the two loud blocks of the
#              track (about 13.5 to 60 s and 73 to 119 s) and nowhere else
#   1024x768   the gentle flashes at 60 fps pass everywhere, without a frame that so much as warns,
#              and answer at least 90 % of the track's beats with a visible change (all of them
#              when this was written)
#   1920x1080  the same at 30 fps, where the inside and sphere shots move over a third of the
#              picture from one frame to the next and a beat must be answered by three times that:
#              at least 65 % of the beats (71 %; the full flashes 81 %)
#   flash_reports.sh DEMO_CAPTURE MAKE_DATA full|1024x768|1920x1080
set -u
capture=$(realpath "$1") make_data=$(realpath "$2") report=$3
case "$report" in
full | 1024x768 | 1920x1080) ;;
*) echo "usage: flash_reports.sh DEMO_CAPTURE MAKE_DATA full|1024x768|1920x1080" >&2 && exit 2 ;;
esac
. "$(dirname "$0")/../support/checks.sh" "flash-report $report"
check() { # WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

work=$(mktemp -d /tmp/demo-flashes-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$make_data" data >/dev/null || stop "make-data failed"

# Frames that fail or flash for too long, luminance or red, as "MS" lines.
failing_instants() { awk -F, 'NR > 1 && ($5 == "fail" || $5 == "extended" || $9 == "fail" || $9 == "extended") { print $1 }' "$1"; }
warning_frames() { awk -F, 'NR > 1 && ($5 != "pass" || $9 != "pass")' "$1" | wc -l; }
# The share of beats answered, from the summary's "beats: A of the B ..." line, in hundredths.
beats_answered() { sed -n 's/^beats: \([0-9]*\) of the \([0-9]*\) .*/\1 \2/p' "$1" | awk '$2 > 0 { print int(100 * $1 / $2) }'; }

case "$report" in
full)
    "$capture" --flash-report full.csv 2>full.log
    status=$?
    check "the full flashes exit 1" test "$status" -eq 1
    check "the summary says they fail" grep -q "luminance flashes: FAILS" full.log
    outside=$(failing_instants full.csv | awk '$1 < 13000 || ($1 > 60500 && $1 < 73000) || $1 > 119500' | wc -l)
    first_block=$(failing_instants full.csv | awk '$1 >= 13000 && $1 <= 60500' | wc -l)
    second_block=$(failing_instants full.csv | awk '$1 >= 73000 && $1 <= 119500' | wc -l)
    echo "full flashes: $first_block failing frames from 13 to 60.5 s, $second_block from 73 to 119.5 s, $outside elsewhere"
    sed 's/^/  /' full.log
    check "they fail in the first loud block" test "$first_block" -gt 1000
    check "they fail in the second loud block" test "$second_block" -gt 1000
    check "they fail nowhere else" test "$outside" -eq 0
    check "one row a frame" test "$(($(wc -l <full.csv) - 1))" -eq 8160
    check "the summary counts the beats the full flashes answer" test -n "$(beats_answered full.log)"
    ;;
1024x768 | 1920x1080)
    case "$report" in
    1024x768) set -- 1024x768 60 90 ;;
    *) set -- 1920x1080 30 65 ;;
    esac
    "$capture" --gentle --size "$1" --fps "$2" --flash-report "gentle-$1.csv" 2>"gentle-$1.log"
    status=$?
    sed 's/^/  /' "gentle-$1.log"
    check "gentle at $1 and $2 fps exits 0" test "$status" -eq 0
    check "gentle at $1 and $2 fps has no failing frame" test "$(failing_instants "gentle-$1.csv" | wc -l)" -eq 0
    check "gentle at $1 and $2 fps has no frame that warns" test "$(warning_frames "gentle-$1.csv")" -eq 0
    answered=$(beats_answered "gentle-$1.log")
    check "gentle at $1 and $2 fps answers at least $3 % of the beats (${answered:-no}%)" \
        test "${answered:-0}" -ge "$3"
    check "gentle at $1 and $2 fps: a row for each of its frames" \
        test "$(($(wc -l <"gentle-$1.csv") - 1))" -eq $((136 * $2))
    ;;
esac
finish
