#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Both programs run natively on Wayland: each is started with Qt's wayland platform on a headless
# weston of its own, and its window must come up as a toplevel with its caption and the app id
# that matches its menu entry. The compositor's own debug stream ("weston-debug scene-graph")
# tells what it holds, so the check reads the window from the server side, not from the program.
# Usage: tests/xreal/wayland.sh <build folder>
# Exit 77 means skipped (no weston, or it cannot run here), with the reason printed.
set -euo pipefail

build=$(cd "$1" && pwd)

skip() {
    echo "SKIPPED: $*"
    exit 77
}

command -v weston >/dev/null || skip "no weston here (Debian package weston)"
command -v weston-debug >/dev/null || skip "no weston-debug here (Debian package weston)"
for program in plamkov pexeso; do
    [ -x "$build/$program" ] || skip "$build/$program is not built"
done

work=$(mktemp -d)
chmod 700 "$work"
weston_pid=""
program_pid=""
cleanup() {
    for pid in $program_pid $weston_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A runtime folder and socket of our own, so scenarios and a real session never meet.
export XDG_RUNTIME_DIR=$work
export WAYLAND_DISPLAY=plamkov-test
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --debug --idle-time=0 \
    --width=1366 --height=768 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [ -S "$work/$WAYLAND_DISPLAY" ] && weston-debug -l >/dev/null 2>&1 && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
done
if ! weston-debug -l >/dev/null 2>&1; then
    tail -n 20 "$work/weston.log"
    skip "weston would not start headless here"
fi

# The toplevels the compositor holds, one line each: "PID <pid> ... top-level window '<title>' of <app id>".
toplevels() {
    timeout 5 weston-debug scene-graph 2>/dev/null | grep -o 'role xdg_toplevel, PID [0-9]*, .*' || true
}

failed=0
# program | its caption | its app id
check() {
    local program=$1 caption=$2 app_id=$3
    mkdir -p "$work/$program"
    (cd "$work/$program" && exec env QT_QPA_PLATFORM=wayland "$build/$program") >"$work/$program.log" 2>&1 &
    program_pid=$!
    local want="PID $program_pid, surface ID [0-9]*, top-level window '$caption' of $app_id,"
    local seen=""
    for _ in $(seq 100); do
        seen=$(toplevels | grep "PID $program_pid," || true)
        if printf '%s\n' "$seen" | grep -q "$want"; then
            echo "ok   $program: its window is a toplevel titled \"$caption\" with app id $app_id"
            break
        fi
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    if ! printf '%s\n' "$seen" | grep -q "$want"; then
        echo "FAIL $program: no toplevel \"$caption\" of $app_id (the compositor holds: ${seen:-nothing of it})"
        cat "$work/$program.log"
        failed=1
    fi
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

check plamkov Plamkov cz.plamkov.Plamkov
check pexeso Pexeso cz.plamkov.Pexeso
exit $failed
