#!/usr/bin/env bash
# Regenerates the microphone pictures with ImageMagick: logo.gif (a small
# animated logo: a microphone sending sound waves), the program icons, and
# ad/a0000.gif, the permanent ad shipped with the program: a 234x32 banner
# (the size of the main window's ad place) in the logo's colours, its sound
# waves growing over three frames. The results are committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# microphone WAVES WIDTH BODY CRADLE CENTRE_X CENTRE_Y FIRST_RADIUS STEP [STAND...]
# sets draw to the microphone with WAVES sound waves. BODY, CRADLE and every
# STAND are -draw primitives. The body's outline is one pixel; the cradle,
# the stand and the waves are WIDTH wide. Wave N is an arc of radius
# FIRST_RADIUS + N * STEP around the centre.
microphone() {
    local waves=$1 width=$2 body=$3 cradle=$4 cx=$5 cy=$6 first=$7 step=$8
    shift 8
    draw=(-fill '#2b6cb0' -stroke '#1a4480' -strokewidth 1 -draw "$body"
          -fill none -stroke '#1a4480' -strokewidth "$width" -draw "$cradle")
    local stand i r
    for stand in "$@"; do
        draw+=(-draw "$stand")
    done
    for ((i = 1; i <= waves; i++)); do
        r=$((first + i * step))
        draw+=(-fill none -stroke '#e07b00' -strokewidth "$width"
               -draw "arc $((cx - r)),$((cy - r)) $((cx + r)),$((cy + r)) -40,40")
    done
}

# logo_frame N OUT: the microphone on its stand with N wave arcs.
logo_frame() {
    local draw
    microphone "$1" 2 'roundrectangle 10,10 22,32 6,6' 'arc 6,18 26,38 0,180' 28 22 6 7 \
        'line 16,38 16,44' 'line 10,44 22,44'
    convert -size 64x48 xc:white "${draw[@]}" "$2"
}

# ad_frame N OUT: the microphone, small and thin, with N wave arcs beside
# the slogan.
ad_frame() {
    local draw
    microphone "$1" 1 'roundrectangle 10,6 16,20 3,3' 'arc 7,12 19,24 0,180' 20 14 3 4 \
        'line 13,24 13,27'
    convert -size 234x32 xc:'#eef4fb' -fill none -stroke '#1a4480' -draw 'rectangle 0,0 233,31' \
        "${draw[@]}" -stroke none -fill '#1a4480' -font DejaVu-Sans-Bold -pointsize 12 \
        -annotate +42+20 'MurmelMail: say it, send it' "$2"
}

for n in 0 1 2 3; do
    logo_frame "$n" "$tmp/f$n.png"
    ad_frame "$n" "$tmp/a$n.png"
done
convert -delay 20 -loop 0 "$tmp/f0.png" "$tmp/f1.png" "$tmp/f2.png" "$tmp/f3.png" \
    -layers Optimize logo.gif

# Icons: the microphone with all waves, on a transparent ground.
mkdir -p icons
for size in 16 22 32 48 64 128; do
    convert "$tmp/f3.png" -fuzz 5% -transparent white -gravity center \
        -background none -extent 64x64 -resize "${size}x${size}" "icons/murmel-${size}.png"
done

mkdir -p ad
convert -delay 40 -loop 0 "$tmp/a0.png" "$tmp/a1.png" "$tmp/a2.png" "$tmp/a3.png" \
    -delay 200 "$tmp/a3.png" -layers Optimize -colors 32 ad/a0000.gif
