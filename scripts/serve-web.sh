#!/usr/bin/env bash
# Serves the web build (dist/web/, written by scripts/build-web.sh) on 127.0.0.1 with Python's
# http.server and says the address (as localhost); a free port unless one is given (0 also means
# a free one). Ctrl+C stops it. The tests serve copies of the page from other directories.
#   scripts/serve-web.sh [PORT [DIRECTORY]]
set -euo pipefail
directory=${2:-$(dirname "$0")/../dist/web}
[ -f "$directory/index.html" ] ||
    { echo "serve-web: no $directory/index.html; run scripts/build-web.sh first" >&2; exit 1; }
exec python3 -u - "${1:-0}" "$directory" <<'EOF_PYTHON'
import functools, http.server, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    # Browsers compile WebAssembly while it downloads only when it comes as application/wasm,
    # which Python knows only where the system's MIME table says so.
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".data": "application/octet-stream", ".json": "application/json",
                      ".webmanifest": "application/manifest+json"}

    def log_message(self, format, *args):
        pass

server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", int(sys.argv[1])), functools.partial(Handler, directory=sys.argv[2]))
# As localhost: Safari and WebKit count that name, but not 127.0.0.1, as a secure origin, the
# only kind they let keep the page for offline play.
print(f"serve-web: http://localhost:{server.server_port}/", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
EOF_PYTHON
