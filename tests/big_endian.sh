#!/usr/bin/env bash
# Builds morvane for a big-endian machine (s390x) with a cross compiler, runs it under qemu-user
# on the samples and on random sources of every kind, plainly and for the build form, and
# compares every outcome and output byte with the build of this machine.
set -uo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=$(nproc 2>/dev/null || echo 2)
if ! command -v s390x-linux-gnu-g++ >/dev/null || ! command -v qemu-s390x >/dev/null; then
  echo "skipped: the big-endian build needs the Debian packages g++-s390x-linux-gnu qemu-user"
  exit 0
fi

cmake -S . -B build >/dev/null && cmake --build build -j"$jobs" --target morvane random_sources \
  >/dev/null || { echo "the build of this machine failed"; exit 1; }
cmake -S . -B build-s390x -DCMAKE_CXX_COMPILER=s390x-linux-gnu-g++ -DBUILD_TESTING=OFF >/dev/null &&
  cmake --build build-s390x -j"$jobs" --target morvane >/dev/null ||
  { echo "the s390x build failed"; exit 1; }

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

passed=0 failed=0
for source in "$work/sources/"*; do
  name=$(basename "$source")
  # Each run names its source as given: the same relative name in folders of the same shape.
  here=$(cd "$work/here" && "$top/build/morvane" "$name" 2>&1)
  there=$(cd "$work/s390x" && qemu-s390x "$top/build-s390x/morvane" "$name" 2>&1)
  here_build=$(cd "$work/here" && "$top/build/morvane" --build ../here-build "$name" 2>&1; echo $?)
  there_build=$(cd "$work/s390x" &&
                qemu-s390x "$top/build-s390x/morvane" --build ../s390x-build "$name" 2>&1; echo $?)
  base=${name%%.*}
  same=yes
  same_or_absent "$work/here/$base.c" "$work/s390x/$base.c" || same=no
  for suffix in bin s h; do
    same_or_absent "$work/here-build/$base.$suffix" "$work/s390x-build/$base.$suffix" || same=no
  done
  if [ "$here" = "$there" ] && [ "$here_build" = "$there_build" ] && [ "$same" = yes ]; then
    passed=$((passed + 1))
  else
    echo "differs on s390x: $name"
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
