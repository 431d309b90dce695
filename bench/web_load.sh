#!/usr/bin/env bash
# How fast the web page opens on a slow phone, a fast phone and this machine (bench/web_load.mjs),
# with the page served as a plain host serves it (scripts/serve-web.sh: nothing compressed) and by
# Debian's nginx sending the compressed copies beside the files, then Lighthouse's scores. Needs
# dist/web (scripts/build-web.sh) and the browser tests' packages and nginx
# (scripts/run-browser-tests.sh installs them). Takes about 15 minutes with the default 3 runs.
#   bench/web_load.sh [RUNS [OPTIONS...]]   OPTIONS go to bench/web_load.mjs (--profile, --host,
#                                            --no-lighthouse: a quicker look at one row)
set -euo pipefail
cd "$(dirname "$0")/.."
[ -d tests/web/node_modules ] || { echo "web_load: run scripts/run-browser-tests.sh once first" >&2; exit 1; }
[ -f dist/web/index.html ] || { echo "web_load: no dist/web; run scripts/build-web.sh first" >&2; exit 1; }
runs=${1:-3}
shift $(($# > 0 ? 1 : 0))
work=$(mktemp -d /tmp/demo-web-load-XXXXXX)
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
scripts/serve-web.sh 0 dist/web >"$work/serve.log" &
server=$!
for _ in $(seq 1 100); do grep -q '^serve-web: http' "$work/serve.log" && break; sleep 0.1; done
url=$(sed -n 's/^serve-web: //p' "$work/serve.log")
[ -n "$url" ] || { echo "web_load: the server did not start" >&2; exit 1; }
node bench/web_load.mjs "$url" dist/web --runs "$runs" "$@"
