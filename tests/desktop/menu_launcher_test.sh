#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The menu launcher starts the fire game in the user's data folder for it, made when missing, and
# passes the arguments and the exit code through. A stub "plamkov" beside the launcher prints
# where it was started.
# Usage: menu_launcher_test.sh <plamkov-menu.sh>
set -u
launcher=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home"
cp "$launcher" "$work/bin/plamkov-menu"
cat >"$work/bin/plamkov" <<'STUB'
#!/bin/sh
pwd
printf '%s\n' "$@"
exit 7
STUB
chmod +x "$work/bin/plamkov" "$work/bin/plamkov-menu"

failed=0
# name | HOME | XDG_DATA_HOME ("-" for unset) | the folder the game must start in
check() {
    name=$1
    home=$2
    xdg=$3
    expected=$4
    if [ "$xdg" = "-" ]; then
        output=$(cd / && env -u XDG_DATA_HOME HOME="$home" "$work/bin/plamkov-menu" "a b" c)
    else
        output=$(cd / && env HOME="$home" XDG_DATA_HOME="$xdg" "$work/bin/plamkov-menu" "a b" c)
    fi
    status=$?
    want=$(printf '%s\n%s\n%s' "$expected" "a b" c)
    if [ "$output" != "$want" ] || [ "$status" -ne 7 ] || [ ! -d "$expected" ]; then
        echo "FAIL $name: status $status, output:"
        echo "$output"
        failed=1
    else
        echo "PASS $name"
    fi
}

check "default folder under HOME" "$work/home" - "$work/home/.local/share/plamkov"
check "XDG_DATA_HOME" "$work/home" "$work/xdg data" "$work/xdg data/plamkov"
check "empty XDG_DATA_HOME means the default" "$work/home" "" "$work/home/.local/share/plamkov"
check "relative XDG_DATA_HOME is ignored" "$work/home" "rel" "$work/home/.local/share/plamkov"
check "existing folder is used as it is" "$work/home" "$work/xdg data" "$work/xdg data/plamkov"

# A file where the folder should be: the launcher refuses and the game does not start.
touch "$work/blocked"
mkdir -p "$work/blockhome"
if output=$(env HOME="$work/blockhome" XDG_DATA_HOME="$work/blocked" "$work/bin/plamkov-menu" 2>&1); then
    echo "FAIL a file in the folder's place: started ($output)"
    failed=1
else
    case $output in
    *"$work/blocked/plamkov"*) echo "PASS a file in the folder's place" ;;
    *) echo "FAIL a file in the folder's place: $output"; failed=1 ;;
    esac
fi
exit $failed
