#!/usr/bin/env bash
# Regenerates the navigation sounds in sounds/ with sox. The results are
# committed, so this only needs running when a sound is changed.
# Every sound is 22050 Hz, 16-bit mono, short, with soft edges.
set -euo pipefail
cd "$(dirname "$0")/sounds"
rate=(-r 22050 -c 1 -b 16)
note=../../../scripts/make_note

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# start: rising major triad
"$note" "$tmp/a.wav" 523.25 0.14
"$note" "$tmp/b.wav" 659.25 0.14
"$note" "$tmp/c.wav" 783.99 0.30
sox "$tmp/a.wav" "$tmp/b.wav" "$tmp/c.wav" start.wav

# exit: the same triad falling
sox "$tmp/c.wav" "$tmp/b.wav" "$tmp/a.wav" exit.wav trim 0 0.5 fade t 0 0.5 0.2

# click: a 12 ms tick
sox -n "${rate[@]}" click.wav synth 0.012 sine 2400 fade q 0.001 0.012 0.008 vol 0.5

# swoosh: band-passed noise sweeping up, fading in and out
sox -n "${rate[@]}" swoosh.wav synth 0.28 pinknoise \
    sinc 400-3000 fade q 0.09 0.28 0.15 vol 0.6

# ok: two quick rising notes
"$note" "$tmp/d.wav" 880 0.09
"$note" "$tmp/e.wav" 1174.66 0.20
sox "$tmp/d.wav" "$tmp/e.wav" ok.wav

# error: two low falling notes with a little grit
sox -n "${rate[@]}" "$tmp/f.wav" synth 0.16 square 311.13 fade q 0.01 0.16 0.1 vol 0.12
sox -n "${rate[@]}" "$tmp/g.wav" synth 0.26 square 233.08 fade q 0.01 0.26 0.2 vol 0.12
sox "$tmp/f.wav" "$tmp/g.wav" error.wav lowpass 1800
