#!/usr/bin/env bash
# Builds the web preset and runs the browser tests (Playwright driving
# Debian's Chromium) against it.
set -euo pipefail
cd "$(dirname "$0")/.."
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web -j "$(nproc)"
cd web
# The driver only: the browser is the system's own.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
npm test
