#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from this folder (Media/, settings.ini).
# With --web: builds the browser version instead and serves it on http://127.0.0.1:8000/.
set -euo pipefail
cd "$(dirname "$0")"

# Serves the site to this machine alone, never from the browser's cache, until Ctrl+C.
serve_site() {
    python3 - "$1" <<'EOF'
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 8000), functools.partial(Handler, directory=sys.argv[1]))
print("Velmora is playing at http://127.0.0.1:8000/ (Ctrl+C stops the server)", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
EOF
}

if [ "${1:-}" = "--web" ]; then
    scripts/install-deps.sh --web
    scripts/build-web.sh build-web/site
    serve_site build-web/site
    exit 0
fi

scripts/install-deps.sh
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF >/dev/null
cmake --build build-play --target velmora -j"$(nproc)" >/dev/null
exec build-play/velmora
