#!/usr/bin/env bash
# Runs one command on a private virtual display of its own (xvfb-run), with
# the X server's process in XVFB_PID, from its lock file.
set -u
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
# The sanitizer build's tests name libraries to preload into the test and,
# through it, into the program, and leave leaks in libraries to lsan.supp.
if [ -n "${MILL_SANITIZER_PRELOAD:-}" ]; then
  export LSAN_OPTIONS="suppressions=$MILL_ROOT/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
# xvfb-run fails where the X server has gone before it, as one case takes
# it away: the command's own status is the one that counts.
status=$(mktemp)
trap 'rm -f "$status"' EXIT
xvfb-run -a -s "$MILL_XVFB" sh -c 'export XVFB_PID=$(tr -d " " <"/tmp/.X${DISPLAY#:}-lock")
  [ -z "${MILL_SANITIZER_PRELOAD:-}" ] || export LD_PRELOAD="$MILL_SANITIZER_PRELOAD"
  "$@"; echo $? >"$0"' "$status" "$@"
said=$(cat "$status") && exit "${said:-1}"
