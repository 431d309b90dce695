#!/usr/bin/env bash
# Tests the web build (dist/web/, from scripts/build-web.sh) in Debian's headless Chromium, driven
# by puppeteer-core (tests/web/browser-tests.mjs): still frames against demo-capture's native
# ones, the live page played to its end, and a data package with a picture missing. Each page is
# served by scripts/serve-web.sh on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh web browser-tests
[ -f dist/web/index.html ] ||
    { echo "run-browser-tests: no dist/web/index.html; run scripts/build-web.sh first" >&2; exit 1; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target demo-capture make-data >/dev/null
build/tools/make-data data >/dev/null

# puppeteer-core and pngjs as the lock file pins them, fetched again only when it changes.
if ! cmp -s tests/web/package-lock.json tests/web/node_modules/.installed-lock 2>/dev/null; then
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error &&
        cp package-lock.json node_modules/.installed-lock)
fi

work=$(mktemp -d /tmp/demo-browser-tests-XXXXXX)
servers=()
cleanup() {
    for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Serves DIRECTORY on a free port and sets VARIABLE to its address. Not in a subshell (no $(...)),
# so that the cleanup knows every server it started.
serve() { # DIRECTORY VARIABLE
    local log="$work/serve-${#servers[@]}.log"
    scripts/serve-web.sh 0 "$1" >"$log" 2>&1 &
    servers+=($!)
    for _ in $(seq 1 100); do
        if grep -q 'http://' "$log"; then
            printf -v "$2" '%s' "$(grep -o 'http://[^ ]*' "$log")"
            return 0
        fi
        sleep 0.1
    done
    echo "run-browser-tests: the server did not start:" >&2
    cat "$log" >&2
    return 1
}

# The same page with a data package that lacks one picture, packed by emscripten's own packager.
DEPS_CACHE=${DEMO_DEPS_CACHE:-$HOME/.cache/demo-deps}
. scripts/web-env.sh
cp -r dist/web "$work/missing"
mkdir "$work/missing-data"
cp -r data "$work/missing-data/data"
rm "$work/missing-data/data/texture5.jpg"
python3 /usr/share/emscripten/tools/file_packager.py "$work/missing/demo.data" \
    --preload "$work/missing-data/data@/data" --js-output="$work/missing/data.js" --no-node \
    2>/dev/null

serve dist/web page
serve "$work/missing" missing
mkdir "$work/frames"
node tests/web/browser-tests.mjs --url "$page" --missing-url "$missing" \
    --capture build/tools/demo-capture --data data --output "$work/frames" "$@"
