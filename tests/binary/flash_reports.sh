#!/usr/bin/env bash
# The default data's whole timeline through demo-capture's flash analysis: the full flashes fail
# the photosensitivity limits in the two loud blocks of the track (about 13.5 to 60 s and 73 to
# 119 s) and nowhere else; the gentle flashes pass everywhere, at 1024 x 768 and 60 fps and at
# 1920 x 1080 and 30 fps.
#   flash_reports.sh DEMO_CAPTURE MAKE_DATA
set -u
capture=$(realpath "$1") make_data=$(realpath "$2")
. "$(dirname "$0")/../support/checks.sh" flash-reports
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

for run in "1024x768 60" "1920x1080 30"; do
    set -- $run
    "$capture" --gentle --size "$1" --fps "$2" --flash-report "gentle-$1.csv" 2>"gentle-$1.log"
    status=$?
    sed 's/^/  /' "gentle-$1.log"
    check "gentle at $1 and $2 fps exits 0" test "$status" -eq 0
    check "gentle at $1 and $2 fps has no failing frame" test "$(failing_instants "gentle-$1.csv" | wc -l)" -eq 0
    check "gentle at $1 and $2 fps: a row for each of its frames" \
        test "$(($(wc -l <"gentle-$1.csv") - 1))" -eq $((136 * $2))
done
finish
