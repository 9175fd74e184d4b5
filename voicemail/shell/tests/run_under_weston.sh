#!/usr/bin/env bash
# Runs the given test program under a private headless Weston with Qt's
# Wayland plugin. Exit 77 (skipped) when Weston is not installed.
set -u
command -v weston >/dev/null 2>&1 || { echo "weston not installed"; exit 77; }
runtime=$(mktemp -d)
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=wl-peer \
    --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; rm -rf "$runtime"' EXIT
# The socket appears once the compositor accepts clients.
for _ in $(seq 200); do
    [ -S "$runtime/wl-peer" ] && break
    kill -0 "$weston_pid" 2>/dev/null || { cat "$runtime/weston.log"; exit 1; }
    sleep 0.05
done
[ -S "$runtime/wl-peer" ] || { echo "weston did not start"; cat "$runtime/weston.log"; exit 1; }
# libwayland-client and the dlopened Qt Wayland plugins keep allocations until
# exit; the same test code runs leak-checked on the offscreen platform.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# An absolute display path: the test main moves XDG_RUNTIME_DIR elsewhere.
XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$runtime/wl-peer" QT_QPA_PLATFORM=wayland "$@"
