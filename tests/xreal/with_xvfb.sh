#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command with DISPLAY set to a fresh Xvfb of its own (1280x1024, 24-bit, or XREAL_SCREEN),
# and stops the server afterwards. The server picks the first free display number itself
# (-displayfd), so any number of these run side by side. With XREAL_WM=openbox the window manager
# runs on it first. Exit 77 when there is no Xvfb (or no openbox when asked for).
# Usage: [XREAL_SCREEN=1366x768x24] [XREAL_WM=openbox] tests/xreal/with_xvfb.sh command [arguments...]
set -euo pipefail

command -v Xvfb >/dev/null || { echo "SKIPPED: no Xvfb here (Debian package xvfb)"; exit 77; }
wm=${XREAL_WM:-}
if [ -n "$wm" ] && ! command -v "$wm" >/dev/null; then
    echo "SKIPPED: no $wm here (Debian package $wm)"
    exit 77
fi

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
    if [ -n "$wm_pid" ]; then
        kill "$wm_pid" 2>/dev/null || true
        wait "$wm_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${XREAL_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
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
if [ -n "$wm" ]; then
    # A private configuration folder: the manager's defaults, whatever the user has set up.
    mkdir -p "$work/config"
    XDG_CONFIG_HOME="$work/config" "$wm" >"$work/wm.log" 2>&1 &
    wm_pid=$!
    # The manager is running once it has set its check window on the root.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        kill -0 "$wm_pid" 2>/dev/null || break
        sleep 0.05
    done
    if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
        cat "$work/wm.log" >&2
        echo "FAIL: $wm did not start" >&2
        exit 1
    fi
fi
status=0
"$@" || status=$?
exit $status
