#!/usr/bin/env bash
# Runs the benchmark, given its arguments, on a private virtual display; with
# --page, the web page's in headless Chromium (docs/performance.md).
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

if [ "${1:-}" = --page ]; then
  shift
  ensure_packages $MILL_BROWSER_PACKAGES
  "$MILL_ROOT/scripts/build-web.sh" >/dev/null
  exec node "$MILL_ROOT/bench/page.js" "$@" "$MILL_ROOT/build-web/mill.html"
fi
ensure_packages --build-depends ""
build_mill "$MILL_ROOT/build" -DMILL_BENCHMARK=ON
trap stop_xvfb EXIT
start_xvfb
"$MILL_ROOT/build/bench/mill_bench" "$@"
