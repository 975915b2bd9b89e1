#!/usr/bin/env bash
# Runs one command on a private virtual display of its own.
set -u
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
start_xvfb || exit 1
"$@"
status=$?
stop_xvfb
exit $status
