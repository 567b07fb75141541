# Sourced by run.sh: the build integration as installed under a prefix. The CMake package and the
# make fragment each build a project's graphics (the converted values as the program writes
# them, the counts and the 4-byte alignment through the headers, from C++), rebuild after a
# source is edited, fail with the program's line on a refused source, refuse two sources that
# would both give title.h, naming both, and write nothing beside the sources.

project=$PWD/tests/package/graphics_project
refused_line="ファイルの読み込みに失敗しました！"

# A fresh directory $1 with gfx/ holding a bitmap, a screen whose name has a second '.', and a
# colour file with a name beyond ASCII.
graphics_sources() {
  rm -rf "$1"
  mkdir -p "$1/gfx"
  cp samples/ship16.bmp "$1/gfx"
  cp samples/castle_map.scr "$1/gfx/castle_map.night.scr"
  cp samples/castle_colours.col "$1/gfx/城.col"
}
sources_listed="castle_map.night.scr ship16.bmp 城.col "
converted_counts="16 512 1024 256 1111"
edited_counts="256 4096 1024 256 1111"

# Checks the built project in directory $1 (its program $2 and converted ship16.bin $3) against
# the counts $4, and that gfx/ holds the two sources alone.
graphics_built() {
  local counts
  counts=$("$2") || return 1
  [ "$counts" = "$4" ] || { echo "counts: $counts, not $4"; return 1; }
  cmp "$work/expected-build/ship16.bin" "$3" || return 1
  [ "$(cd "$1/gfx" && LC_ALL=C ls -A | tr '\n' ' ')" = "$sources_listed" ] ||
    { echo "written beside the sources: $(ls -A "$1/gfx")"; return 1; }
}

# The CMake package under prefix $1, in directory $2.
cmake_package_works() {
  local prefix=$1 dir=$2 build=$2/build log=$2/log
  graphics_sources "$dir"
  cmake -S "$project" -B "$build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DSOURCES="$dir/gfx/ship16.bmp;$dir/gfx/castle_map.night.scr;$dir/gfx/城.col" >"$log" 2>&1 &&
    cmake --build "$build" >>"$log" 2>&1 || { cat "$log"; return 1; }
  graphics_built "$dir" "$build/counts" "$build/graphics/ship16.bin" "$converted_counts" || return 1
  # An edit reconverts the source (in place, as an editor saves) and rebuilds what uses its header.
  cat samples/sunset256.bmp >"$dir/gfx/ship16.bmp"
  cmake --build "$build" >"$log" 2>&1 || { cat "$log"; return 1; }
  [ "$("$build/counts")" = "$edited_counts" ] || { echo "not rebuilt after an edit"; return 1; }
  head -c 100 samples/ship16.bmp >"$dir/gfx/ship16.bmp"
  ! cmake --build "$build" >"$log" 2>&1 && grep -qF "$refused_line" "$log" ||
    { cat "$log"; echo "a refused bitmap did not fail the build with the program's line"; return 1; }
  cp samples/ship16.bmp "$dir/gfx/title.bmp"
  cp samples/castle_colours.col "$dir/gfx/title.col"
  ! cmake -S "$project" -B "$dir/twice" -DCMAKE_PREFIX_PATH="$prefix" \
    -DSOURCES="$dir/gfx/title.bmp;$dir/gfx/title.col" >"$log" 2>&1 &&
    tr -d '\n' <"$log" | grep -F "$dir/gfx/title.bmp" | grep -qF "$dir/gfx/title.col" ||
    { cat "$log"; echo "title.bmp and title.col were not refused, naming both"; return 1; }
}

# The make fragment under prefix $1, in directory $2.
make_fragment_works() {
  local prefix=$1 dir=$2 log=$2/log
  local make=(make -C "$dir" -f "$project/Makefile" PROJECT="$project" CXX=g++ CC=gcc
              MORVANE="$prefix/bin/morvane" MORVANE_MK="$prefix/share/morvane/morvane.mk")
  graphics_sources "$dir"
  "${make[@]}" >"$log" 2>&1 || { cat "$log"; return 1; }
  graphics_built "$dir" "$dir/counts" "$dir/build/gfx/ship16.bin" "$converted_counts" || return 1
  "${make[@]}" -q || { echo "make does not find the build up to date"; return 1; }
  # make goes by times: the edit must come after the first build's outputs.
  touch -d '1 minute ago' "$dir"/build/gfx/* "$dir"/build/*.o "$dir/counts"
  cat samples/sunset256.bmp >"$dir/gfx/ship16.bmp"
  "${make[@]}" >"$log" 2>&1 || { cat "$log"; return 1; }
  [ "$("$dir/counts")" = "$edited_counts" ] || { echo "not rebuilt after an edit"; return 1; }
  head -c 100 samples/ship16.bmp >"$dir/gfx/ship16.bmp"
  ! "${make[@]}" >"$log" 2>&1 && grep -qF "$refused_line" "$log" ||
    { cat "$log"; echo "a refused bitmap did not fail make with the program's line"; return 1; }
  cp samples/ship16.bmp "$dir/gfx/title.bmp"
  cp samples/castle_colours.col "$dir/gfx/title.col"
  ! "${make[@]}" MORVANE_SOURCES="gfx/title.bmp gfx/title.col" >"$log" 2>&1 &&
    grep "gfx/title.bmp" "$log" | grep -qF "gfx/title.col" ||
    { cat "$log"; echo "title.bmp and title.col were not refused, naming both"; return 1; }
}

# The project built in directory $3 with the make fragment $1 and the program $2 (a Windows
# one through Wine); with a directory $4, compared file for file with the build there.
fragment_builds_alike() {
  local fragment=$1 program=$2 dir=$3 reference=${4:-} file
  graphics_sources "$dir"
  make -C "$dir" -f "$project/Makefile" PROJECT="$project" CXX=g++ CC=gcc MORVANE="$program" \
    MORVANE_MK="$fragment" >"$dir/log" 2>&1 || { cat "$dir/log"; return 1; }
  [ "$("$dir/counts")" = "$converted_counts" ] || return 1
  [ -z "$reference" ] || for file in "$reference"/build/gfx/*; do
    [[ "$file" == */morvane.stamp ]] || cmp "$file" "$dir/build/gfx/$(basename "$file")" || return 1
  done
}

# The fragment and the package under prefix $1, in directory $2, each with 450 sources: at most
# 200 paths a morvane run (a command line must fit in Windows' 32,767 characters), every source
# converted.
runs_fit_a_command_line() {
  local prefix=$1 dir=$2 i
  rm -rf "$dir"
  mkdir -p "$dir/gfx" "$dir/cmake" "$dir/make"
  for i in $(seq 450); do cp samples/castle_colours.col "$dir/gfx/c$i.col"; done
  # A morvane that logs how many paths each run was given.
  printf '#!/bin/sh\necho $(($# - 2)) >>"%s"\nexec "%s" "$@"\n' "$dir/runs" "$prefix/bin/morvane" \
    >"$dir/morvane"
  chmod +x "$dir/morvane"
  (cd "$dir" && ls gfx/*.col) >"$dir/cmake/morvane.list"
  (cd "$dir" && cmake -DMORVANE="$dir/morvane" -DDIR="$dir/cmake" \
    -P "$prefix/lib/cmake/morvane/morvane_add_graphics.cmake") || return 1
  printf 'MORVANE_SOURCES := $(wildcard gfx/*.col)\nMORVANE_BUILD := make\ninclude %s\n' \
    "$prefix/share/morvane/morvane.mk" >"$dir/Makefile"
  make -s -C "$dir" MORVANE="$dir/morvane" make/morvane.stamp || return 1
  [ "$(tr '\n' ' ' <"$dir/runs")" = "200 200 50 200 200 50 " ] ||
    { echo "paths a run: $(tr '\n' ' ' <"$dir/runs")"; return 1; }
  [ "$(ls "$dir/cmake"/*.bin | wc -l) $(ls "$dir/make"/*.bin | wc -l)" = "450 450" ] ||
    { echo "not every source converted"; return 1; }
}
