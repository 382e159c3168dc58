#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command beside a sound server of its own: PulseAudio with one null sink (no sound card
# needed), on a private socket, with PULSE_SERVER pointing at it; the command can record the sink
# through its monitor. Stops the server afterwards. Exit 77 when no server can be started.
# Usage: tests/xreal/with_pulse.sh command [arguments...]
set -euo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}
command -v pulseaudio >/dev/null || skip "no sound server here (Debian package pulseaudio)"
command -v parec >/dev/null || skip "no recorder for the sound server (Debian package pulseaudio-utils)"

work=$(mktemp -d)
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The server's own folders, so that it finds no user's configuration, cookie or other server.
export HOME="$work" XDG_RUNTIME_DIR="$work" PULSE_RUNTIME_PATH="$work/pulse"
mkdir -p "$work/pulse"
socket="$work/pulse/native"
# -n: no default script; --system=false with root is the documented way to test as root. No
# real-time or raised priority, and niced: the server must not take time from the program, whose
# round is timed to 50 ms.
nice -n 5 pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=false --disallow-exit \
    --realtime=no --high-priority=no \
    --log-target=file:"$work/pulse.log" \
    -L "module-null-sink sink_name=listen rate=44100" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" &
server_pid=$!
export PULSE_SERVER="unix:$socket"
for _ in $(seq 200); do
    pactl info >/dev/null 2>&1 && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.05
done
if ! pactl info >/dev/null 2>&1; then
    cat "$work/pulse.log" >&2 || true
    skip "the sound server would not start here"
fi
export XREAL_MONITOR=listen.monitor
status=0
"$@" || status=$?
exit $status
