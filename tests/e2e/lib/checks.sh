# One line per check, and the closing count. Source this file.

CHECKS_PASSED=0
CHECKS_FAILED=0
CHECKS_SKIPPED=0

pass() {
  CHECKS_PASSED=$((CHECKS_PASSED + 1))
  echo "PASS: $*"
}

fail() {
  CHECKS_FAILED=$((CHECKS_FAILED + 1))
  echo "FAIL: $*"
}

skip() {
  CHECKS_SKIPPED=$((CHECKS_SKIPPED + 1))
  echo "SKIP: $*"
}

# check DESCRIPTION COMMAND [ARGS...]: passes when the command succeeds.
check() {
  local description=$1
  shift
  if "$@"; then pass "$description"; else fail "$description"; fi
}

# check_equal DESCRIPTION EXPECTED ACTUAL
check_equal() {
  if [ "$2" = "$3" ]; then
    pass "$1"
  else
    fail "$1 (expected '$2', got '$3')"
  fi
}

# Prints the closing line; the status is non-zero when a check failed.
finish_checks() {
  local line="$CHECKS_PASSED passed, $CHECKS_FAILED failed"
  [ "$CHECKS_SKIPPED" -gt 0 ] && line="$line, $CHECKS_SKIPPED skipped"
  echo "$line"
  [ "$CHECKS_FAILED" -eq 0 ]
}
