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
ensure_packages --build-depends "" $MILL_HEADLESS_PACKAGES libbenchmark-dev
build_mill "$MILL_ROOT/build" -DMILL_BENCHMARK=ON
exec xvfb-run -a -s "$MILL_XVFB" "$MILL_ROOT/build/bench/mill_bench" "$@"
