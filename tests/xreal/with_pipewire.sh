#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command beside a PipeWire sound server of its own (pipewire, wireplumber, pipewire-pulse:
# what current GNOME and KDE desktops run), in a private runtime folder with a private D-Bus
# session, one null sink as the default, and PULSE_SERVER pointing at its PulseAudio socket; the
# command can record the sink through its monitor. Stops everything afterwards. Exit 77 when no
# server can be started.
# Usage: tests/xreal/with_pipewire.sh command [arguments...]
set -euo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}
for tool in pipewire wireplumber pipewire-pulse; do
    command -v $tool >/dev/null || skip "no $tool here (Debian packages pipewire wireplumber pipewire-pulse)"
done
command -v dbus-daemon >/dev/null || skip "no dbus-daemon here (Debian package dbus)"
command -v parec >/dev/null || skip "no recorder for the sound server (Debian package pulseaudio-utils)"

work=$(mktemp -d)
chmod 700 "$work"
pids=()
cleanup() {
    # The last started first: the PulseAudio front, the session manager, the server, the buses.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Nothing of the user's: no configuration, no session or system bus, no other server.
# The servers' configuration goes to a folder of their own; the program under test gets back the
# configuration folder the caller gave it (pexeso's settings), or none of the user's.
program_config=${XDG_CONFIG_HOME:-$work/program-config}
export HOME="$work" XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
unset PULSE_SERVER PIPEWIRE_REMOTE
mkdir -p "$work/config" "$work/state"
bus() {
    dbus-daemon --session --nofork --print-address=3 --address="unix:path=$work/$1" 3>"$work/$1.address" \
        >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$work/$1.address" ] && return 0
        sleep 0.05
    done
    skip "a private D-Bus bus would not start"
}
bus session-bus
bus system-bus
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/session-bus.address")
DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$work/system-bus.address")
export DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS

# Niced, as the PulseAudio server is: the server must not take time from the program.
for server in pipewire wireplumber pipewire-pulse; do
    $server >"$work/$server.log" 2>&1 &
    pids+=($!)
    sleep 0.2
done
export PULSE_SERVER="unix:$work/pulse/native"
for _ in $(seq 200); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
done
pactl info >/dev/null 2>&1 || {
    cat "$work"/*.log >&2 || true
    skip "the PipeWire server would not start here"
}
pactl load-module module-null-sink sink_name=listen rate=44100 >/dev/null
# The session manager takes the default over in its own time, slower on a busy machine: a stream
# opened before then would go elsewhere.
for _ in $(seq 200); do
    pactl set-default-sink listen 2>/dev/null || true
    [ "$(pactl get-default-sink 2>/dev/null)" = listen ] && break
    sleep 0.05
done
[ "$(pactl get-default-sink)" = listen ] || {
    cat "$work"/*.log >&2 || true
    echo "FAIL: the null sink did not become the default" >&2
    exit 1
}
export XREAL_MONITOR=listen.monitor
status=0
XDG_CONFIG_HOME=$program_config "$@" || status=$?
exit $status
