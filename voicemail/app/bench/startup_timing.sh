#!/usr/bin/env bash
# Start-up timing harness: starts the built murmel RUNS times on a private X
# server and session bus and prints the time from process start to the shown
# window, as the program measures it, plus the wall time of each run.
# usage: startup_timing.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-10}
program=$(cd "$build" && pwd)/bin/murmel
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
export MURMEL_HOME="$work/home" VANTRY_REGISTRY="$work/registry" XDG_CONFIG_HOME="$work/config"
export MURMEL_REPORT_STARTUP=exit MURMEL_ALSA_DEVICE=null

run_once() {
    local start end
    start=$(date +%s%N)
    dbus-run-session -- "$program" 2>&1 | sed -n 's/^murmel: start-up \([0-9]*\) ms.*/\1/p' >"$work/ms"
    end=$(date +%s%N)
    echo "$(cat "$work/ms") $(((end - start) / 1000000))"
}

echo "run  to-window-ms  wall-ms (wall includes the private bus and the exit)"
for i in $(seq "$runs"); do
    read -r ms wall < <(run_once)
    label=$([ "$i" = 1 ] && echo "first" || echo "$i")
    printf '%-5s %-13s %s\n' "$label" "$ms" "$wall"
    [ "$i" = 1 ] || echo "$ms" >>"$work/warm"
done
sort -n "$work/warm" | awk '{a[NR]=$1} END {if (NR) printf "median of warm starts: %d ms\n", a[int((NR+1)/2)]}'
