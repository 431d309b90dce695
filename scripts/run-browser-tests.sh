#!/usr/bin/env bash
# Tests the web build (dist/web/, from scripts/build-web.sh) in Debian's Chromium, Firefox ESR and
# WebKitGTK (tests/web/browser-tests.mjs, which serves each page itself on 127.0.0.1): still
# frames against demo-capture's native ones, the live page played to its end, a data package with
# a picture missing, the controls by keyboard and touch, a lost WebGL context, offline play, a
# compressed download, a phone's screen, the gentle flashes, the keyboard alone, axe-core and
# Lighthouse (Chromium), and the page from nginx as well. Arguments go to browser-tests.mjs, e.g.
#   scripts/run-browser-tests.sh --engines firefox --only still,live
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh web browser-tests
[ -f dist/web/index.html ] ||
    { echo "run-browser-tests: no dist/web/index.html; run scripts/build-web.sh first" >&2; exit 1; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target demo-capture make-data >/dev/null
build/tools/make-data data >/dev/null

# puppeteer-core, selenium-webdriver, pngjs, axe-core and Lighthouse as the lock file pins them,
# fetched again only when it changes.
if ! cmp -s tests/web/package-lock.json tests/web/node_modules/.installed-lock 2>/dev/null; then
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error &&
        cp package-lock.json node_modules/.installed-lock)
fi

work=$(mktemp -d /tmp/demo-browser-tests-XXXXXX)
trap 'browser_env_stop 2>/dev/null; rm -rf "$work"' EXIT
. scripts/browser-env.sh "$work"

# The same page with a data package that lacks one picture, packed as the build packs data/.
cp -r dist/web "$work/missing"
mkdir "$work/missing-data"
cp -r data "$work/missing-data/data"
rm "$work/missing-data/data/texture5.jpg"
scripts/pack-web-data.sh "$work/missing-data/data" "$work/missing"

mkdir "$work/frames"
node tests/web/browser-tests.mjs --page dist/web --missing-page "$work/missing" \
    --capture build/tools/demo-capture --data data --output "$work/frames" "$@"
