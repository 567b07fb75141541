# What the shell test parts share: counting checks, the line "N passed, N failed" that ends a
# part, skipping a part, building a preset, and the paths and texts several parts use. Sourced
# from the repository's top directory.
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

# skip WHY...: ends the part as skipped, saying why (the Debian packages it needs).
skip() {
  echo "skipped: $*"
  exit 0
}

# Configures and builds CMakePresets.json's preset $1, with the remaining arguments for the
# build; false, with the log shown, when either fails.
build_preset() {
  local preset=$1 log
  shift
  log=$(mktemp)
  cmake --preset "$preset" >"$log" 2>&1 && cmake --build --preset "$preset" "$@" >>"$log" 2>&1
  local status=$?
  [ "$status" -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return "$status"
}

# A Windows path for a Unix one: Wine's drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Writes the README's Makefile rule, as a user copies it, to file $1.
readme_makefile() { sed -n '/^```make$/,/^```$/{/^```/d;p}' README.md >"$1"; }
