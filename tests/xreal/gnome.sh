#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The GNOME scenario inside a session of with_gnome_shell.sh: both programs natively on Wayland,
# the fire game in a scratch folder, the memory game in the build folder beside its card set.
# Usage: tests/xreal/gnome.sh <build folder>
# Exit 77 means skipped, with the reason printed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
for program in plamkov pexeso; do
    [ -x "$build/$program" ] || { echo "SKIPPED: $build/$program is not built"; exit 77; }
done
[ -f "$build/znak.jpg" ] || { echo "SKIPPED: $build/znak.jpg is missing (the built-in card set)"; exit 77; }
compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null ||
    { echo "SKIPPED: no Qt Wayland platform here (Debian package qt6-wayland)"; exit 77; }
command -v python3 >/dev/null || { echo "SKIPPED: no python3 here"; exit 77; }
scratch=$(mktemp -d)
# pexeso's settings, in a configuration folder of the scenario's own: "klasická hra", the window
# whose menu, dialog and sizes the scenario knows.
config=$(mktemp -d)
trap 'rm -rf "$scratch" "$config"' EXIT
mkdir -p "$config/plamkov"
printf '%s\n' "[game]" "board=classic" >"$config/plamkov/pexeso.ini"
status=0
XDG_CONFIG_HOME=$config PLAMKOV_SCRATCH=$scratch python3 "$here/gnome_scenario.py" "$build" || status=$?
if [ $status -ne 0 ]; then
    echo "--- the shell's last words:"
    tail -n 20 "$PLAMKOV_SHELL_LOG" || true
fi
exit $status
