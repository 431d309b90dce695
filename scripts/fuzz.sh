#!/usr/bin/env bash
# Fuzzes the demo's loaders with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer:
# the OBJ reader, the JPEG decoder, and the Ogg track decoder with the spectrum level. Builds its
# own clang build in build-fuzz, runs each target for SECONDS (default 60) and prints one line per
# target. Exits non-zero on any finding; the input that caused it is kept in build-fuzz/findings.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2; }

scripts/install-packages.sh fuzz
build=build-fuzz
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_FUZZ=ON -DDEMO_TESTS=OFF -DDEMO_BENCHMARKS=OFF >/dev/null
targets=(obj-reader jpeg-decoder ogg-track)
cmake --build "$build" -j"$(nproc)" --target write-fuzz-seeds "${targets[@]/#/fuzz-}" >/dev/null

# Seeds: valid files from the tests' and make-data's writers, and every input that once failed.
"$build/tests/fuzz/write-fuzz-seeds" "$build/seeds"
# Each loader is handed a real file: keep it in memory where that is possible.
scratch=$(mktemp -d "$([ -w /dev/shm ] && echo /dev/shm || echo /tmp)/demo-fuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1
status=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target" findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    log="$build/$target.log"
    inputs=("$corpus" "$build/seeds/$target")
    [ -d "tests/fuzz/regressions/$target" ] && inputs+=("tests/fuzz/regressions/$target")
    before=$(find "$findings" -type f | wc -l)
    touch "$log.started"
    # A JPEG may have 32 megapixels and a track may be long: both take time and memory by design,
    # so the limits are wide; anything beyond them is a finding.
    fuzzed=0
    TMPDIR="$scratch" "$build/tests/fuzz/fuzz-$target" -max_total_time="$seconds" \
        -max_len=16384 -timeout=30 -rss_limit_mb=3072 -print_final_stats=1 \
        -artifact_prefix="$findings/" "${inputs[@]}" >"$log" 2>&1 || fuzzed=$?
    runs=$(awk '/stat::number_of_executed_units/ { print $NF }' "$log")
    found=$(($(find "$findings" -type f | wc -l) - before))
    echo "$target: ${runs:-0} runs, $found findings"
    if [ "$found" -gt 0 ] || [ "$fuzzed" -ne 0 ]; then
        status=1
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|loader check failed)' "$log" | head -n 5 | sed 's/^/    /'
        find "$findings" -type f -newer "$log.started" 2>/dev/null | sed 's/^/    kept: /'
        echo "    log: $log"
    fi
done
exit $status
