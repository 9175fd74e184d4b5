#!/usr/bin/env bash
# Regenerates ad/a0000.gif, the permanent ad shipped with the program: a
# 234x32 banner (the size of the main window's ad place) in the logo's
# colours, its sound waves growing over three frames. The result is committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# frame N OUT: the logo's microphone, small and thin, with N wave arcs
# beside the slogan.
frame() {
    local draw
    ../../scripts/microphone_drawing "$1" 1 'roundrectangle 10,6 16,20 3,3' \
        'arc 7,12 19,24 0,180' 20 14 3 4 'line 13,24 13,27' >"$tmp/draw"
    mapfile -t draw <"$tmp/draw"
    convert -size 234x32 xc:'#eef4fb' -fill none -stroke '#1a4480' -draw 'rectangle 0,0 233,31' \
        "${draw[@]}" -stroke none -fill '#1a4480' -font DejaVu-Sans-Bold -pointsize 12 \
        -annotate +42+20 'MurmelMail: say it, send it' "$2"
}

for n in 0 1 2 3; do frame "$n" "$tmp/f$n.png"; done
mkdir -p ad
convert -delay 40 -loop 0 "$tmp/f0.png" "$tmp/f1.png" "$tmp/f2.png" "$tmp/f3.png" \
    -delay 200 "$tmp/f3.png" -layers Optimize -colors 32 ad/a0000.gif
