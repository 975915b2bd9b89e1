#!/usr/bin/env bash
# Builds the mill and runs its benchmark on a private virtual display.
# Arguments go to the benchmark (for instance --benchmark_repetitions=5).
# With --page, builds the web page instead and measures how soon it shows the
# mill in headless Chromium, against a page that draws one WebGL triangle;
# the arguments after it go to bench/page.js.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

if [ "${1:-}" = --page ]; then
  shift
  ensure_packages $MILL_BROWSER_PACKAGES
  "$MILL_ROOT/scripts/build-web.sh" >/dev/null
  exec node "$MILL_ROOT/bench/page.js" "$@" "$MILL_ROOT/build-web/mill.html"
fi
ensure_packages $MILL_BUILD_PACKAGES $MILL_TEST_PACKAGES
build_mill "$MILL_ROOT/build" -DMILL_BENCHMARK=ON
trap stop_xvfb EXIT
start_xvfb
"$MILL_ROOT/build/bench/mill_bench" "$@"
