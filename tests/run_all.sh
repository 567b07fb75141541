#!/usr/bin/env bash
# Builds Morvane and runs every test: the suite plain and under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded fuzz run of every converter, the Windows program under
# Wine, the GBA example in an emulator, the installed program and its packages, and a big-endian
# build under qemu-user.
# Every part runs even when one before it failed; the run ends with one line per part and
# "N passed, M failed" over the parts, and exits non-zero if any part failed. A part whose tools
# are missing says which Debian packages it needs and is skipped; with MORVANE_NO_SKIP=1, or
# CI=true, where everything is installed, a skipped part counts as failed.
set -uo pipefail
cd "$(dirname "$0")/.."
no_skip=${MORVANE_NO_SKIP:-0}
[ "${CI:-}" = true ] && no_skip=1

# Configures, builds and tests the preset $1.
test_suite() {
  local preset=$1 log
  if ! command -v cmake >/dev/null || ! command -v g++ >/dev/null || ! command -v make >/dev/null; then
    echo "skipped: the test suite needs the Debian packages cmake g++ make libgtest-dev libgmock-dev"
    return 0
  fi
  log=$(mktemp)
  cmake --preset "$preset" >"$log" 2>&1
  local status=$?
  if [ "$status" -ne 0 ] || grep -q "the tests are left out" "$log"; then
    cat "$log"
    rm -f "$log"
    [ "$status" -ne 0 ] && return "$status"
    echo "skipped: the test suite needs the Debian packages libgtest-dev libgmock-dev"
    return 0
  fi
  rm -f "$log"
  cmake --build --preset "$preset" || return
  log=$(mktemp)
  ctest --preset "$preset" -j2 --no-tests=error | tee "$log"
  status=${PIPESTATUS[0]}
  # ctest hides what a test that skipped printed: run each such test alone to show why.
  sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$log" | while read -r name; do
    ctest --preset "$preset" -R "^$name\$" -V | sed -n 's/^[0-9]*: \(skipped: .*\)/\1/p'
  done
  rm -f "$log"
  return "$status"
}

summary=()
passed=0
failed=0
# Runs one part, its output shown as it comes, and notes its outcome.
run_part() {
  local name=$1 log status outcome counts build
  shift
  echo "== $name"
  log=$(mktemp)
  "$@" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  # The part's own count, as ctest and the scripts print it.
  counts=$(grep -oE '[0-9]+%? (tests )?passed, [0-9]+ (tests )?failed( out of [0-9]+)?' "$log" | tail -n 1)
  if [ "$status" -ne 0 ]; then
    outcome=failed
  elif grep -q '^skipped: ' "$log"; then
    outcome="skipped ($(grep -m 1 '^skipped: ' "$log" | cut -c 10-))"
    [ "$no_skip" = 1 ] && { outcome="failed, for it was $outcome where nothing may be"; status=1; }
  else
    outcome=passed
  fi
  # The Windows parts name the build they ran.
  build=$(grep -m 1 '^Windows build under test: ' "$log" | cut -d' ' -f5-)
  rm -f "$log"
  [ -n "$build" ] && counts="${counts:+$counts; }$build"
  [ -n "$counts" ] && [ "${outcome%% *}" != skipped ] && outcome="$outcome ($counts)"
  summary+=("$name: $outcome")
  if [ "$status" -ne 0 ]; then
    failed=$((failed + 1))
  elif [ "${outcome%% *}" = passed ]; then
    passed=$((passed + 1))
  fi
}

run_part "test suite" test_suite default
run_part "test suite under AddressSanitizer and UndefinedBehaviorSanitizer" test_suite sanitize
run_part "fuzzing" bash tests/fuzz.sh
run_part "Windows program under Wine" bash tests/win32/run.sh
run_part "GBA example in mGBA" bash tests/gba/run.sh
run_part "installed program and packages" bash tests/package/run.sh
run_part "big-endian build under qemu-user" bash tests/big_endian.sh

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
