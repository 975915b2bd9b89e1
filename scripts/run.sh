#!/usr/bin/env bash
# Builds the mill and runs it. With no display, runs it on a private virtual
# display and saves what the window shows as mill.png in the current folder.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

# Running needs only the program's own build dependencies, and a private X
# server when there is no display.
if [ -n "${DISPLAY:-}" ]; then
  ensure_packages $MILL_BUILD_PACKAGES
else
  ensure_packages $MILL_BUILD_PACKAGES $MILL_HEADLESS_PACKAGES
fi
# The program alone, in a folder of its own, without warnings as errors,
# whatever the other commands have built.
build_mill "$MILL_ROOT/build-run" -DBUILD_TESTING=OFF -DMILL_BENCHMARK=OFF \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF
mill="$MILL_ROOT/build-run/mill"

if [ -n "${DISPLAY:-}" ]; then
  exec "$mill" "$@"
fi

rm -f mill.png
save_picture mill.png "$mill" "$@"
echo "No display: the window's picture is in $(pwd)/mill.png"
