#!/usr/bin/env bash
# Regenerates the list images of the book list and the address picker with
# ImageMagick: "checked" (a chosen row) and "none" (no usable book). The
# results are committed.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 16x16 xc:none -fill none -stroke '#2f855a' -strokewidth 2.5 \
    -draw 'polyline 3,8 7,12 13,4' icons/checked.png
convert -size 16x16 xc:none -fill none -stroke '#c05621' -strokewidth 2 \
    -draw 'circle 8,8 8,2' -draw 'line 4,4 12,12' icons/none.png
