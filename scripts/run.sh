#!/usr/bin/env bash
# Builds the mill and runs it. With no display, runs it on a private virtual
# display and saves what the window shows as mill.png in the current folder.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages
build_mill "$MILL_ROOT/build"
mill="$MILL_ROOT/build/mill"

if [ -n "${DISPLAY:-}" ]; then
  exec "$mill" "$@"
fi

trap stop_xvfb EXIT
start_xvfb
"$mill" "$@" &
pid=$!
window=$(wait_for_mill_window)
sleep 1 # the first frame is drawn right after the window is mapped
import -window "$window" mill.png
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "No display: the window's picture is in $(pwd)/mill.png"
