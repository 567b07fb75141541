#!/usr/bin/env bash
# Runs the output's tests and those of interrupted and concurrent conversions once more where the
# file system refuses unnamed temporary files, so that the named temporary file, and its removal
# by the signals that end the program, are tested: in a bindfs (FUSE) mount, which has none.
# Where no such mount can be made it prints "skipped: ..." and exits with 77.
#   bash tests/named_output.sh build/tests/morvane_tests
set -uo pipefail
tests=$1

skip() {
  echo "skipped: the named temporary output's tests need $1"
  exit 77
}
command -v bindfs >/dev/null || skip "the Debian package bindfs"
[ -e /dev/fuse ] || skip "/dev/fuse"

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-named-XXXXXX")
mkdir "$work/disk" "$work/mount"
unmount() {
  fusermount -u "$work/mount" 2>/dev/null || umount "$work/mount" 2>/dev/null
  rm -rf "$work"
}
if ! bindfs "$work/disk" "$work/mount" 2>"$work/refusal"; then
  refusal=$(head -n 1 "$work/refusal")
  rm -rf "$work"
  skip "a FUSE mount (as root, or with fusermount and /dev/fuse open to users); bindfs: $refusal"
fi
trap unmount EXIT

if python3 -c 'import os, sys; os.open(sys.argv[1], os.O_TMPFILE | os.O_WRONLY, 0o600)' \
  "$work/mount" 2>/dev/null; then
  echo "the bindfs mount takes unnamed temporary files: it tests nothing here" >&2
  exit 1
fi
# Those that put an output in place; not those of damaged sources or of memory.
put_in_place='Output.*:Robustness.AnInterrupted*:Robustness.Simultaneous*:Robustness.AnOutputOpen*:BuildForm.*'
TMPDIR=$work/mount "$tests" --gtest_brief=1 --gtest_filter="$put_in_place"
