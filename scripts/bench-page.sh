#!/usr/bin/env bash
# Builds the web page and measures how soon it shows the mill in headless
# Chromium, against a page that draws one WebGL triangle (bench/page.js).
# Arguments go to bench/page.js: --loads=N, and other pages to measure in
# the same run (an earlier build of the page, say).
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

ensure_packages $MILL_BROWSER_PACKAGES
"$MILL_ROOT/scripts/build-web.sh" >/dev/null
node "$MILL_ROOT/bench/page.js" "$@" "$MILL_ROOT/build-web/mill.html"
