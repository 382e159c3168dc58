#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a GNOME Wayland session of its own: gnome-shell headless on a virtual
# 1366 x 768 monitor, no Xwayland, with a private runtime folder, home, session bus and a stand-in
# system bus, so nothing reaches the machine's own. The shell runs in a test-only session mode whose
# one extension turns on its unsafe mode, so org.gnome.Shell.Eval answers the command's questions.
# WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS are set for the command; everything is stopped after.
# Usage: tests/xreal/with_gnome_shell.sh command [arguments...]
# Exit 77 when gnome-shell, dbus-daemon or gdbus is missing, or the shell will not start here.
set -euo pipefail

skip() {
    echo "SKIPPED: $*"
    exit 77
}
command -v gnome-shell >/dev/null || skip "no gnome-shell here (Debian package gnome-shell)"
command -v dbus-daemon >/dev/null || skip "no dbus-daemon here (Debian package dbus-daemon)"
command -v gdbus >/dev/null || skip "no gdbus here (Debian package libglib2.0-bin)"

work=$(mktemp -d)
chmod 700 "$work"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/runtime" "$work/home" "$work/share/gnome-shell/modes" "$work/share/gnome-shell/extensions/unsafe@plamkov"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
export XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
export XDG_DATA_DIRS=$work/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland GSETTINGS_BACKEND=memory
unset DISPLAY WAYLAND_DISPLAY

cat >"$work/share/gnome-shell/modes/plamkov-test.json" <<'JSON'
{ "parentMode": "user", "enabledExtensions": ["unsafe@plamkov"] }
JSON
cat >"$work/share/gnome-shell/extensions/unsafe@plamkov/metadata.json" <<'JSON'
{ "uuid": "unsafe@plamkov", "name": "Test hooks", "description": "Eval for the scenarios",
  "shell-version": ["43"] }
JSON
cat >"$work/share/gnome-shell/extensions/unsafe@plamkov/extension.js" <<'JS'
function init() {
    return {
        enable() { global.context.unsafe_mode = true; },
        disable() { global.context.unsafe_mode = false; },
    };
}
JS

# Two private buses: the session's, and a stand-in for the system bus.
bus() {
    local kind=$1
    dbus-daemon "--$kind" --nofork --print-address=3 --address="unix:path=$work/runtime/$kind-bus" \
        3>"$work/$kind.address" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$work/$kind.address" ] && return 0
        sleep 0.05
    done
    skip "dbus-daemon --$kind would not start here"
}
bus session
cat >"$work/system.conf" <<EOF2
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$work/runtime/system-bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>
EOF2
dbus-daemon --config-file="$work/system.conf" --nofork >/dev/null 2>&1 &
pids+=($!)
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/session.address")
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/runtime/system-bus

export WAYLAND_DISPLAY=plamkov-shell
gnome-shell --headless --wayland --no-x11 --virtual-monitor 1366x768 --wayland-display "$WAYLAND_DISPLAY" \
    --mode=plamkov-test >"$work/shell.log" 2>&1 &
shell_pid=$!
pids=("$shell_pid" "${pids[@]}") # the shell stops before its buses
ready=0
for _ in $(seq 300); do
    if [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] &&
        gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
            --method org.gnome.Shell.Eval 'global.context.unsafe_mode && !Main.layoutManager._startingUp' \
            2>/dev/null | grep -q "'true'"; then
        ready=1
        break
    fi
    kill -0 "$shell_pid" 2>/dev/null || break
    sleep 0.1
done
if [ $ready -ne 1 ]; then
    tail -n 30 "$work/shell.log"
    skip "gnome-shell would not start headless here (or its Eval stayed closed)"
fi
export PLAMKOV_SHELL_LOG=$work/shell.log
status=0
"$@" || status=$?
exit $status
