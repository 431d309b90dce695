#!/usr/bin/env bash
# The rerun after a sanitizer run retries a test only when the leak checker itself crashed, never
# when the output holds a finding. A stand-in ctest on PATH records whether it was asked to rerun.
set -euo pipefail
rerun=$(dirname "$0")/rerun_leak_checker_crashes.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/build/Testing/Temporary"
cat >"$scratch/bin/ctest" <<'STUB'
#!/bin/sh
echo "$*" >"$(dirname "$0")/../ctest-called"
STUB
chmod +x "$scratch/bin/ctest"
export PATH="$scratch/bin:$PATH"

tool_crash='[  PASSED  ] 1 test.
Tracer caught signal 11: addr=0xe20 pc=0x7f9e78ee80f0 sp=0x7f9e621bdd10
==31610==LeakSanitizer has encountered a fatal error.'
leak='==31610==ERROR: LeakSanitizer: detected memory leaks
Direct leak of 24 byte(s) in 1 object(s) allocated from:'
memory_error='==31610==ERROR: AddressSanitizer: heap-use-after-free on address 0x602000000010'
undefined='src/scenes/Toolkit.cpp:12:5: runtime error: signed integer overflow'
failed_expectation='[  FAILED  ] ToolkitTest.FullWindowQuadCoversEveryPixel'

# Writes ctest's two logs: arguments are pairs of a test name and its output; every one failed.
# A passing test whose name begins with a failed one's comes first, to catch a loose name match.
write_logs() {
    local log=$scratch/build/Testing/Temporary/LastTest.log
    local failed=$scratch/build/Testing/Temporary/LastTestsFailed.log
    printf '1/9 Testing: %s.more\nOutput:\n[  PASSED  ] 1 test.\n<end of output>\n' "$1" >"$log"
    : >"$failed"
    local number=2
    while [ $# -gt 0 ]; do
        printf '%d/9 Testing: %s\nOutput:\n%s\n<end of output>\nTest Failed.\n' \
            "$number" "$1" "$2" >>"$log"
        echo "$number:$1" >>"$failed"
        number=$((number + 1))
        shift 2
    done
    rm -f "$scratch/ctest-called"
}

failures=0
expect() { # expect retried|refused DESCRIPTION
    local status=0
    "$rerun" "$scratch/build" >/dev/null || status=$?
    local got=refused
    [ -f "$scratch/ctest-called" ] && grep -q -- "--rerun-failed" "$scratch/ctest-called" &&
        [ "$status" -eq 0 ] && got=retried
    if [ "$got" != "$1" ]; then
        echo "FAIL: $2: expected $1, got $got (exit $status)"
        failures=$((failures + 1))
    fi
}

write_logs A.one "$tool_crash"
expect retried "a passed test whose leak checker crashed"
write_logs A.one "$tool_crash" demo_binary.escape "$tool_crash"
expect retried "two such tests"
write_logs A.one "$failed_expectation"
expect refused "a failed expectation"
for finding in "$leak" "$memory_error" "$undefined" "$failed_expectation"; do
    write_logs A.one "$finding
$tool_crash"
    expect refused "the crash after a finding: ${finding%%$'\n'*}"
done
write_logs A.one "$tool_crash" A.two "$leak"
expect refused "a crash in one test and a leak in another"
write_logs A.one "$tool_crash"
: >"$scratch/build/Testing/Temporary/LastTestsFailed.log"
expect refused "no failed tests on record"

[ "$failures" -eq 0 ] && echo "all cases passed"
exit "$failures"
