#!/usr/bin/env bash
# Builds the mill and runs its tests, each on a private virtual display.
# With --sanitize, builds into build-sanitize with AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer and runs the same tests there.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"

dir="$MILL_ROOT/build"
# The tests, and warnings as errors: our own compiler must stay quiet.
options=(-DBUILD_TESTING=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir="$MILL_ROOT/build-sanitize"
  options+=(-DMILL_SANITIZE=ON)
fi

packages="$MILL_BUILD_PACKAGES $MILL_TEST_PACKAGES $MILL_CHECK_PACKAGES"
# When the Windows build or the web page is there, it is tested too, under
# Wine or in Chromium (the sanitizer build leaves those cases out by itself).
windows_exe="$MILL_ROOT/build-windows/mill.exe"
if [ -f "$windows_exe" ]; then
  options+=(-DMILL_WINDOWS_EXE="$windows_exe")
  packages="$packages $MILL_WINDOWS_PACKAGES"
else
  options+=(-DMILL_WINDOWS_EXE=)
fi

web_page="$MILL_ROOT/build-web/mill.html"
if [ -f "$web_page" ]; then
  options+=(-DMILL_WEB_PAGE="$web_page")
  packages="$packages $MILL_BROWSER_PACKAGES"
else
  options+=(-DMILL_WEB_PAGE=)
fi

ensure_packages $packages
build_mill "$dir" "${options[@]}"
ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure
