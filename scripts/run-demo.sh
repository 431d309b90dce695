#!/usr/bin/env bash
# Installs what the demo needs, builds it, writes any missing default data into data/ and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DDEMO_TESTS=OFF -DDEMO_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)"
build/tools/make-data data

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); start it from a desktop session." >&2
    exit 1
fi
exec build/demo
