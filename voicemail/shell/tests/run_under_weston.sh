#!/usr/bin/env bash
# Runs the given test program under a private headless Weston with Qt's
# Wayland plugin. Exit 77 (skipped) when Weston is not installed.
set -u
command -v weston >/dev/null 2>&1 || { echo "weston not installed"; exit 77; }
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
# Weston itself starts the test once it accepts clients and quits when the
# test ends, so nothing waits for its socket to appear.
{
    echo '#!/usr/bin/env bash'
    # libwayland-client and the dlopened Qt Wayland plugins keep allocations
    # until exit; the same test code runs leak-checked on the offscreen platform.
    printf 'export ASAN_OPTIONS=%q\n' "${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    # An absolute display path: the test main moves XDG_RUNTIME_DIR elsewhere.
    printf 'export WAYLAND_DISPLAY=%q QT_QPA_PLATFORM=wayland\n' "$runtime/wl-peer"
    printf 'unset WAYLAND_SOCKET\n'
    printf 'exec >%q 2>&1\n' "$runtime/test.log"
    printf '%q ' "$@"
    printf '\necho $? >%q\n' "$runtime/status"
} >"$runtime/launch"
chmod 700 "$runtime/launch"
printf '[autolaunch]\npath=%s\nwatch=true\n' "$runtime/launch" >"$runtime/weston.ini"
XDG_RUNTIME_DIR="$runtime" weston --config="$runtime/weston.ini" --backend=headless-backend.so \
    --socket=wl-peer --idle-time=0 >"$runtime/weston.log" 2>&1
cat "$runtime/test.log" 2>/dev/null
if [ ! -s "$runtime/status" ]; then
    echo "the test did not run under weston"
    cat "$runtime/weston.log"
    exit 1
fi
exit "$(cat "$runtime/status")"
