#!/usr/bin/env bash
# The web build's live frame rate in Debian's headless Chromium (WebGL through SwiftShader), per
# stretch of the timeline, and its start-up time. Needs dist/web (scripts/build-web.sh) and the
# browser tests' packages (scripts/run-browser-tests.sh installs them). Takes the demo's 136 s.
#   bench/web_frame_rate.sh
set -euo pipefail
cd "$(dirname "$0")/.."
[ -d tests/web/node_modules ] ||
    { echo "web_frame_rate: run scripts/run-browser-tests.sh once first" >&2; exit 1; }
log=$(mktemp)
scripts/serve-web.sh 0 >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 1 100); do grep -q 'http://' "$log" && break; sleep 0.1; done
node bench/web_frame_rate.mjs "$(grep -o 'http://[^ ]*' "$log")"
