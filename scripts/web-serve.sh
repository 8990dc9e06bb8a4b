#!/usr/bin/env bash
# Builds the web app and serves it on 127.0.0.1; prints the URL to open.
#   scripts/web-serve.sh [--host ADDR] [--port N]   (--host 0.0.0.0: reachable from a phone on the same network)
set -euo pipefail
cd "$(dirname "$0")/.."
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web -j "$(nproc)" >/dev/null
exec node web/serve.js build/web/site "$@"
