#!/usr/bin/env bash
# Builds and installs morvane, builds the GBA example ROMs with the make fragment and with the
# installed CMake package, runs them in the emulator test on the shipped samples and on random
# sources, checks with arm-none-eabi-nm that every converted array lies on a multiple of 4,
# links the tiles ROM both ways (tests/gba/both_ways.sh: the same bytes through the compiled .c
# files as through the build form), builds the README's three build blocks as printed
# (tests/gba/readme_blocks.sh), and renews the screenshots docs/gba-bitmap.png and
# docs/gba-tiles.png, and the pictures morvane --picture drew of them, docs/picture-castle.png and
# docs/picture-sunset256.png.
# Without the ARM cross compiler or libmgba it says what is missing and skips.
set -uo pipefail
cd "$(dirname "$0")/../.."
source tests/support.sh
root=$PWD
build=$root/build-gba
work=$build/gba-work
seed=${MORVANE_GBA_SEED:-7}

fail() {
  echo "$1" >&2
  echo "0 passed, 1 failed"
  exit 1
}

for tool in arm-none-eabi-gcc arm-none-eabi-g++ arm-none-eabi-nm; do
  command -v $tool >/dev/null || skip "$tool is missing (Debian: gcc-arm-none-eabi)"
done
command -v make >/dev/null || skip "make is missing (Debian: make)"
command -v ninja >/dev/null || skip "ninja is missing (Debian: ninja-build)"
[ -f /usr/include/stb/stb_image.h ] || skip "stb_image.h is missing (Debian: libstb-dev)"
printf '#include <mgba/core/core.h>\nint main() { return mCoreFind("") != 0; }\n' |
  c++ -x c++ - -lmgba -o /dev/null 2>/dev/null || skip "libmgba cannot be linked (Debian: libmgba-dev)"

rm -rf "$work"
cmake -S . -B "$build" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build "$build" -j2 --target morvane >/dev/null &&
  cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "building morvane failed"
c++ -std=c++20 -O1 -Wall -Wextra -I . -isystem /usr/include/stb -o "$build/gba_test" \
  tests/gba/gba_test.cpp \
  tests/gba/pictures.cpp tests/gba/emulator.cpp -lmgba || fail "building the emulator test failed"

mkdir -p "$work"
"$build/gba_test" "$build/morvane" "$work/prefix" examples/gba tests/gba/cmake_project samples \
  "$work" "$seed" >"$work/report.txt"
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

# Every array of every ROM lies on a multiple of 4. So does every array of each graphics object
# linked right after one halfword of a program's own: there an array that is only 2-byte aligned
# lands two bytes past a word, as it would in a real program.
names=$(cat "$work"/*-*/gfx/*.h "$work"/cmake-*/*_graphics/*.h |
  sed -n 's/^extern const unsigned short \([^[]*\)\[.*/\1/p' | sort -u)
misaligned() { # prints the arrays in ELF file $1 that do not lie on a multiple of 4
  arm-none-eabi-nm "$1" | while read -r address type name; do
    grep -qxF "$name" <<<"$names" && [ $((0x$address % 4)) -ne 0 ] && echo "$name at 0x$address"
  done
}
printf 'const unsigned short program_halfword = 1;\n' |
  arm-none-eabi-gcc -mthumb -Os -x c -c - -o "$work/halfword.o"
# Adds $1 passed and $2 failed cases to the summary line "N passed, M failed".
count_in_summary() {
  [[ "$summary" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]] &&
    summary="$((BASH_REMATCH[1] + $1)) passed, $((BASH_REMATCH[2] + $2)) failed"
}

alignment_passed=0
alignment_failed=0
for elf in "$work"/*-*/*.elf $(find "$work" -name 'morvane.all.o' -o -name 'morvane.all.s.obj'); do
  what=${elf#"$work"/}
  if [[ "$elf" != *.elf ]]; then
    arm-none-eabi-ld -e 0 -o "$elf.probe" "$work/halfword.o" "$elf" && elf=$elf.probe || {
      echo "FAIL linking $what after a halfword"; alignment_failed=$((alignment_failed + 1)); continue; }
    what="$what after a halfword"
  fi
  faults=$(misaligned "$elf" | paste -sd " ")
  if [ -z "$names" ] || [ -n "$faults" ]; then
    echo "FAIL arrays on a multiple of 4 in $what: ${faults:-no array names found}"
    alignment_failed=$((alignment_failed + 1))
  else
    alignment_passed=$((alignment_passed + 1))
  fi
done
echo "ok   $alignment_passed ROMs and graphics objects have every array on a multiple of 4"
count_in_summary "$alignment_passed" "$alignment_failed"
[ "$alignment_failed" -eq 0 ] || status=1

# The tiles ROM linked both ways, through the build form and through the compiled .c files.
both_ways=0
bash tests/gba/both_ways.sh "$build/morvane" samples "$work/make-shipped" "$work/both-ways" ||
  { both_ways=1; status=1; }
count_in_summary $((1 - both_ways)) "$both_ways"

# The README's blocks, built as printed; their cases count with the others.
mkdir -p "$work/readme"
bash tests/gba/readme_blocks.sh "$work/prefix" "$build/gba_test" "$work/readme" >"$work/readme.txt" 2>&1
readme_status=$?
head -n -1 "$work/readme.txt"
readme_summary=$(tail -n 1 "$work/readme.txt")
if [[ "$readme_summary" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
  count_in_summary "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
else
  echo "FAIL the README blocks' test ended early: $readme_summary"
fi
[ "$readme_status" -eq 0 ] || status=1

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
  bitmaps=("$work"/make-shipped/bitmap-*.ppm)
  screenshot "$root/docs/gba-bitmap.png" "${bitmaps[@]}"
  screenshot "$root/docs/gba-tiles.png" "$work/make-shipped/tiles.ppm" \
    "$work/make-shipped/tiles-corner.ppm"
  # And what morvane --picture drew of the castle and the sunset, each checked against its frame.
  for picture in castle_map:castle sunset256:sunset256; do
    drawn=$work/make-shipped/picture/drawn-${picture%%:*}.png
    [ -f "$drawn" ] && cp "$drawn" "docs/picture-${picture#*:}.png" &&
      echo "picture: docs/picture-${picture#*:}.png"
  done
fi

echo "$summary"
exit "$status"
