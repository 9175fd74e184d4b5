#!/usr/bin/env bash
# Regenerates logo.gif (a small animated logo: a microphone sending sound
# waves) and the program icons with ImageMagick. The results are committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# frame N OUT: the microphone on its stand with N wave arcs.
frame() {
    local draw
    ../../scripts/microphone_drawing "$1" 2 'roundrectangle 10,10 22,32 6,6' \
        'arc 6,18 26,38 0,180' 28 22 6 7 'line 16,38 16,44' 'line 10,44 22,44' >"$tmp/draw"
    mapfile -t draw <"$tmp/draw"
    convert -size 64x48 xc:white "${draw[@]}" "$2"
}

for n in 0 1 2 3; do frame "$n" "$tmp/f$n.png"; done
convert -delay 20 -loop 0 "$tmp/f0.png" "$tmp/f1.png" "$tmp/f2.png" "$tmp/f3.png" \
    -layers Optimize logo.gif

# Icons: the microphone with all waves, on a transparent ground.
mkdir -p icons
for size in 16 22 32 48 64 128; do
    convert "$tmp/f3.png" -fuzz 5% -transparent white -gravity center \
        -background none -extent 64x64 -resize "${size}x${size}" "icons/murmel-${size}.png"
done
