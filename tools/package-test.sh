#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package, installs it with apt, starts each game from its menu entry (the
# entry's Exec and Path) on an Xvfb server, checks that its window comes up in the right folder,
# closes it as a window manager's close box would, and removes the package, checking that none of
# its files is left. Needs root (or sudo), Xvfb, xdotool, dpkg-dev, libx11-dev and python3-debian.
# Usage: tools/package-test.sh [build folder]   (default: build; built as needed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
work=$(mktemp -d)
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "== package"
# Only the installed programs are built here (cpack would otherwise build every test first).
cmake -S "$root" -B "$build" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target plamkov pexeso pexeso-karty >/dev/null
rm -f "$build"/plamkov_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/plamkov_*.deb)
echo "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case $depends in *libqt6widgets6*libjpeg62-turbo* | *libjpeg62-turbo*libqt6widgets6*) ;;
*) fail "dependencies not found from the linked libraries" ;; esac
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section is not games"
# A machine-readable copyright file, which Debian's own parser takes in strict mode, naming the
# code's and the drawings' licences with their texts.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/plamkov/copyright >"$work/copyright" ||
    fail "no /usr/share/doc/plamkov/copyright in the package"
/usr/bin/python3 - "$work/copyright" <<'PY' || fail "the copyright file does not parse as the format wants"
import sys
from debian import copyright
with open(sys.argv[1], encoding="utf-8") as f:
    c = copyright.Copyright(f, strict=True)
licences = {p.license.synopsis for p in c.all_files_paragraphs()}
assert licences == {"GPL-3.0-or-later", "CC-BY-SA-4.0", "CC0-1.0"}, licences
texts = {p.license.synopsis: p.license.text for p in c.all_license_paragraphs()}
assert "Section 8" in texts["CC-BY-SA-4.0"], "the CC-BY-SA-4.0 text is not complete"
assert c.find_files_paragraph("src/memory/art/pictures/1.jpg").license.synopsis == "CC-BY-SA-4.0"
assert c.find_files_paragraph("src/fire/round_engine.cpp").license.synopsis == "GPL-3.0-or-later"
print("ok copyright file:", ", ".join(sorted(licences)))
PY
# The package's files (not its folders), as they will lie on the disk.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' >"$work/files"

echo "== install"
if dpkg-query -W -f='${Status}' plamkov 2>/dev/null | grep -q "install ok installed"; then
    echo "removing plamkov left by an earlier run"
    $sudo apt-get remove -y -qq plamkov >/dev/null
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
while read -r file; do
    [ -e "$file" ] || fail "$file was not installed"
done <"$work/files"

echo "== start from the menu entries"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
cc -std=c11 -o "$work/close_window" "$root/tools/close_window.c" -lX11
mkdir -p "$work/home"

# entry | the folder the game must run in
start_and_close() {
    local entry=/usr/share/applications/$1 folder=$2
    [ -f "$entry" ] || fail "$entry is missing"
    local name exec path pid window
    name=$(sed -n 's/^Name=//p' "$entry" | head -1)
    exec=$(sed -n 's/^Exec=//p' "$entry" | head -1 | sed 's/ *%[fFuUdDnNickvm]//g')
    path=$(sed -n 's/^Path=//p' "$entry" | head -1)
    (cd "${path:-$work/home}" && HOME="$work/home" QT_QPA_PLATFORM=xcb exec sh -c "exec $exec") &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^$name\$" | head -1) ||
        fail "$name: no window \"$name\" came up"
    [ "$(readlink "/proc/$pid/cwd")" = "$folder" ] ||
        fail "$name runs in $(readlink "/proc/$pid/cwd"), not in $folder"
    # The sound thread loads the audio module once the window is on the screen, server or none.
    for _ in $(seq 50); do
        grep -q libplamkov_audio "/proc/$pid/maps" && break
        sleep 0.1
    done
    grep -q libplamkov_audio "/proc/$pid/maps" || fail "$name: the audio module was not loaded"
    "$work/close_window" "$window" || fail "$name: cannot close the window"
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "$name still runs after its window was closed"
    wait "$pid" || fail "$name ended with exit code $?"
    echo "ok $name: window up in $folder, closed, exit code 0"
}
start_and_close cz.plamkov.Plamkov.desktop "$work/home/.local/share/plamkov"
if [ -x /usr/bin/pexeso ]; then
    start_and_close cz.plamkov.Pexeso.desktop /usr/share/plamkov/pexeso
else
    echo "skip Pexeso: the package holds no pexeso program yet"
fi

echo "== remove"
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq plamkov >/dev/null
dpkg-query -W -f='${Status}' plamkov 2>/dev/null | grep -q "install ok installed" && fail "still installed"
while read -r file; do
    [ ! -e "$file" ] || fail "$file is left after removal"
done <"$work/files"
[ ! -e /usr/share/plamkov ] || fail "/usr/share/plamkov is left after removal"
echo "ok package built, installed, both games started from the menu, removed cleanly"
