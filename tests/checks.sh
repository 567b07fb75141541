# Sourced by the test scripts that count their own checks: check runs one and says ok or FAIL,
# finish ends the script with "N passed, N failed" and fails if any check did.

passed=0
failed=0

# check WHAT COMMAND...: runs the command; its status is the check's outcome.
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok $what"
    passed=$((passed + 1))
  else
    echo "FAIL $what"
    failed=$((failed + 1))
  fi
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
