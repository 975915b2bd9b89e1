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
# CPU does), so the wait is long, and a wait that runs out saves nothing.
limit=300
rm -f mill.png
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; stop_xvfb; rm -rf "$work"' EXIT
start_xvfb
"$mill" "$@" &
pid=$!
window=$(wait_for_mill_window "$limit")
# Drawn: more than one colour, and the same in two looks half a second apart.
end=$((SECONDS + limit))
: >"$work/last"
while :; do
  sleep 0.5
  import -window "$window" "ppm:$work/now" 2>/dev/null || true
  if [ -s "$work/now" ] && cmp -s "$work/now" "$work/last" &&
    [ "$(identify -format %k "$work/now")" -gt 1 ]; then
    break
  fi
  kill -0 "$pid" 2>/dev/null ||
    { echo "No picture saved: the program ended before it had drawn its window" >&2 && exit 1; }
  [ $SECONDS -lt $end ] || { echo "No picture saved: after $limit seconds the Mill window" \
    "was still blank or still changing" >&2 && exit 1; }
  mv "$work/now" "$work/last"
done
convert "$work/now" mill.png
echo "No display: the window's picture is in $(pwd)/mill.png"
