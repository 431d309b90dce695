#!/usr/bin/env bash
# The native demo's start-up: from exec to its first picture (the return of its first buffer
# swap), on a private 1024 x 768 Xvfb with Mesa's llvmpipe, with the default data. A small library
# preloaded into the demo notes the time of that swap. Several runs, then the median and range;
# with a second program, runs alternate between the two, so a machine busy with other work slows
# both alike.
#   bench/native_startup.sh [RUNS] [DEMO [OTHER_DEMO]]     (default: 9, build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-9}
programs=("$(realpath "${2:-build/demo}")")
[ $# -ge 3 ] && programs+=("$(realpath "$3")")

work=$(mktemp -d /tmp/demo-startup-XXXXXX)
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")" SDL_AUDIODRIVER=dummy
build/tools/make-data "$work/data" >/dev/null

cat >"$work/first_swap.c" <<'EOF_C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
/* The first swap's time, CLOCK_MONOTONIC in seconds, into $FIRST_SWAP_FILE; then the demo ends. */
void SDL_GL_SwapWindow(void* window) {
    void (*swap)(void*) = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    swap(window);
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    FILE* out = fopen(getenv("FIRST_SWAP_FILE"), "w");
    if (out) {
        fprintf(out, "%.6f\n", now.tv_sec + now.tv_nsec / 1e9);
        fclose(out);
    }
    _exit(0);
}
EOF_C
cc -shared -fPIC -O2 -o "$work/first_swap.so" "$work/first_swap.c" -ldl

declare -A times
for run in $(seq 1 "$runs"); do
    for program in "${programs[@]}"; do
        rm -rf "$work/run" && mkdir "$work/run" && cp -r "$work/data" "$work/run/data"
        start=$(python3 -c 'import time; print(f"{time.clock_gettime(time.CLOCK_MONOTONIC):.6f}")')
        (cd "$work/run" && FIRST_SWAP_FILE="$work/swap" LD_PRELOAD="$work/first_swap.so" \
            timeout 60 "$program" >/dev/null 2>&1) || true
        [ -s "$work/swap" ] || { echo "native_startup: $program drew no picture" >&2; exit 1; }
        times[$program]+="$(python3 -c "print(f'{$(cat "$work/swap") - $start:.3f}')") "
        rm -f "$work/swap"
    done
done
echo "exec to first picture, $runs runs, load average $(cut -d' ' -f1-3 /proc/loadavg):"
for program in "${programs[@]}"; do
    python3 - "$program" ${times[$program]} <<'EOF_PY'
import statistics, sys
values = sorted(float(v) for v in sys.argv[2:])
print(f"  {sys.argv[1]}: median {statistics.median(values):.3f} s ({values[0]:.3f} to {values[-1]:.3f}): {' '.join(f'{v:.3f}' for v in values)}")
EOF_PY
done
