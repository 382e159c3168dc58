#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one real-X scenario on its own Xvfb.
# Usage: tests/xreal/run.sh fire|memory|family|photos|managed|hung-close[-sound|-pipewire][-loaded] <build folder>
# "managed" plays both games under openbox on a laptop-sized screen (1366 x 768). The -sound
# scenarios run beside a PulseAudio server of their own, the -pipewire ones beside a PipeWire
# server, and also check what is heard; the others run with no sound server at all, as on a
# machine without sound. -loaded keeps two busy processes per core running for the whole scenario.
# "hung-close" closes both programs while their sound server accepts and never answers.
# Exit 77 means skipped, with the reason printed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
scenario=$1
build=$(cd "$2" && pwd)
driver="$build/tests/xreal/xreal_driver"

# pexeso's settings, in a configuration folder of the scenario's own: "klasická hra" for the classic
# window, or the family game of the "family" scenario.
settings() {
    export XDG_CONFIG_HOME
    XDG_CONFIG_HOME=$(mktemp -d)
    mkdir -p "$XDG_CONFIG_HOME/plamkov"
    printf '%s\n' "[game]" "$@" >"$XDG_CONFIG_HOME/plamkov/pexeso.ini"
}

skip() {
    echo "SKIPPED: $*"
    exit 77
}

command -v Xvfb >/dev/null || skip "no Xvfb here (Debian package xvfb)"
[ -x "$driver" ] || skip "the driver was not built (needs libx11-dev libxtst-dev libxdamage-dev)"
busy=()
stop_load() {
    for pid in "${busy[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
case $scenario in
*-loaded)
    scenario=${scenario%-loaded}
    export XREAL_LOADED=1
    trap stop_load EXIT
    for _ in $(seq $((2 * $(nproc)))); do
        yes >/dev/null &
        busy+=($!)
    done
    ;;
esac
listen=()
case $scenario in
*-sound)
    listen=("$here/with_pulse.sh" env XREAL_SOUND=1)
    scenario=${scenario%-sound}
    ;;
*-pipewire)
    listen=("$here/with_pipewire.sh" env XREAL_SOUND=1)
    scenario=${scenario%-pipewire}
    ;;
*)
    # No sound server: not the desktop's, not one started on demand.
    export PULSE_SERVER=unix:/nonexistent
    ;;
esac
case $scenario in
fire)
    program="$build/plamkov"
    [ -x "$program" ] || skip "$program is not built"
    # A scratch folder as the current directory, as a person starts the game anywhere.
    game=$(mktemp -d)
    trap 'stop_load; rm -rf "$game"' EXIT
    status=0
    "$here/with_xvfb.sh" "${listen[@]}" "$driver" fire "$program" "$game" || status=$?
    if [ $status -ne 0 ] && [ $status -ne 77 ]; then
        echo "--- the program's output:"
        cat "$game/plamkov.log" 2>/dev/null || true
    fi
    exit $status
    ;;
memory)
    program="$build/pexeso"
    [ -x "$program" ] || skip "$program is not built yet (the memory game program)"
    [ -f "$build/znak.jpg" ] || skip "$build/znak.jpg is missing (the built-in card set)"
    # Started in the build folder, where the card set lies beside the program.
    XREAL_LOG=$(mktemp)
    export XREAL_LOG
    settings "board=classic"
    trap 'stop_load; rm -rf "$XREAL_LOG" "$XDG_CONFIG_HOME"' EXIT
    status=0
    "$here/with_xvfb.sh" "${listen[@]}" "$driver" memory "$program" "$build" || status=$?
    if [ $status -ne 0 ] && [ $status -ne 77 ]; then
        echo "--- the program's output:"
        cat "$XREAL_LOG"
    fi
    exit $status
    ;;
family)
    program="$build/pexeso"
    [ -x "$program" ] || skip "$program is not built yet (the memory game program)"
    [ -f "$build/znak.jpg" ] || skip "$build/znak.jpg is missing (the built-in card set)"
    XREAL_LOG=$(mktemp)
    export XREAL_LOG
    # First with no settings file at all, then a child against the computer.
    export XDG_CONFIG_HOME
    XDG_CONFIG_HOME=$(mktemp -d)
    trap 'stop_load; rm -rf "$XREAL_LOG" "$XDG_CONFIG_HOME"' EXIT
    status=0
    "$here/with_xvfb.sh" "$driver" family "$program" "$build" || status=$?
    rm -rf "$XDG_CONFIG_HOME"
    settings "players=1" "name1=Ája" "computer=true" "level=master" "board=12"
    [ $status -ne 0 ] || XREAL_FAMILY_COMPUTER=1 "$here/with_xvfb.sh" "$driver" family "$program" "$build" ||
        status=$?
    if [ $status -ne 0 ] && [ $status -ne 77 ]; then
        echo "--- the program's output:"
        cat "$XREAL_LOG"
    fi
    exit $status
    ;;
photos)
    program="$build/pexeso"
    [ -x "$program" ] || skip "$program is not built yet (the memory game program)"
    [ -f "$build/znak.jpg" ] || skip "$build/znak.jpg is missing (the built-in card set)"
    XREAL_LOG=$(mktemp)
    scratch=$(mktemp -d)
    export XREAL_LOG XDG_DATA_HOME="$scratch/data"
    settings "board=12"
    trap 'stop_load; rm -rf "$XREAL_LOG" "$XDG_CONFIG_HOME" "$scratch"' EXIT
    status=0
    "$here/with_xvfb.sh" "$driver" photos "$program" "$scratch" || status=$?
    if [ $status -ne 0 ] && [ $status -ne 77 ]; then
        echo "--- the program's output:"
        cat "$XREAL_LOG"
    fi
    exit $status
    ;;
managed)
    for program in plamkov pexeso; do
        [ -x "$build/$program" ] || skip "$build/$program is not built"
    done
    [ -f "$build/znak.jpg" ] || skip "$build/znak.jpg is missing (the built-in card set)"
    game=$(mktemp -d)
    XREAL_LOG=$(mktemp)
    export XREAL_LOG
    settings "board=classic"
    trap 'stop_load; rm -rf "$game" "$XREAL_LOG" "$XDG_CONFIG_HOME"' EXIT
    status=0
    XREAL_WM=openbox XREAL_SCREEN=1366x768x24 "$here/with_xvfb.sh" "$driver" managed "$build/plamkov" "$game" \
        "$build/pexeso" "$build" || status=$?
    if [ $status -ne 0 ] && [ $status -ne 77 ]; then
        echo "--- the programs' output:"
        cat "$game/plamkov.log" "$XREAL_LOG" 2>/dev/null || true
    fi
    exit $status
    ;;
hung-close)
    for program in plamkov pexeso; do
        [ -x "$build/$program" ] || skip "$build/$program is not built"
    done
    game=$(mktemp -d)
    trap 'stop_load; rm -rf "$game"' EXIT
    # The driver makes the hung server itself and points PULSE_SERVER at it.
    "$here/with_xvfb.sh" "$driver" hung-close "$build/plamkov" "$game" "$build/pexeso" "$build"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
