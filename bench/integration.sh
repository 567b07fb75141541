#!/usr/bin/env bash
# Times a GBA build's graphics through the installed make fragment and CMake package, against the
# floor measured in the same run, for 100 and for 1,000 generated bitmaps (per 100: fifty 4-bit
# 32 x 32, twenty 4-bit 64 x 64, twenty 8-bit 64 x 64 and ten 8-bit 240 x 160).
#
#   bash bench/integration.sh [MORVANE [RUNS]]      (default build/morvane, 5 runs)
#
# Installs build/ (the program, its fragment and package) into a temporary prefix, with MORVANE
# in place of its program when named. Each way is run once untimed, then RUNS times, the ways interleaved round by round;
# it prints the median wall time with the minimum and maximum, in ms:
#   floor        one `morvane --build` over all sources, and the same bytes assembled with .incbin
#                as one unit by arm-none-eabi-gcc
#   make clean   `make -j2` of the headers and the graphics object from nothing, with the fragment
#   cmake clean  `ninja -j2` of the graphics library from nothing (configured beforehand)
#   make edit    `make -j2` after one source's pixels changed (its header unchanged)
#   cmake edit   `ninja -j2` after the same edit
#   make no-op   `make` with nothing to do, and the same with the fragment's name check taken out
#   old clean    the fragment before the build form (copied sources, one C unit compiled per
#                source, every name compared with every other), taken from git; at 100 only
#   old edit     the old fragment's `make -j2` after the same edit; at 100 only
# and the ratios the targets are stated in. Needs arm-none-eabi-gcc, make, cmake, ninja, python3.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${2:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-integration-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The fragment as it was before the build form, kept in history: the "before" of the ratio.
old_fragment_commit=f696e0d

prefix=$work/prefix
cmake --install "$root/build" --prefix "$prefix" >/dev/null ||
  { echo "build/ cannot be installed: build it first (cmake --build --preset default)"; exit 1; }
[ -z "${1:-}" ] || cp "$1" "$prefix/bin/morvane"
morvane=$prefix/bin/morvane
export PATH="$prefix/bin:$PATH"
fragment=$prefix/share/morvane/morvane.mk
# The fragment without its name check, for the no-op's comparison.
sed '/morvane_unique,/d' "$fragment" >"$work/unchecked.mk"
git -C "$root" show "$old_fragment_commit:integration/morvane.mk" >"$work/old.mk" ||
  { echo "the old fragment is not in this repository's history"; exit 1; }

# Writes COUNT bitmaps of the mix into DIR.
make_sources() {
  python3 - "$1" "$2" <<'EOF'
import random, struct, sys
directory, count = sys.argv[1], int(sys.argv[2])
rand = random.Random(29)
mix = [(50, 4, 32, 32), (20, 4, 64, 64), (20, 8, 64, 64), (10, 8, 240, 160)]
n = 0
for share, bits, width, height in mix:
    for _ in range(share * count // 100):
        colours = 1 << bits
        table = bytes(rand.getrandbits(8) if i % 4 != 3 else 0 for i in range(4 * colours))
        pixels = bytes(rand.getrandbits(8) for _ in range(width * height * bits // 8))
        offset = 54 + len(table)
        header = b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset)
        info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
        open(f'{directory}/pic{n:04d}.bmp', 'wb').write(header + info + table + pixels)
        n += 1
EOF
}

# A project of COUNT sources in DIR: gfx/, a Makefile for the new fragment and one for the old.
make_project() {
  local dir=$1 count=$2
  mkdir -p "$dir/gfx"
  make_sources "$dir/gfx" "$count"
  cat >"$dir/Makefile" <<EOF
CC := arm-none-eabi-gcc
MORVANE_SOURCES := \$(wildcard gfx/*.bmp)
MORVANE_BUILD := build/gfx
include \$(FRAGMENT)
all: \$(MORVANE_HEADERS) \$(MORVANE_OBJECT)
EOF
  cat >"$dir/Makefile.old" <<EOF
CC := arm-none-eabi-gcc
CFLAGS := -mcpu=arm7tdmi -mthumb -Os
MORVANE_SOURCES := \$(wildcard gfx/*.bmp)
MORVANE_BUILD := build/gfx
include $work/old.mk
all: \$(MORVANE_HEADERS) \$(MORVANE_OBJECTS)
EOF
  cat >"$dir/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.20)
project(bench ASM)
find_package(morvane REQUIRED)
file(GLOB graphics gfx/*.bmp)
morvane_add_graphics(graphics \${graphics})
EOF
  cmake -S "$dir" -B "$dir/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_TOOLCHAIN_FILE="$root/tests/gba/cmake_project/arm-none-eabi.cmake" >/dev/null
}

now() { date +%s%N; }
declare -A times
timed() { # WAY COMMAND...: runs the command and records its wall time in ms under WAY
  local way=$1 start end
  shift
  start=$(now)
  "$@" >/dev/null 2>&1 || { echo "$way failed: $*" >&2; exit 1; }
  end=$(now)
  times[$way]+=" $(((end - start) / 1000))"
}

floor() {
  local names=("$dir"/gfx/*.bmp)
  names=("${names[@]##*/}")
  rm -rf "$dir/floor" && mkdir "$dir/floor" && (cd "$dir" && "$morvane" --build floor gfx/*.bmp) &&
    printf '\t.include "%s.s"\n' "${names[@]%.bmp}" >"$dir/floor/all.s" &&
    arm-none-eabi-gcc -I "$dir/floor" -c "$dir/floor/all.s" -o "$dir/floor/all.o"
}
make_clean() { rm -rf "$dir/build" && make -C "$dir" -j2 FRAGMENT="$fragment"; }
cmake_clean() { ninja -C "$dir/cmake" -t clean >/dev/null && ninja -C "$dir/cmake" -j2; }
# Changes one pixel byte of one source (its size, and so its header, kept).
edit_one() {
  printf '\x5a' | dd of="$dir/gfx/pic0000.bmp" bs=1 seek=$((edits % 200 + 200)) conv=notrunc status=none
  edits=$((edits + 1))
}
make_edit() { edit_one && make -C "$dir" -j2 FRAGMENT="$fragment"; }
cmake_edit() { edit_one && ninja -C "$dir/cmake" -j2; }
make_noop() { make -C "$dir" FRAGMENT="$fragment"; }
make_noop_unchecked() { make -C "$dir" FRAGMENT="$work/unchecked.mk"; }
old_make() { make -C "$dir" -f Makefile.old -j2 MORVANE_BUILD=build-old/gfx; }
old_clean() { rm -rf "$dir/build-old" && old_make; }
old_edit() { edit_one && old_make; }
edits=0

# The median of a way's times in ms; with "range", its minimum and maximum too.
summary() { # WAY [range]
  tr ' ' '\n' <<<"${times[$1]}" | sed '/^$/d' | sort -n | awk -v range="${2:-}" '
    { v[NR] = $1 / 1000 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          if (range) printf "%.1f (%.1f-%.1f)", m, v[1], v[NR]; else print m }'
}
ratio() { awk -v a="$(summary "$1")" -v b="$(summary "$2")" 'BEGIN { printf "%.2fx", a / b }'; }

echo "$("$morvane" --version); $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg);" \
  "$runs runs after one untimed, interleaved; wall ms, median (min-max)"
for count in 100 1000; do
  dir=$work/p$count
  make_project "$dir" "$count"
  ways=(floor make_clean cmake_clean make_edit cmake_edit make_noop make_noop_unchecked)
  [ "$count" -eq 100 ] && ways+=(old_clean old_edit)
  times=()
  for way in "${ways[@]}"; do
    "$way" >/dev/null 2>&1 || { echo "$way failed at $count sources"; exit 1; }
  done
  for ((run = 0; run < runs; run++)); do
    for way in "${ways[@]}"; do
      # Each edit and no-op starts from a built tree.
      case $way in
        make_edit | make_noop*) make -C "$dir" FRAGMENT="$fragment" >/dev/null ;;
        cmake_edit) ninja -C "$dir/cmake" >/dev/null ;;
        old_edit) old_make >/dev/null ;;
      esac
      timed "$way" "$way"
    done
  done
  echo "$count sources:"
  for way in "${ways[@]}"; do printf '  %-20s %s\n' "$way" "$(summary "$way" range)"; done
  printf '  make clean / floor %s, cmake clean / floor %s, no-op / no-op without the check %s' \
    "$(ratio make_clean floor)" "$(ratio cmake_clean floor)" "$(ratio make_noop make_noop_unchecked)"
  [ "$count" -eq 100 ] && printf ', old clean / make clean %s, old edit / make edit %s' \
    "$(ratio old_clean make_clean)" "$(ratio old_edit make_edit)"
  echo
done
