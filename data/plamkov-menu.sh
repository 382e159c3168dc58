#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Started from the menu, the fire game keeps its score tables (hiscore0.dat to hiscore9.dat, in the
# current directory) in the user's data folder, $XDG_DATA_HOME/plamkov or ~/.local/share/plamkov,
# made here when missing. Started from a terminal, "plamkov" keeps them where the terminal is.
set -eu

data=${XDG_DATA_HOME:-}
case $data in
/*) ;;
*) data=${HOME:?"plamkov-menu: HOME is not set"}/.local/share ;; # a relative value is to be ignored
esac
folder=$data/plamkov
if ! mkdir -p -- "$folder" || ! cd -- "$folder"; then
    echo "plamkov-menu: cannot use the folder $folder for the score tables" >&2
    exit 1
fi
exec "$(dirname -- "$0")/plamkov" "$@"
