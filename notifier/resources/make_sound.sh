#!/usr/bin/env bash
# Regenerates the new-mail sound corvy.wav with sox. The result is committed,
# so this only needs running when the sound is changed. 22050 Hz, 16-bit
# mono, short, with soft edges, like the voice-mail program's sounds.
set -euo pipefail
cd "$(dirname "$0")"
rate=(-r 22050 -c 1 -b 16)

# note NAME FREQ SECONDS: one soft sine note with a quick attack and long fade.
note() {
    sox -n "${rate[@]}" "$1" synth "$3" sine "$2" sine "$(echo "$2*2" | bc)" \
        remix - fade q 0.01 "$3" "$(echo "$3*0.8" | bc)" vol 0.35
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# new mail: a bright rising fourth, struck twice
note "$tmp/a.wav" 783.99 0.10
note "$tmp/b.wav" 1046.50 0.32
sox "$tmp/a.wav" "$tmp/b.wav" "$tmp/a.wav" "$tmp/b.wav" corvy.wav
