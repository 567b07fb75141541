#!/usr/bin/env bash
# Builds morvane for a big-endian machine (s390x) with a cross compiler, runs it under qemu-user
# on the samples and on random sources of every kind, plainly and for the build form, draws the
# samples' pictures, and compares every outcome and output byte with the build of this machine.
set -uo pipefail
cd "$(dirname "$0")/.."
source tests/support.sh
top=$PWD
command -v s390x-linux-gnu-g++ >/dev/null && command -v qemu-s390x >/dev/null ||
  skip "the big-endian build needs the Debian packages g++-s390x-linux-gnu qemu-user"

build_preset default --target morvane random_sources >/dev/null ||
  { echo "the build of this machine failed"; exit 1; }
build_preset s390x --target morvane >/dev/null || { echo "the s390x build failed"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-big-endian-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/sources" "$work/here" "$work/s390x" "$work/here-build" "$work/s390x-build"
cp samples/*.bmp samples/*.cgx samples/*.scr samples/*.col "$work/sources/"
build/tests/random_sources "$work/sources" || exit 1
cp "$work/sources/"* "$work/here/"
cp "$work/sources/"* "$work/s390x/"

# True when files $1 and $2 are both absent, or both there and the same.
same_or_absent() {
  [ ! -e "$1" ] && [ ! -e "$2" ] || cmp -s "$1" "$2"
}

# True when source $1 gives the same lines, statuses and outputs on both machines. Each run names
# its source as given: the same relative name in folders of the same shape.
same_on_s390x() {
  local name=$1 base=${1%%.*} suffix
  [ "$(cd "$work/here" && "$top/build/morvane" "$name" 2>&1)" = \
    "$(cd "$work/s390x" && qemu-s390x "$top/build-s390x/morvane" "$name" 2>&1)" ] &&
    [ "$(cd "$work/here" && "$top/build/morvane" --build ../here-build "$name" 2>&1; echo $?)" = \
      "$(cd "$work/s390x" &&
         qemu-s390x "$top/build-s390x/morvane" --build ../s390x-build "$name" 2>&1; echo $?)" ] &&
    same_or_absent "$work/here/$base.c" "$work/s390x/$base.c" || return 1
  for suffix in bin s h; do
    same_or_absent "$work/here-build/$base.$suffix" "$work/s390x-build/$base.$suffix" || return 1
  done
}

# True when --picture $1 draws the same PNG bytes, with the same line, from the C files $2... on
# both machines.
same_picture_on_s390x() {
  local out=$1
  shift
  [ "$(cd "$work/here" && "$top/build/morvane" --picture "$out" "$@" 2>&1)" = \
    "$(cd "$work/s390x" && qemu-s390x "$top/build-s390x/morvane" --picture "$out" "$@" 2>&1)" ] &&
    cmp "$work/here/$out" "$work/s390x/$out"
}

for source in "$work/sources/"*; do
  check "the same on s390x: $(basename "$source")" same_on_s390x "$(basename "$source")"
done
if "$top/build/morvane" --help | grep -q -- --picture; then
  check "the same picture on s390x: the castle's screen" \
    same_picture_on_s390x castle.png castle_map.c castle_tiles.c castle_colours.c
  check "the same picture on s390x: a 4-bit bitmap" same_picture_on_s390x ship.png ship16.c
  check "the same picture on s390x: an 8-bit bitmap" same_picture_on_s390x sunset.png sunset256.c
fi
finish
