#!/usr/bin/env bash
# .ci/run's own logic, its steps played by a stand-in make: the Debian 13 root
# beside the host's steps (it leaves a child running and holds a "mount" that
# its clean-up on SIGTERM removes, a second later) and the host's steps.
#   tests/ci/tst_ci_run.sh
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../packaging/checks.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/make" <<'STANDIN'
#!/usr/bin/env bash
echo "$*" >>"$WORK/steps"
case "$*" in
  *FRESH_DEBIAN=trixie*)
    echo $$ >>"$WORK/pids"
    touch "$WORK/mounted"
    trap 'sleep 1; rm -f "$WORK/mounted"; exit 143' TERM
    sleep 300 &
    echo $! >>"$WORK/pids"
    [ "$ROOT" = hang ] && { sleep 300 & wait $!; }
    sleep 1
    echo "root: its suite's closing line, the root's word: $ROOT"
    rm -f "$WORK/mounted"
    [ "$ROOT" = pass ] ;;
  "$HOST_FAILS") exit 2 ;;
esac
STANDIN
chmod +x "$work/make"

# ROOT: pass, fail or hang; HOST_FAILS: the host step that fails. Leaves the
# exit status in $status and the output in $work/out.
run_ci() {
  rm -f "$work/steps" "$work/pids"
  status=0
  WORK="$work" ROOT="$1" HOST_FAILS="${2-}" ZORBUNY_CI_MAKE="$work/make" ZORBUNY_CI_NATIVE= \
    timeout 60 "$here/../../.ci/run" >"$work/out" 2>&1 </dev/null || status=$?
}
none_left() {
  for pid in $(cat "$work/pids"); do ! kill -0 "$pid" 2>/dev/null || return 1; done
  [ ! -e "$work/mounted" ]
}

run_ci pass
check "all passing: CI passes" test "$status" -eq 0
check "all passing: the root's output is shown" grep -q "word: pass" "$work/out"
check "all passing: every host step ran" grep -qx "check-reproducible" "$work/steps"

run_ci fail
check "a failing root fails CI" test "$status" -ne 0
check "a failing root: its output is shown" grep -q "word: fail" "$work/out"
check "a failing root: nothing of it is left" none_left

run_ci hang memcheck
check "a failing host step fails CI" test "$status" -eq 2
check "a failing host step: the root is stopped whole and cleaned up" none_left
check "a failing host step: no later step runs" test "$(grep -c FRESH_DEBIAN=bookworm "$work/steps")" -eq 0
[ "$failures" -eq 0 ] || cat "$work/out"
finish
