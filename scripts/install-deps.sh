#!/usr/bin/env bash
# Installs, from Debian's archive, whatever the build and the tests need and
# the machine lacks. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libcairo2-dev          # drawing: raster PNG, SVG and PDF surfaces
  libpng-dev             # PNG files written a band of rows at a time
  libfreetype-dev        # reads the bundled typefaces for Cairo
  libsdl2-dev            # the desktop window and its touch input
  nlohmann-json3-dev     # interface descriptions and replay scripts
  libstb-dev             # PNG decoding of bundled images (header-only, also in the web build)
  libgtest-dev googletest libgmock-dev  # unit tests
  libbenchmark-dev       # benchmarks
  clang-14 libclang-rt-14-dev  # libFuzzer harnesses (scripts/fuzz.sh)
  liberfa-dev            # independent astronomy oracle in the tests
  xvfb xdotool x11-apps imagemagick     # desktop end-to-end test under a virtual display, and the browser tests read screenshots with ImageMagick
  poppler-utils          # reads back the PDF snapshots in a test
  dpkg-dev file          # CPack's .deb: library dependencies from the program (dpkg-shlibdeps)
  emscripten node-acorn  # the WebAssembly build
  node-terser            # minifies the page's scripts (web/minify.js)
  chromium               # browser end-to-end tests
  firefox-esr            # the same tests in Gecko (over WebDriver BiDi)
  webkit2gtk-driver      # and in WebKit: WebKitWebDriver, MiniBrowser (under xvfb)
  nodejs npm             # the tests' drivers (Playwright, puppeteer-core)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The machine may bring its own node and npm; then Debian's are not needed.
if command -v node >/dev/null && command -v npm >/dev/null; then
  missing=($(printf '%s\n' "${missing[@]}" | grep -v -x -e nodejs -e npm || true))
fi
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
# A freshly booted machine often runs apt in the background: wait for its
# lock rather than fail.
lock=(-o DPkg::Lock::Timeout=600)
$SUDO apt-get "${lock[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${lock[@]}" install -y -qq "${missing[@]}" >/dev/null
