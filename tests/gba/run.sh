#!/usr/bin/env bash
# Builds morvane, the GBA example ROMs and the emulator test, runs the test on the shipped samples
# and on random sources, and renews the screenshots docs/gba-bitmap.png and docs/gba-tiles.png.
# Without the ARM cross compiler or libmgba it says what is missing and skips.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$root/build-gba
work=$build/gba-work
seed=${MORVANE_GBA_SEED:-7}

skip() {
  echo "skipped: GBA example test: $1"
  exit 0
}
fail() {
  echo "$1" >&2
  echo "0 passed, 1 failed"
  exit 1
}

command -v arm-none-eabi-gcc >/dev/null || skip "arm-none-eabi-gcc is missing (Debian: gcc-arm-none-eabi)"
command -v make >/dev/null || skip "make is missing (Debian: make)"
printf '#include <mgba/core/core.h>\nint main() { return mCoreFind("") != 0; }\n' |
  c++ -x c++ - -lmgba -o /dev/null 2>/dev/null || skip "libmgba cannot be linked (Debian: libmgba-dev)"

cmake -S . -B "$build" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build "$build" -j2 --target morvane >/dev/null || fail "building morvane failed"
c++ -std=c++20 -O1 -Wall -Wextra -I . -o "$build/gba_test" tests/gba/gba_test.cpp \
  tests/gba/pictures.cpp tests/gba/emulator.cpp -lmgba || fail "building the emulator test failed"

rm -rf "$work"
mkdir -p "$work"
"$build/gba_test" "$build/morvane" examples/gba samples "$work" "$seed" >"$work/report.txt"
status=$?
summary=$(tail -n 1 "$work/report.txt")
if [[ "$summary" =~ ^[0-9]+\ passed,\ [0-9]+\ failed$ ]]; then
  head -n -1 "$work/report.txt"
else
  # The test ended before its closing line (a crash): what it reported counts, and so does that.
  cat "$work/report.txt"
  echo "FAIL the emulator test ended early with status $status"
  summary="$(grep -c '^ok ' "$work/report.txt") passed, $(($(grep -c '^FAIL' "$work/report.txt") + 1)) failed"
  status=1
fi

# The screenshots: the shipped bitmaps side by side, and the castle at both ends of its scroll.
# A frame is kept only when it matched, so a failing case leaves the screenshot as it was.
screenshot() {
  local png=$1
  shift
  [ $# -gt 0 ] || return 0
  for frame in "$@"; do [ -f "$frame" ] || return 0; done
  if command -v python3 >/dev/null; then
    python3 tests/gba/ppm_to_png.py "$png" "$@" && echo "screenshot: ${png#"$root"/}"
  else
    echo "screenshot not renewed: python3 is missing"
  fi
}
if [ "$status" -eq 0 ]; then
  mkdir -p docs
  shopt -s nullglob
  bitmaps=("$work"/shipped/bitmap-*.ppm)
  screenshot "$root/docs/gba-bitmap.png" "${bitmaps[@]}"
  screenshot "$root/docs/gba-tiles.png" "$work/shipped/tiles.ppm" "$work/shipped/tiles-corner.ppm"
fi

echo "$summary"
exit "$status"
