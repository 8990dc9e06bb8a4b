#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test: unit,
# trace, golden-image and end-to-end tests natively, the same under
# AddressSanitizer + UndefinedBehaviorSanitizer, the fuzz harnesses briefly,
# and the browser suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
for preset in dev asan; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done

# Every committed regression input once, then about a minute per harness.
echo "== fuzz: regressions and short runs"
scripts/fuzz.sh 50

if [ -f web/CMakeLists.txt ] || [ -f platform/backend/web/CMakeLists.txt ]; then
  echo "== web: build and browser tests"
  scripts/web-test.sh
fi
