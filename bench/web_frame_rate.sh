#!/usr/bin/env bash
# The web build's live frame rate in Chromium (WebGL through SwiftShader), Firefox ESR and WebKitGTK
# (both through Mesa's llvmpipe, on an Xvfb), per stretch of the timeline, and its start-up times.
# Needs dist/web (scripts/build-web.sh) and the browser tests' packages (scripts/run-browser-tests.sh
# installs them). Takes the demo's 136 s per engine.
#   bench/web_frame_rate.sh [chromium,firefox,webkit]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -d tests/web/node_modules ] ||
    { echo "web_frame_rate: run scripts/run-browser-tests.sh once first" >&2; exit 1; }
work=$(mktemp -d /tmp/demo-web-bench-XXXXXX)
trap 'browser_env_stop 2>/dev/null; rm -rf "$work"' EXIT
. scripts/browser-env.sh "$work"
node bench/web_frame_rate.mjs dist/web "$@"
