#!/usr/bin/env bash
# Links the example's tiles ROM both ways, from the objects the make fragment built: once with
# its graphics object (the build form, assembled) and once with the .c files a plain conversion
# of the same sources writes, compiled for the GBA at -Os. Each array of the sources must lie on
# a multiple of 4 in both programs and hold the same bytes.
#
# Usage: both_ways.sh MORVANE SAMPLES BUILD WORK   (BUILD: the example's make build of SAMPLES)
set -uo pipefail
morvane=$1
samples=$2
build=$3
work=$4
rm -rf "$work"
mkdir -p "$work"
cp "$samples"/*.cgx "$samples"/*.scr "$samples"/*.col "$work/"
for source in "$work"/*.*; do "$morvane" "$source" >/dev/null; done

# Each .c compiled as a unit that supplies u16 and declares its arrays 4-byte aligned, as GCC
# keeps the attributes of an earlier declaration.
objects=()
for c in "$work"/*.c; do
  name=$(basename "$c" .c)
  printf 'typedef unsigned short u16;\n#include "%s.h"\n#include "%s.c"\n' "$name" "$name" >"$work/$name.unit.c"
  cp "$build/gfx/$name.h" "$work/" &&
    arm-none-eabi-gcc -mcpu=arm7tdmi -mthumb -Os -c -I "$work" "$work/$name.unit.c" -o "$work/$name.o" ||
    { echo "FAIL compiling $name.c for the GBA"; exit 1; }
  objects+=("$work/$name.o")
done
arm-none-eabi-gcc "$build/crt0.o" "$build/tiles.o" "${objects[@]}" -mcpu=arm7tdmi -mthumb -nostdlib \
  -T "$(dirname "$0")/../../examples/gba/gba.ld" -lgcc -o "$work/tiles-c.elf" ||
  { echo "FAIL linking the tiles ROM from the compiled .c files"; exit 1; }

# The bytes of array $2 in ELF file $1, in hexadecimal, or a line saying it is misaligned.
array_bytes() {
  local line address size
  line=$(arm-none-eabi-nm -S "$1" | awk -v name="$2" '$4 == name')
  [ -n "$line" ] || { echo "missing"; return; }
  read -r address size _ <<<"$line"
  [ $((0x$address % 4)) -eq 0 ] || { echo "misaligned at 0x$address"; return; }
  arm-none-eabi-objcopy -O binary --only-section=.text "$1" "$work/text.bin"
  od -An -tx1 -v -j $((0x$address - 0x08000000)) -N $((0x$size)) "$work/text.bin" | tr -d ' \n'
}

arrays=$(sed -n 's/^extern const unsigned short \([^[]*\)\[.*/\1/p' "$work"/*.h)
count=0
for array in $arrays; do
  assembled=$(array_bytes "$build/tiles.elf" "$array")
  compiled=$(array_bytes "$work/tiles-c.elf" "$array")
  if [[ "$assembled" == m* || "$compiled" == m* || "$assembled" != "$compiled" ]]; then
    echo "FAIL $array differs: build form ${assembled:0:40}, compiled .c ${compiled:0:40}"
    exit 1
  fi
  count=$((count + 1))
done
[ "$count" -eq 3 ] || { echo "FAIL $count arrays compared, not 3"; exit 1; }
echo "ok   the tiles ROM linked both ways holds its $count arrays 4-byte aligned and byte for byte alike"
