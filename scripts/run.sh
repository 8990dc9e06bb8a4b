#!/usr/bin/env bash
# Installs what is missing, builds, and opens starchart: a desktop window when
# there is a display; otherwise renders the default chart to an image and
# serves the web app on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target starchart

bin=build/release/app/starchart
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin" "$@"
fi
mkdir -p out
"$bin" snapshot --device phone --ra 17 --dec 31 --out out/chart.png
echo "No display here: the start chart is in $(pwd)/out/chart.png"
if [ -x scripts/web-serve.sh ]; then
  exec scripts/web-serve.sh
fi
