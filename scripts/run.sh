#!/usr/bin/env bash
# Builds the mill alone in build-run/ and runs it; with no display, on a
# private one, saving what the window shows as mill.png in this folder.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

headless=$MILL_HEADLESS_PACKAGES
[ -z "${DISPLAY:-}" ] || headless=""
ensure_packages --build-depends nocheck $headless
build_mill "$MILL_ROOT/build-run" -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF
[ -z "${DISPLAY:-}" ] || exec "$MILL_ROOT/build-run/mill" "$@"
rm -f mill.png
save_picture mill.png "$MILL_ROOT/build-run/mill" "$@"
echo "No display: the window's picture is in $(pwd)/mill.png"
