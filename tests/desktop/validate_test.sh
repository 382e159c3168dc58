#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The menu entries and AppStream descriptions pass the freedesktop validators, and every icon they
# name is there as a drawing and as a PNG of each size at that size.
# Usage: validate_test.sh <folder of the configured .desktop/.metainfo.xml> <icons/hicolor folder>
set -u
data=$1
icons=$2
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

if ! command -v desktop-file-validate >/dev/null || ! command -v appstreamcli >/dev/null; then
    echo "SKIP: desktop-file-validate or appstreamcli is not installed"
    exit 77
fi

for entry in "$data"/*/*.desktop; do
    desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
    grep -q '^Categories=Game;KidsGame;$' "$entry" || fail "$entry: categories"
    grep -q '^Name\[cs\]=' "$entry" || fail "$entry: no Czech name"
    grep -q '^Comment\[cs\]=' "$entry" || fail "$entry: no Czech comment"
    # The desktop matches a running window to its entry by the entry's name: the program's app id
    # and X11 class are that name.
    id=$(basename "$entry" .desktop)
    grep -qx "StartupWMClass=$id" "$entry" || fail "$entry: StartupWMClass is not $id"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$icons/scalable/apps/$icon.svg" ] || fail "$entry: no drawing $icon.svg"
    for size in 16 22 24 32 48 64 128 256; do
        png=$icons/${size}x${size}/apps/$icon.png
        if [ ! -f "$png" ]; then
            fail "missing $png"
            continue
        fi
        # The PNG header's width and height, big-endian at bytes 16 and 20.
        dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
        [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
    done
done
for info in "$data"/*.metainfo.xml; do
    appstreamcli validate --no-net "$info" || fail "appstreamcli validate $info"
    grep -q 'content_rating type="oars-1.1"' "$info" || fail "$info: no OARS rating"
    grep -q '<metadata_license>CC0-1.0</metadata_license>' "$info" || fail "$info: metadata licence"
    grep -q '<project_license>GPL-3.0-or-later AND CC-BY-SA-4.0</project_license>' "$info" ||
        fail "$info: project licence"
done
[ "$(ls "$data"/*/*.desktop | wc -l)" -eq 2 ] || fail "expected two menu entries"
exit $failed
