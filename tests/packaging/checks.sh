# shellcheck shell=bash
# Sourced by the checks in this folder: each check runs quietly and is counted,
# so that one failure does not hide the others; finish reports and exits.
failures=0
check() { # description, command...
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
finish() {
    echo "$failures failed"
    exit $(( failures > 0 ))
}
