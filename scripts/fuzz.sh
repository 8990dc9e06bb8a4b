#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang 14, ASan + UBSan), replays every
# committed regression input once, then fuzzes each harness for SECONDS
# (default 60) from the committed seeds plus what earlier runs found
# (build/fuzz/corpus). Any finding stops with a non-zero status.
#   scripts/fuzz.sh [SECONDS] [read|play|flags ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(read play flags)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
  case $target in
    read) harness=fuzz_read_script max_len=4096 ;;
    play) harness=fuzz_play_script max_len=1024 ;;
    flags) harness=fuzz_flags max_len=256 ;;
    *) echo "fuzz.sh: unknown target '$target' (read, play, flags)" >&2; exit 2 ;;
  esac
  bin=build/fuzz/fuzz/$harness
  log=build/fuzz/$target.log
  run() {
    if ! "$bin" -rss_limit_mb=2048 "$@" >"$log" 2>&1; then
      tail -n 60 "$log"
      echo "fuzz.sh: $target: a finding (full log: $log)" >&2
      exit 1
    fi
  }
  echo "== fuzz $target: regression inputs"
  run fuzz/regressions/"$target"/*
  grep -E '^Executed' "$log" | tail -n 1
  echo "== fuzz $target: ${seconds} s"
  mkdir -p build/fuzz/corpus/"$target"
  run -max_total_time="$seconds" -max_len="$max_len" -timeout=60 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/"$target"- build/fuzz/corpus/"$target" fuzz/corpus/"$target"
  grep -E 'DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log" | tail -n 3
done
