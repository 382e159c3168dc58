#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh Xvfb of its own (1280x1024, 24-bit), and stops the
# server afterwards. The server picks the first free display number itself (-displayfd), so any
# number of these run side by side. Exit 77 when there is no Xvfb.
# Usage: tests/xreal/with_xvfb.sh command [arguments...]
set -euo pipefail

command -v Xvfb >/dev/null || { echo "SKIPPED: no Xvfb here (Debian package xvfb)"; exit 77; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    cat "$work/xvfb.log" >&2
    echo "FAIL: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit $status
