# What the shell test parts share: counting checks, and the line "N passed, N failed" that ends
# a part. Sourced from the repository's top directory.
passed=0
failed=0

# check WHAT COMMAND...: runs COMMAND and counts it passed or failed, printing "ok WHAT" or
# "FAIL WHAT".
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

# Prints the counts and ends the part, failed when any check failed.
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
