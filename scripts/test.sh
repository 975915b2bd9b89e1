#!/usr/bin/env bash
# Builds the mill, with warnings as errors, and runs its tests, each on a
# private virtual display (docs/tests.md); --sanitize in build-sanitize/.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

dir="$MILL_ROOT/build"
options=(-DBUILD_TESTING=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  -DMILL_TEST_TIME_SCALE="${MILL_TEST_TIME_SCALE:-1}")
[ "${1:-}" != --sanitize ] || { dir="$MILL_ROOT/build-sanitize" && options+=(-DMILL_SANITIZE=ON); }
packages="$(build_depends tests) $MILL_CHECK_PACKAGES"
# The Windows build and the page too, where built, under Wine and in Chromium.
exe="$MILL_ROOT/build-windows/mill.exe" page="$MILL_ROOT/build-web/mill.html"
[ -f "$exe" ] && wine_runs_x86_64 && packages="$packages $MILL_WINDOWS_PACKAGES $MILL_WINE_PACKAGES" ||
  exe=""
[ -f "$page" ] && packages="$packages $MILL_BROWSER_PACKAGES" || page=""
ensure_packages $packages
build_mill "$dir" "${options[@]}" -DMILL_WINDOWS_EXE="$exe" -DMILL_WEB_PAGE="$page"
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure
