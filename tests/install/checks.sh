# Shared by the install tests: `check DESCRIPTION COMMAND...` runs the command
# quietly, prints ok or FAIL and counts the failures.
failures=0
check() {
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
