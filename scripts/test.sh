#!/usr/bin/env bash
# Builds the mill, with warnings as errors, and runs its tests, each on a
# private virtual display (docs/tests.md); --sanitize in build-sanitize/.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

dir="$MILL_ROOT/build"
options=(-DBUILD_TESTING=ON -DMILL_BENCHMARK=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  -DMILL_TEST_TIME_SCALE="${MILL_TEST_TIME_SCALE:-1}")
[ "${1:-}" != --sanitize ] || { dir="$MILL_ROOT/build-sanitize" && options+=(-DMILL_SANITIZE=ON); }
packages="$MILL_CHECK_PACKAGES xauth"
# The Windows build and the page too, where built, under Wine and in Chromium.
exe="$MILL_ROOT/build-windows/mill.exe" page="$MILL_ROOT/build-web/mill.html"
[ -f "$exe" ] && packages="$packages $MILL_WINDOWS_PACKAGES" || exe=""
[ -z "$exe" ] || ! wine_runs_x86_64 || packages="$packages $MILL_WINE_PACKAGES"
[ -f "$page" ] && packages="$packages $MILL_BROWSER_PACKAGES" || page=""
ensure_packages --build-depends "" $packages
build_mill "$dir" "${options[@]}" -DMILL_WINDOWS_EXE="$exe" -DMILL_WEB_PAGE="$page"
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure && status=0 || status=$?
# ctest names the cases it skipped; why, each said in its output.
awk '/: Skipped$/ { getline why } /^\[  SKIPPED \] .* ms\)$/ { print "Skipped " $4 ": " why }
  /^SKIPPED: / { print "Skipped package: " substr($0, 10) }' "$dir/Testing/Temporary/LastTest.log"
exit $status
