#!/usr/bin/env bash
# Runs one command on a private virtual display of its own.
set -u
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
start_xvfb || exit 1
# The sanitizer build's tests name libraries to preload into the test and,
# through it, into the program, and leave leaks in libraries to lsan.supp.
if [ -n "${MILL_SANITIZER_PRELOAD:-}" ]; then
  export LD_PRELOAD="$MILL_SANITIZER_PRELOAD"
  export LSAN_OPTIONS="suppressions=$MILL_ROOT/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
"$@" && status=0 || status=$?
stop_xvfb
exit $status
