#!/usr/bin/env bash
# The install step of tools/setup.sh against a stand-in apt-get: a mirror caught mid-sync (an
# update that fails), a 32-bit Wine that cannot be had, and a package the tests need that cannot
# be had. The script runs as written, from a copy of the repository's tools/ beside a stand-in
# tests/run_all.sh that only says it ran.
#   bash tests/setup_install.sh
set -uo pipefail
cd "$(dirname "$0")/.."
source tests/support.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-setup-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/tools" "$work/tree/tests" "$work/bin"
cp tools/setup.sh "$work/tree/tools/"
echo 'echo "the tests ran"' >"$work/tree/tests/run_all.sh"

# apt-get as a mirror would answer it in the case named by $STANDIN_CASE; every call is logged.
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STANDIN_LOG"
case "$STANDIN_CASE:$1" in
mid-sync:update)
  echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100 ;;
no-wine32:install)
  [[ " $* " == *" wine32:i386 "* ]] &&
    { echo "E: Unable to correct problems, you have held broken packages."; exit 100; } ;;
no-qemu:install)
  [[ " $* " == *" qemu-user "* ]] && { echo "E: Unable to locate package qemu-user"; exit 100; } ;;
esac
exit 0
STANDIN
# The rest of what the script runs as root, and its pause, without touching the machine.
printf '#!/bin/sh\necho "dpkg $*" >>"$STANDIN_LOG"\n' >"$work/bin/dpkg"
printf '#!/bin/sh\necho "sleep $*" >>"$STANDIN_LOG"\n' >"$work/bin/sleep"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*

# Runs `tools/setup.sh test` in case $1; its output in $work/out, its calls in $work/calls.
setup_in_case() {
  rm -f "$work/calls"
  STANDIN_CASE=$1 STANDIN_LOG=$work/calls PATH="$work/bin:$PATH" \
    bash "$work/tree/tools/setup.sh" test >"$work/out" 2>&1
}
ran_tests() { grep -qx "the tests ran" "$work/out"; }
said() { grep -qF "$1" "$work/out"; }
# True when the packages are installed, the 32-bit Wine on its own after all the others.
installed_all() {
  grep -q '^apt-get install .* qemu-user$' "$work/calls" &&
    [ "$(grep '^apt-get install' "$work/calls" | tail -n 1)" = "apt-get install -y -q wine32:i386" ]
}

setup_in_case whole
check "a whole mirror: every package, then the tests, with no warning" \
  eval 'ran_tests && installed_all && ! said "setup:" && [ "$(grep -c update "$work/calls")" = 1 ]'

setup_in_case mid-sync
check "a mirror mid-sync: the update tried twice, one line, then the install and the tests" \
  eval 'ran_tests && installed_all && [ "$(grep -c "^apt-get update" "$work/calls")" = 2 ] &&
        grep -q "^sleep" "$work/calls" && said "the package lists could not all be refreshed"'

setup_in_case no-wine32
check "no 32-bit Wine: one line saying so, the rest installed, the tests run" \
  eval 'ran_tests && installed_all && said "wine32:i386 cannot be installed"'

setup_in_case no-qemu
status=$?
check "a needed package missing: the command fails naming it, and no test runs" \
  eval '[ "$status" -ne 0 ] && ! ran_tests && said "qemu-user"'

finish
