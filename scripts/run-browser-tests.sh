#!/usr/bin/env bash
# Tests the web build (dist/web/, from scripts/build-web.sh) in Debian's Chromium, Firefox ESR and
# WebKitGTK (tests/web/browser-tests.mjs, which serves each page itself on 127.0.0.1): still
# frames against demo-capture's native ones, the live page played to its end, a data package with
# a picture missing, the controls by keyboard and touch, a lost WebGL context, offline play, a
# compressed download, a phone's screen. Arguments go to browser-tests.mjs, e.g.
#   scripts/run-browser-tests.sh --engines firefox --only still,live
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh web browser-tests
[ -f dist/web/index.html ] ||
    { echo "run-browser-tests: no dist/web/index.html; run scripts/build-web.sh first" >&2; exit 1; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target demo-capture make-data >/dev/null
build/tools/make-data data >/dev/null

# puppeteer-core, selenium-webdriver and pngjs as the lock file pins them, fetched again only when it changes.
if ! cmp -s tests/web/package-lock.json tests/web/node_modules/.installed-lock 2>/dev/null; then
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error &&
        cp package-lock.json node_modules/.installed-lock)
fi

work=$(mktemp -d /tmp/demo-browser-tests-XXXXXX)
xvfb=""
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    [ ! -f "$work/pulse/pid" ] || kill "$(cat "$work/pulse/pid")" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Firefox and WebKit draw with WebGL only on a display (headless Firefox has none here): an Xvfb
# of their own, on the first free display number, rather than windows on the user's screen.
for number in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1920x1200x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
    export DISPLAY=":$number"
    break
done
[ -n "$xvfb" ] || { echo "run-browser-tests: no free X display number for Xvfb" >&2; exit 1; }

# A sound output for Firefox and WebKit, whose audio contexts never start without one (Chromium's
# headless one needs none): a PulseAudio server of the tests' own with a sink that plays to
# nowhere, found through PULSE_SERVER.
mkdir "$work/pulse"
export PULSE_RUNTIME_PATH="$work/pulse" PULSE_SERVER="unix:$work/pulse/native"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-null-sink \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" \
    --log-target="file:$work/pulse.log"

# The same page with a data package that lacks one picture, packed as the build packs data/.
DEPS_CACHE=${DEMO_DEPS_CACHE:-$HOME/.cache/demo-deps}
. scripts/web-env.sh
cp -r dist/web "$work/missing"
mkdir "$work/missing-data"
cp -r data "$work/missing-data/data"
rm "$work/missing-data/data/texture5.jpg"
scripts/pack-web-data.sh "$work/missing-data/data" "$work/missing"

mkdir "$work/frames"
node tests/web/browser-tests.mjs --page dist/web --missing-page "$work/missing" \
    --capture build/tools/demo-capture --data data --output "$work/frames" "$@"
