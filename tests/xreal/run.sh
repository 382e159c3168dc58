#!/usr/bin/env bash
# Runs one real-X scenario on its own Xvfb (a free display chosen by the server itself).
# Usage: tests/xreal/run.sh fire|memory <build folder>
# Exit 77 means skipped, with the reason printed.
set -euo pipefail

scenario=$1
build=$(cd "$2" && pwd)
driver="$build/tests/xreal/xreal_driver"

skip() {
    echo "SKIPPED: $*"
    exit 77
}

command -v Xvfb >/dev/null || skip "no Xvfb here (Debian package xvfb)"
[ -x "$driver" ] || skip "the driver was not built (needs libx11-dev libxtst-dev libxdamage-dev)"
case $scenario in
fire)
    program="$build/plamkov"
    [ -x "$program" ] || skip "$program is not built"
    ;;
memory)
    program="$build/pexeso"
    [ -x "$program" ] || skip "$program is not built yet (the memory game program)"
    [ -f "$build/znak.jpg" ] || skip "$build/znak.jpg is missing (the built-in card set)"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# -displayfd: the server takes the first free display number and writes it to us once it listens.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
echo "Xvfb on $DISPLAY"

case $scenario in
fire)
    mkdir "$work/game"
    status=0
    "$driver" fire "$program" "$work/game" || status=$?
    [ $status -eq 0 ] || { echo "--- program output:"; cat "$work/game/plamkov.log" || true; }
    exit $status
    ;;
memory)
    # Started in the build folder, as the card set lies beside the program.
    exec "$driver" memory "$program" "$build"
    ;;
esac
