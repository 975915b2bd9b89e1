#!/usr/bin/env bash
# Installs the build into a scratch prefix and packages it: the install tree
# holds what a desktop expects, the desktop entry validates, the manual page
# formats without a warning, and the .deb depends on the libraries the
# program links and carries a program that opens its window.
set -euo pipefail
build=$(cd "$1" && pwd)
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$MILL_ROOT/scripts/common.sh"
work=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/mill share/applications/mill.desktop share/man/man6/mill.6 \
  share/doc/mill/README.md; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/mill.png"
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "no ${size}px icon"
done

said=$(desktop-file-validate "$prefix/share/applications/mill.desktop" 2>&1) ||
  fail "desktop entry: $said"
[ -z "$said" ] || fail "desktop entry: $said"
said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man6/mill.6" 2>&1 >/dev/null)
[ -z "$said" ] || fail "manual page: $said"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
deb=$(echo "$work"/package/mill_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libglut3.12 libglu1-mesa libopengl0 libglx0 libstdc++6 libc6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

# The packaged program opens its window.
dpkg-deb -x "$deb" "$work/root"
start_xvfb
"$work/root/usr/bin/mill" &
mill=$!
window=$(wait_for_mill_window) || fail "the packaged program opened no window"
geometry=$(xwininfo -id "$window" | awk '/Width|Height/ {printf "%s ", $2}')
kill "$mill"
[ "$geometry" = "500 500 " ] || fail "packaged program: window '$geometry'"
echo "install tree, desktop entry, manual page and package: all good"
