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

# The picture is saved once the program has drawn it, never a window that is
# still blank: a slow renderer, a loaded machine or a first run with an empty
# shader cache can take a minute or more over the first frame (an emulated
# CPU does). So one long deadline covers the whole wait, every step checks
# that the program and its window are still there, and every look at the
# window is bounded in time (import waits for a click where the window is
# gone). A wait that fails saves nothing, and says why.
limit=300
rm -f mill.png
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; stop_xvfb || true; rm -rf "$work"' EXIT
fail() {
  echo "No picture saved: $*" >&2
  exit 1
}
start_xvfb
"$mill" "$@" &
pid=$!
end=$((SECONDS + limit))
window=""
: >"$work/last"
# Drawn: more than one colour, and the same in two looks half a second apart.
while :; do
  if ! kill -0 "$pid" 2>/dev/null; then
    status=0
    wait "$pid" || status=$?
    pid=""
    fail "the program ended with status $status"
  fi
  [ $SECONDS -lt $end ] || fail "no picture came in $((limit / 60)) minutes"
  if [ -z "$window" ]; then
    window=$(timeout 10 xwininfo -root -children 2>/dev/null | awk '/"Mill"/ {print $1; exit}') ||
      true
  elif timeout 10 import -window "$window" "ppm:$work/now" 2>/dev/null; then
    if cmp -s "$work/now" "$work/last" && [ "$(identify -format %k "$work/now")" -gt 1 ]; then
      break
    fi
    mv "$work/now" "$work/last"
  elif ! timeout 10 xwininfo -id "$window" >/dev/null 2>&1; then
    fail "the Mill window went away"
  fi
  sleep 0.5
done
convert "$work/now" mill.png
echo "No display: the window's picture is in $(pwd)/mill.png"
