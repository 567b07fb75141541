#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time, seeded with the
# shipped samples (and, for bitmaps, one file of each other layout). Fails on any crash,
# sanitizer report, leak or timeout.
# MORVANE_FUZZ_SECONDS sets the time per target (default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/support.sh
seconds=${MORVANE_FUZZ_SECONDS:-10}

# libFuzzer is there when clang++ links an empty target with it, wherever the system keeps it.
probe=$(mktemp -d)
if ! command -v clang++ >/dev/null ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer -o "$probe/target" - >/dev/null 2>&1; then
  rm -rf "$probe"
  skip "fuzzing needs clang++ and libFuzzer (Debian packages clang and libclang-rt-14-dev)"
fi
rm -rf "$probe"
build_preset fuzz >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus="$work/$name"
  mkdir -p "$corpus"
  # Seed each target with the samples of its own kind. A script cannot read the dispatch's
  # table (app/dispatch.cpp), so its extensions are repeated here.
  case "$name" in
    bitmap) pattern='*.bmp' ;; palette) pattern='*.col' ;;
    characters) pattern='*.cgx' ;; screen_map) pattern='*.scr' ;; *) pattern='' ;;
  esac
  [ -n "$pattern" ] && find samples -name "$pattern" -exec cp {} "$corpus" \; 2>/dev/null || true
  # The bitmap layouts the samples do not have.
  if [ "$name" = bitmap ]; then build-fuzz/fuzz/bitmap_seeds "$corpus"; fi
  # The reader of morvane's C text starts from the samples' outputs.
  if [ "$name" = picture_reader ]; then
    cp samples/*.bmp samples/*.cgx samples/*.scr samples/*.col "$corpus"
    build-fuzz/morvane "$corpus"/* >/dev/null
    find "$corpus" -type f ! -name '*.c' -delete
  fi
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/" "$corpus" >"$work/$name.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    echo "fuzz $name: ${runs:-?} executions in ${seconds}s, no failure"
    passed=$((passed + 1))
  else
    echo "fuzz $name: FAILED"
    tail -n 40 "$work/$name.log"
    for crash in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$crash" ] && { echo "input: $(basename "$crash")"; od -A d -t x1 "$crash" | head -n 20; }
    done
    failed=$((failed + 1))
  fi
done
finish
