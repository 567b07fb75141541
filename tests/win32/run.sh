#!/usr/bin/env bash
# Cross-builds morvane.exe, morvane-cli.exe and the test driver, then runs the Windows tests under
# Wine in a headless X server; the outputs are compared with the command-line program's for the
# same sources. The 32-bit programs, the ones users run, are run where this machine starts the 32-bit
# Wine; elsewhere their form is checked and the tests run the 64-bit build under wine64 (see
# wine_choose_build). Ends with "N passed, N failed"; without the tools it prints "skipped: ..."
# and exits 0.
set -uo pipefail
cd "$(dirname "$0")/../.."
source tests/win32/wine_env.sh

source tests/support.sh

missing=$(wine_env_missing)
[ -z "$missing" ] || skip "the Windows tests need the Debian packages g++-mingw-w64-i686-win32" \
  "g++-mingw-w64-x86-64-win32 wine wine32:i386 wine64 fonts-wine xvfb xauth" \
  "fonts-ipafont-gothic python3 cmake (wine32 from the i386 architecture); missing: $missing"
wine_choose_build
echo "Windows build under test: $MORVANE_WINE_BUILD"

echo "-- building"
# The 32-bit programs are built and checked on every machine; the tests run the chosen build,
# and compare with the command-line program of this machine.
tests_build=build-win$MORVANE_WINE_BITS
if ! build_preset win32 || { [ "$MORVANE_WINE_BITS" = 64 ] && ! build_preset win64; } ||
   ! build_preset default --target morvane; then
  echo "FAIL the build"
  failed=1
  finish
fi

check "the 32-bit morvane.exe is a stripped PE32 GUI program with its resources, needing only system DLLs" \
  form_is_right build-win32/morvane.exe GUI
check "the 32-bit morvane-cli.exe is a stripped PE32 console program with its resources, needing only system DLLs" \
  form_is_right build-win32/morvane-cli.exe console

trap wine_env_stop EXIT
echo "-- starting Wine"
if ! wine_env_start; then
  echo "FAIL starting Wine"
  failed=$((failed + 1))
  finish
fi

driver=$tests_build/tests/win32/morvane_win32_test.exe
expected="$MORVANE_WINE_DIR/expected"
work="$MORVANE_WINE_DIR/work"
mkdir -p "$expected" "$work"

# The sources every comparison uses, converted by the command-line program.
timeout 120 "${MORVANE_WINE[@]}" "$driver" sources "$(windows_path "$expected")"
for source in "$expected"/*; do
  build/morvane "$source" >/dev/null 2>&1
done

echo "-- running the Windows tests"
results="$MORVANE_WINE_DIR/results.txt"
timeout 900 "${MORVANE_WINE[@]}" "$driver" run "$(windows_path "$PWD/$tests_build/morvane.exe")" \
  "$(windows_path "$work")" "$(windows_path "$expected")" | tr -d '\r' | tee "$results"
driver_status=${PIPESTATUS[0]}
passed=$((passed + $(grep -c '^ok ' "$results")))
failed=$((failed + $(grep '^FAIL ' "$results" | cut -d: -f1 | sort -u | wc -l)))
if [ "$driver_status" -ne 0 ] && ! grep -q '^FAIL ' "$results"; then
  echo "FAIL the test driver ended with status $driver_status"
  failed=$((failed + 1))
fi

# What array_names_compile left compiles as C read in code page 932, the outputs' own. They are
# included under plain names, as the file names themselves are not code page 932 here.
check="$MORVANE_WINE_DIR/compile-check"
mkdir -p "$check"
printf 'typedef unsigned short u16;\n' >"$check/check.c"
count=0
for output in "$work/array_names_compile"/*.c; do
  [ -e "$output" ] || continue
  cp "$output" "$check/output$count.c"
  printf '#include "output%d.c"\n' "$count" >>"$check/check.c"
  count=$((count + 1))
done
if [ "$count" -gt 0 ] &&
  cc -std=c99 -Wall -Werror -fsyntax-only -finput-charset=CP932 "$check/check.c" 2>"$check/errors"; then
  echo "ok the $count outputs of array_names_compile compile"
  passed=$((passed + 1))
else
  echo "FAIL the outputs of array_names_compile do not compile ($count found):"
  cat "$check/errors" 2>/dev/null
  failed=$((failed + 1))
fi

echo "-- the console companion"
cli=$PWD/$tests_build/morvane-cli.exe
source tests/win32/console_companion.sh
finish
