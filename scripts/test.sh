#!/usr/bin/env bash
# Builds the mill and runs its tests, each on a private virtual display.
# With --sanitize, builds into build-sanitize with AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer and runs the same tests there.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

dir="$MILL_ROOT/build"
# The tests, and warnings as errors: our own compiler must stay quiet. A slow
# or emulated machine may give every test MILL_TEST_TIME_SCALE times as long
# before it is taken for hung.
options=(-DBUILD_TESTING=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  -DMILL_TEST_TIME_SCALE="${MILL_TEST_TIME_SCALE:-1}")
if [ "${1:-}" = "--sanitize" ]; then
  dir="$MILL_ROOT/build-sanitize"
  options+=(-DMILL_SANITIZE=ON)
fi

packages="$MILL_BUILD_PACKAGES $MILL_TEST_PACKAGES $MILL_CHECK_PACKAGES"
# When the Windows build or the web page is there, it is tested too, under
# Wine or in Chromium (the sanitizer build leaves those cases out by itself),
# with the packages that takes.
test_if_built() {
  local variable=$1 file=$2
  shift 2
  if [ -f "$file" ]; then
    options+=(-D"$variable"="$file")
    packages="$packages $*"
  else
    options+=(-D"$variable"=)
  fi
}
if [ -f "$MILL_ROOT/build-windows/mill.exe" ] && ! wine_runs_x86_64; then
  options+=(-DMILL_WINDOWS_EXE=)
else
  test_if_built MILL_WINDOWS_EXE "$MILL_ROOT/build-windows/mill.exe" $MILL_WINDOWS_PACKAGES \
    $MILL_WINE_PACKAGES
fi
test_if_built MILL_WEB_PAGE "$MILL_ROOT/build-web/mill.html" $MILL_BROWSER_PACKAGES

ensure_packages $packages
build_mill "$dir" "${options[@]}"
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure
