#!/usr/bin/env bash
# Builds the web preset and runs the browser tests against it in Debian's
# Chromium, Firefox ESR and WebKitGTK.
set -euo pipefail
cd "$(dirname "$0")/.."
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web -j "$(nproc)"
cd web
# The drivers only: the browsers are the system's own.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
npm test
