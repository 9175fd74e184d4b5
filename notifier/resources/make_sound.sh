#!/usr/bin/env bash
# Regenerates the new-mail sound corvy.wav with sox. The result is committed,
# so this only needs running when the sound is changed. Its notes are made
# like the voice-mail program's sounds.
set -euo pipefail
cd "$(dirname "$0")"
note=../../scripts/make_note

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# new mail: a bright rising fourth, struck twice
"$note" "$tmp/a.wav" 783.99 0.10
"$note" "$tmp/b.wav" 1046.50 0.32
sox "$tmp/a.wav" "$tmp/b.wav" "$tmp/a.wav" "$tmp/b.wav" corvy.wav
