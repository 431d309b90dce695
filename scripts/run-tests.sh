#!/usr/bin/env bash
# Installs what the tests need, builds everything twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite in both, on a private Xvfb display.
#   scripts/run-tests.sh                      the whole suite: what CI runs
#   scripts/run-tests.sh --quick              the plain build only, and only the tests labelled
#                                             "quick" (those that take seconds): the loop for the
#                                             change in hand
#   scripts/run-tests.sh -R REGEX             the plain build only, and only the tests whose names
#                                             match REGEX (ctest's -R)
#   scripts/run-tests.sh --sanitize -R REGEX  the same tests in the sanitizer build too
# -R and --quick go together (the quick tests that match). Every run has the same environment:
# the display, the audio driver, the software GL and the sanitizers' options set below, so a test
# run by itself here sees what it sees in the whole suite, and in CI.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/run-tests.sh [--quick] [-R REGEX] [--sanitize]" >&2
    exit 2
}
quick=0 regex= sanitize=0
while [ $# -gt 0 ]; do
    case "$1" in
    --quick) [ "$quick" -eq 0 ] || usage; quick=1 ;;
    -R)
        [ $# -ge 2 ] && [ -n "$2" ] && [ -z "$regex" ] ||
            { echo "run-tests: -R needs a regular expression, once" >&2 && usage; }
        regex=$2 && shift ;;
    --sanitize) [ "$sanitize" -eq 0 ] || usage; sanitize=1 ;;
    *) echo "run-tests: unknown argument '$1'" >&2 && usage ;;
    esac
    shift
done
# A part of the suite: the quick tests, or those -R names. The whole suite runs both builds anyway.
part=0
[ "$quick" -eq 0 ] && [ -z "$regex" ] || part=1
if [ "$sanitize" -eq 1 ] && [ "$part" -eq 0 ]; then
    echo "run-tests: --sanitize goes with -R or --quick: the whole suite runs under the sanitizers already" >&2
    usage
fi
selection=()
[ "$quick" -eq 0 ] || selection+=(-L '^quick$')
[ -z "$regex" ] || selection+=(-R "$regex")

if [ "$part" -eq 1 ]; then
    scripts/install-packages.sh
else
    scripts/install-packages.sh farm
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ "$part" -eq 0 ] || [ "$sanitize" -eq 1 ]; then
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDEMO_SANITIZE=ON -DDEMO_BENCHMARKS=OFF >/dev/null
    cmake --build build-sanitize -j"$(nproc)"
fi
# How many tests of a build the part selects.
selected() { # BUILD_DIR [MORE CTEST OPTIONS]
    ctest --test-dir "$1" -N "${selection[@]}" "${@:2}" | sed -n 's/^Total Tests: //p'
}
# The render farm's tests need services of their own: installed when a part asks for one of them.
if [ -n "$regex" ] && [ "$(selected build -L '^farm$')" -gt 0 ]; then
    scripts/install-packages.sh farm
fi

# A display of our own, so the GL tests never touch (or need) the user's. Xvfb picks a free
# number and writes it to the file.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$display_file"' EXIT
for _ in $(seq 1 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "run-tests: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$display_file")"
export SDL_AUDIODRIVER=dummy
export LIBGL_ALWAYS_SOFTWARE=1

# intercept_tls_get_addr=0: the runtime's record of dlopen'ed libraries' thread-local blocks can
# hold one at a nonsense address (0x8a3) in a program that runs llvmpipe, and LeakSanitizer's
# tracer dies scanning it at exit. With Debian's Mesa 22.3.6-1+deb12u2 that happens every time
# demo-capture writes a segment. The programs' own thread-locals are static TLS, still scanned.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS="suppressions=$PWD/tests/leak-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

if [ "$part" -eq 1 ]; then
    # Some tests are registered in one build only (the whole 136-second run in the sanitizer one,
    # the flash reports in the plain one): a part that one build lacks runs in the other.
    plain=$(selected build) sanitized=0
    [ "$sanitize" -eq 0 ] || sanitized=$(selected build-sanitize)
    if [ "$plain" -eq 0 ] && [ "$sanitized" -eq 0 ]; then
        echo "run-tests: no test matches:$(printf " %s" "${selection[@]}")" \
            "(ctest -N --test-dir build lists them; add --sanitize for the sanitizer build's)" >&2
        exit 1
    fi
    if [ "$plain" -gt 0 ]; then
        echo "== $plain test(s):$(printf " %s" "${selection[@]}")"
        ctest --test-dir build --output-on-failure -j2 "${selection[@]}"
    fi
    if [ "$sanitized" -gt 0 ]; then
        echo "== $sanitized test(s) under AddressSanitizer and UndefinedBehaviorSanitizer:$(printf " %s" "${selection[@]}")"
        ctest --test-dir build-sanitize --output-on-failure -j2 "${selection[@]}" ||
            tests/sanitize/rerun_leak_checker_crashes.sh build-sanitize
    elif [ "$sanitize" -eq 1 ]; then
        echo "run-tests: no test of the sanitizer build matches"
    fi
    exit 0
fi

echo "== tests"
ctest --test-dir build --output-on-failure -j2
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build-sanitize --output-on-failure -j2 ||
    tests/sanitize/rerun_leak_checker_crashes.sh build-sanitize
