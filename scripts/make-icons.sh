#!/usr/bin/env bash
# Makes the desktop icons from the program's own picture: a square crop of
# what the window shows (default data/mill.png, as the run command saves it),
# at the usual sizes, into data/icons/<size>/mill.png. The white around the
# mill becomes transparent, so that docks, menus and taskbars show the mill on
# their own background; white enclosed by the mill stays.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
picture=${1:-$MILL_ROOT/data/mill.png}

# The square around the mill, with a narrow white margin.
crop=210x210+152+157
for size in 16 24 32 48 64 128 256; do
  mkdir -p "$MILL_ROOT/data/icons/$size"
  convert "$picture" -crop "$crop" +repage -alpha set \
    -bordercolor white -border 1 -fill none -draw 'color 0,0 floodfill' -shave 1x1 \
    -resize "${size}x${size}" -strip "PNG32:$MILL_ROOT/data/icons/$size/mill.png"
done
# The sizes the X11 window carries itself, as raw RGBA, which the build
# turns into the program's icon without an image decoder.
for size in 16 32 48; do
  convert "$MILL_ROOT/data/icons/$size/mill.png" -depth 8 "RGBA:$MILL_ROOT/data/icons/$size/mill.rgba"
done
