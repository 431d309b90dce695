#!/usr/bin/env bash
# Usage: rerun_leak_checker_crashes.sh BUILD_DIR   (after a failed ctest run in BUILD_DIR)
#
# LeakSanitizer scans for leaks from a tracer thread that stops every other thread first. Very
# rarely (seen once here in well over a thousand GL test processes) that tracer dies of a
# segmentation fault while llvmpipe's threads are alive, and the test fails with "LeakSanitizer has
# encountered a fatal error" although it passed and nothing leaked. Such tests run once more.
# Anything else in a failed test's output (a leak, a memory error, undefined behaviour, a failed
# expectation) fails the run at once, and so does a failure without that line.
set -euo pipefail
build=$1
temporary=$build/Testing/Temporary
[ -s "$temporary/LastTestsFailed.log" ] || exit 1

while IFS=: read -r _ name; do
    # The test's output, as ctest logged it.
    output=$(awk -v header="Testing: $name" '
        index($0, header) && substr($0, length($0) - length(header) + 1) == header { inside = 1 }
        inside && /^<end of output>$/ { exit }
        inside { print }' "$temporary/LastTest.log")
    if ! grep -q "LeakSanitizer has encountered a fatal error" <<<"$output" ||
        grep -qE "ERROR: (AddressSanitizer|LeakSanitizer: detected)|runtime error:|\[  FAILED  \]" \
            <<<"$output"; then
        exit 1
    fi
done <"$temporary/LastTestsFailed.log"

echo "== the leak checker itself crashed in $(wc -l <"$temporary/LastTestsFailed.log") test(s)," \
    "which passed: running them once more"
ctest --test-dir "$build" --rerun-failed --output-on-failure
