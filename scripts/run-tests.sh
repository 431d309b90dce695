#!/usr/bin/env bash
# Installs what the tests need, builds everything twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite in both, on a private Xvfb display.
#   scripts/run-tests.sh            the whole suite: what CI runs
#   scripts/run-tests.sh --quick    the plain build only, and only the tests labelled "quick"
#                                   (those that take seconds): the loop for the change in hand
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/run-tests.sh [--quick]" >&2
    exit 2
}
quick=0
case "$#:${1-}" in
0:) ;;
1:--quick) quick=1 ;;
*) echo "run-tests: unknown arguments:$(printf " '%s'" "$@")" >&2 && usage ;;
esac

if [ "$quick" -eq 1 ]; then
    scripts/install-packages.sh
else
    scripts/install-packages.sh farm
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ "$quick" -eq 0 ]; then
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDEMO_SANITIZE=ON -DDEMO_BENCHMARKS=OFF >/dev/null
    cmake --build build-sanitize -j"$(nproc)"
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

if [ "$quick" -eq 1 ]; then
    echo "== the quick tests"
    ctest --test-dir build --output-on-failure -j2 -L '^quick$' --no-tests=error
    exit
fi

echo "== tests"
ctest --test-dir build --output-on-failure -j2
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build-sanitize --output-on-failure -j2 ||
    tests/sanitize/rerun_leak_checker_crashes.sh build-sanitize
