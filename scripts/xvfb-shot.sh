#!/usr/bin/env bash
# Runs a desktop program on a virtual X display, optionally feeds it input,
# screenshots its window and closes it: a look at the desktop app on a
# machine without a screen.
#
#   scripts/xvfb-shot.sh OUT.png [--wait SECONDS] [--xdotool 'ARGS'...] -- PROGRAM [ARGS...]
#
# Each --xdotool runs `xdotool ARGS` with %W replaced by the window id, e.g.
#   scripts/xvfb-shot.sh out/info.png --xdotool 'mousemove --window %W 301 441 click 1' \
#       -- build/dev/app/starchart --device phone
# The program's stderr is shown; its exit status on SIGTERM is the script's.
set -euo pipefail

usage() {
  sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}
[ $# -ge 3 ] || usage
out=$1
shift
wait_s=1
actions=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  case $1 in
    --wait) wait_s=${2:?--wait needs seconds}; shift 2 ;;
    --xdotool) actions+=("${2:?--xdotool needs arguments}"); shift 2 ;;
    *) echo "xvfb-shot: unknown option $1" >&2; usage ;;
  esac
done
[ "${1:-}" = "--" ] || usage
shift
[ $# -ge 1 ] || usage
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "xvfb-shot: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

tmp=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to the fifo.
mkfifo "$tmp/displayfd"
Xvfb -displayfd 3 -screen 0 1600x2100x24 -nolisten tcp 3>"$tmp/displayfd" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
read -r -t 15 number <"$tmp/displayfd" || { echo "xvfb-shot: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$number"

"$@" &
app_pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^starchart$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid" || true; echo "xvfb-shot: $1 exited before showing a window" >&2; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "xvfb-shot: no window named starchart within 10 s" >&2; exit 1; }
sleep "$wait_s"
for a in "${actions[@]}"; do
  # shellcheck disable=SC2086
  xdotool ${a//%W/$window}
  sleep "$wait_s"
done
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "xvfb-shot: wrote $out"
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=""
exit "$status"
