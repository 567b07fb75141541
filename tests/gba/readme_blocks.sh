#!/usr/bin/env bash
# Builds the three blocks of the README's "In a GBA build" as printed (the include line's
# /usr/local replaced by the test's install prefix) into GBA ROMs: a plain Makefile, devkitPro's
# template shape (tests/gba/template, with a stand-in for devkitARM's rules) and a CMake project
# (Ninja), each with C and C++ files that include the headers. Each ROM runs in mGBA with its
# picture checked, and the builds are put through what a project meets: a no-op, a pixel edit, a
# source whose arrays change size, a new morvane or fragment, a removed source, a broken one, a
# name with a blank, two sources of one name and the Windows default program.
#
# Usage: readme_blocks.sh PREFIX GBA_TEST WORK   (PREFIX: morvane installed there; GBA_TEST: the
# emulator test, run as GBA_TEST --bitmap NAME ROM BITMAP). Prints ok/FAIL lines and a summary.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
prefix=$1
gba_test=$2
work=$3
export PATH="$prefix/bin:$PATH"
passed=0
failed=0

check() { # NAME COMMAND...: one case, passed when the command succeeds
  local name=$1
  shift
  if "$@" >"$work/check.log" 2>&1; then
    echo "ok   $name"
    passed=$((passed + 1))
  else
    echo "FAIL $name: $(tail -c 600 "$work/check.log" | tr '\n' ' ')"
    failed=$((failed + 1))
  fi
}

# The fenced blocks of the README's "In a GBA build" section, the Nth of a language.
block() { # LANGUAGE N
  awk -v language="$1" -v wanted="$2" '
    /^### In a GBA build/ { inside = 1; next }
    /^##/ { inside = 0 }
    inside && /^```/ { if (fence) { fence = 0; next } if ($0 == "```" language) { fence = 1; count++ } next }
    inside && fence && count == wanted { print }
  ' README.md | sed "s|/usr/local/share/morvane/morvane.mk|$prefix/share/morvane/morvane.mk|"
}

# A project: the shipped samples in gfx/ with a dot file beside them (as macOS leaves), the
# example's bitmap scene showing ship16 from C, a C++ file and a C file of other headers, and the
# example's start-up code and linker script. $2 is the folder of the code, $3 the way from it to
# the project's top.
make_project() { # DIR CODE_DIR TOP_FROM_CODE
  local dir=$1 code=$1/$2
  mkdir -p "$dir/gfx" "$code" "$dir/scenes"
  cp samples/ship16.bmp samples/sunset256.bmp samples/castle_tiles.cgx samples/castle_map.scr \
    samples/castle_colours.col "$dir/gfx/"
  printf 'not a bitmap\n' >"$dir/gfx/._ship16.bmp"
  cp examples/gba/show_bitmap.c examples/gba/gba.h "$dir/scenes/"
  cp examples/gba/crt0.s "$code/"
  cp examples/gba/gba.ld "$dir/"
  printf '#define BITMAP_HEADER "ship16.h"\n#define BITMAP_NAME ship16\n#define BITMAP_WIDTH 64\n#include "%s/scenes/show_bitmap.c"\n' \
    "$3" >"$code/main.c"
  cat >"$code/scene.cpp" <<'EOF'
#include "castle_colours.h"
#include "castle_map.h"
#include "castle_tiles.h"
extern "C" unsigned castle_bytes() {
  return sizeof castle_tiles_sp + sizeof castle_map_map + sizeof castle_colours_pal;
}
EOF
  printf '#include "sunset256.h"\nunsigned sunset_values(void) { return sizeof sunset256_sp / sizeof sunset256_sp[0]; }\n' \
    >"$code/extra.c"
}

# How many of the project's own objects (not the graphics object) are newer than the marker.
compiled_since_marker() { # DIR
  find "$1" \( -name '*.o' -o -name '*.obj' \) ! -name 'morvane.all.*' -newer "$work/marker" | wc -l
}
converted_since_marker() { # DIR
  find "$1" -name '*.bin' -newer "$work/marker" | wc -l
}
mark() { sleep 0.01; touch "$work/marker"; sleep 0.01; }

expect_count() { # WHAT EXPECTED ACTUAL
  [ "$2" -eq "$3" ] || { echo "$1: $3, not $2"; return 1; }
}
expect_failure_naming() { # LOG TEXT... : the build failed and its output names each TEXT
  local log=$1 text
  shift
  for text in "$@"; do grep -qF -- "$text" "$log" || { echo "no '$text' in:"; cat "$log"; return 1; }; done
}
fails() { ! "$@"; }

show_ship() { "$gba_test" --bitmap "$1" "$2" "$3"; }

# Edits one byte of the picture (the last two pixels), size and palette kept.
edit_pixels() {
  local file=$1 size last
  size=$(stat -c %s "$file")
  last=$(od -An -tu1 -j $((size - 1)) -N1 "$file")
  printf "$(printf '\\%03o' $(((last ^ 0x11) & 0xff)))" |
    dd of="$file" bs=1 seek=$((size - 1)) conv=notrunc status=none
}

# A morvane that takes its time, so that make goes on with the other targets while it converts:
# what includes a header it rewrote must still be compiled again, in the same run.
printf '#!/bin/sh\nsleep 0.5\nexec morvane "$@"\n' >"$work/slow-morvane"
chmod +x "$work/slow-morvane"
touch -d '-1 hour' "$work/slow-morvane"

# The plain Makefile, through every case.
plain=$work/plain
make_project "$plain" . .
block makefile 1 >"$plain/Makefile"
pm() { make -C "$plain" "$@"; }
check "plain Makefile: make builds game.gba (C and C++ include headers; ._ship16.bmp left out)" pm
check "plain Makefile: the ROM shows ship16" show_ship "plain ROM" "$plain/game.gba" "$plain/gfx/ship16.bmp"
check "plain Makefile: a no-op make -q is up to date" pm -q
mark
edit_pixels "$plain/gfx/ship16.bmp"
check "plain Makefile: a pixel edit rebuilds the ROM" pm -j2
check "plain Makefile: a pixel edit recompiles no object, converts one source" \
  eval 'expect_count objects 0 $(compiled_since_marker "$plain/build") &&
        expect_count conversions 1 $(converted_since_marker "$plain/build")'
check "plain Makefile: the edited picture is in the ROM" show_ship "plain ROM after a pixel edit" \
  "$plain/game.gba" "$plain/gfx/ship16.bmp"
mark
cp samples/ship16.bmp "$plain/gfx/sunset256.bmp"
check "plain Makefile: a source whose arrays change size recompiles its one includer" \
  eval 'pm -j2 MORVANE="$work/slow-morvane" && expect_count objects 1 $(compiled_since_marker "$plain/build")'
for upgraded in "$prefix/bin/morvane" "$prefix/share/morvane/morvane.mk"; do
  mark
  touch "$upgraded"
  check "plain Makefile: a newer ${upgraded#"$prefix"/} reconverts all 5 sources" \
    eval 'pm && expect_count conversions 5 $(converted_since_marker "$plain/build")'
done
rm "$plain/gfx/sunset256.bmp"
check "plain Makefile: a removed source fails its includer's compile, naming its header" \
  eval 'fails pm >"$work/out.log" 2>&1 && expect_failure_naming "$work/out.log" sunset256.h'
rm "$plain/extra.c"
check "plain Makefile: without its includer the ROM builds with no array of it" \
  eval 'pm && ! arm-none-eabi-nm "$plain/game.elf" | grep sunset256 && ! ls "$plain"/build/gfx/sunset256.*'
printf 'BM not a bitmap\n' >"$plain/gfx/broken.bmp"
check "plain Makefile: a broken source fails make, naming gfx/broken.bmp" \
  eval 'fails pm >"$work/out.log" 2>&1 && expect_failure_naming "$work/out.log" "morvane: gfx/broken.bmp:" &&
        fails pm -q'
rm "$plain/gfx/broken.bmp"
cp samples/ship16.bmp "$plain/gfx/my ship.bmp"
check "plain Makefile: a name with a blank fails make, naming it, and make clean works" \
  eval 'fails pm >"$work/out.log" 2>&1 && expect_failure_naming "$work/out.log" "gfx/my ship.bmp" &&
        pm clean && [ ! -e "$plain/build" ]'
rm "$plain/gfx/my ship.bmp"
cp samples/castle_colours.col "$plain/gfx/ship16.col"
check "plain Makefile: two sources of one name fail make, naming both, and make clean works" \
  eval 'fails pm >"$work/out.log" 2>&1 && expect_failure_naming "$work/out.log" gfx/ship16.bmp gfx/ship16.col &&
        pm clean'
rm "$plain/gfx/ship16.col"
check "plain Makefile: with OS=Windows_NT the fragment runs morvane-cli" \
  eval '[ "$(printf "include %s\nshow:\n\t@echo \$(MORVANE)\n" "$prefix/share/morvane/morvane.mk" |
           make -s -C "$work" -f - OS=Windows_NT show)" = morvane-cli ]'

# devkitPro's template shape, with the README's lines put where its comments say.
template=$work/template
make_project "$template" source ..
mkdir -p "$work/devkitarm"
cp tests/gba/template/gba_rules examples/gba/gba.ld "$work/devkitarm/"
block makefile 2 >"$work/template-lines.mk"
part() { awk -v n="$1" '/^# \([0-9]\)/ { inside = ($2 == "(" n ")") } inside' "$work/template-lines.mk"; }
ONE=$(part 1) TWO=$(part 2) THREE=$(part 3) awk '
  { print }
  /^MUSIC/ { print ENVIRON["ONE"] }
  /^export INCLUDE/ { print ENVIRON["TWO"] }
  /^\$\(OUTPUT\)\.elf/ { print ENVIRON["THREE"] }
' tests/gba/template/Makefile >"$template/Makefile"
tm() { make -C "$template" DEVKITARM="$work/devkitarm" "$@"; }
check "template shape: make builds template.gba in two passes" tm
check "template shape: the ROM shows ship16" show_ship "template ROM" "$template/template.gba" \
  "$template/gfx/ship16.bmp"
mark
tm >/dev/null
check "template shape: a second make converts and compiles nothing" \
  eval 'expect_count objects 0 $(compiled_since_marker "$template/build") &&
        expect_count conversions 0 $(converted_since_marker "$template/build")'
mark
edit_pixels "$template/gfx/ship16.bmp"
check "template shape: a pixel edit converts one source and recompiles no object" \
  eval 'tm -j2 && expect_count objects 0 $(compiled_since_marker "$template/build") &&
        expect_count conversions 1 $(converted_since_marker "$template/build")'
mark
cp samples/ship16.bmp "$template/gfx/sunset256.bmp"
check "template shape: a source whose arrays change size recompiles its one includer" \
  eval 'tm -j2 MORVANE="$work/slow-morvane" && expect_count objects 1 $(compiled_since_marker "$template/build")'
printf 'BM not a bitmap\n' >"$template/gfx/broken.bmp"
check "template shape: a broken source fails make, naming gfx/broken.bmp" \
  eval 'fails tm >"$work/out.log" 2>&1 && expect_failure_naming "$work/out.log" "/gfx/broken.bmp:"'
rm "$template/gfx/broken.bmp"

# The CMake project, with Ninja.
cmake_dir=$work/cmake
make_project "$cmake_dir" . .
block cmake 1 >"$cmake_dir/CMakeLists.txt"
cp tests/gba/cmake_project/arm-none-eabi.cmake "$cmake_dir/"
cb() { cmake --build "$cmake_dir/build" "$@"; }
check "CMake project: configures and builds game.gba with Ninja" \
  eval 'cmake -S "$cmake_dir" -B "$cmake_dir/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=arm-none-eabi.cmake \
          -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=MinSizeRel && cb'
check "CMake project: the ROM shows ship16" show_ship "CMake ROM" "$cmake_dir/build/game.gba" \
  "$cmake_dir/gfx/ship16.bmp"
check "CMake project: a second build has no work to do" eval 'cb | grep -q "no work to do"'
mark
edit_pixels "$cmake_dir/gfx/ship16.bmp"
check "CMake project: a pixel edit converts one source, recompiles no object, and the ROM shows it" \
  eval 'cb && expect_count objects 0 $(compiled_since_marker "$cmake_dir/build") &&
        expect_count conversions 1 $(converted_since_marker "$cmake_dir/build") &&
        show_ship "CMake ROM after a pixel edit" "$cmake_dir/build/game.gba" "$cmake_dir/gfx/ship16.bmp"'
mark
cp samples/ship16.bmp "$cmake_dir/gfx/sunset256.bmp"
check "CMake project: a source whose arrays change size recompiles its one includer" \
  eval 'cb && expect_count objects 1 $(compiled_since_marker "$cmake_dir/build")'
for upgraded in "$prefix/bin/morvane" "$prefix/lib/cmake/morvane/morvane_add_graphics.cmake"; do
  mark
  touch "$upgraded"
  check "CMake project: a newer ${upgraded#"$prefix"/} reconverts all 5 sources" \
    eval 'cb && expect_count conversions 5 $(converted_since_marker "$cmake_dir/build")'
done
rm "$cmake_dir/gfx/sunset256.bmp"
check "CMake project: a removed source fails its includer's compile, naming its header" \
  eval 'fails cb >"$work/out.log" 2>&1 && expect_failure_naming "$work/out.log" sunset256.h'
rm "$cmake_dir/extra.c"
check "CMake project: without its includer the ROM builds with no array of it" \
  eval 'cb && ! arm-none-eabi-nm "$cmake_dir/build/game.elf" | grep sunset256'
printf 'BM not a bitmap\n' >"$cmake_dir/gfx/broken.bmp"
check "CMake project: a broken source fails the build, naming gfx/broken.bmp" \
  eval 'cmake "$cmake_dir/build" >/dev/null && fails cb >"$work/out.log" 2>&1 &&
        expect_failure_naming "$work/out.log" "morvane: gfx/broken.bmp:"'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
