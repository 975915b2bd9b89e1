#!/usr/bin/env bash
# Makes data/icons/<size>/mill.png from the program's own picture (default
# data/mill.png): a square crop, the white around the mill transparent so that
# a dock shows it on its own background, the white enclosed by it kept.
set -euo pipefail
MILL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
picture=${1:-$MILL_ROOT/data/mill.png}

# The square around the mill, with a narrow white margin.
crop=210x210+152+157
for size in 16 24 32 48 64 128 256; do
  icon="$MILL_ROOT/data/icons/$size/mill.png"
  mkdir -p "$(dirname "$icon")"
  convert "$picture" -crop "$crop" +repage -alpha set \
    -bordercolor white -border 1 -fill none -draw 'color 0,0 floodfill' -shave 1x1 \
    -resize "${size}x${size}" -strip "PNG32:$icon"
  # The sizes the X11 window carries itself, also as raw RGBA, which the
  # build turns into its icon without an image decoder.
  case $size in 16 | 32 | 48) convert "$icon" -depth 8 "RGBA:${icon%.png}.rgba" ;; esac
done
