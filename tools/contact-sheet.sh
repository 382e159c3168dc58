#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders contact sheets of the embedded fire game pictures, through the program's own JPEG
# loader: contact-sheets/<house>.png (the panel without fires above the panel with every hotspot
# burning) and contact-sheets/thumbnails.png; and of the memory game's card set: contact-sheets/cards.png
# (each picture at card size beside its full size) and contact-sheets/cards-board.png (the cards at 1:1).
# Usage: tools/contact-sheet.sh [output folder]   (BUILD_DIR overrides the tool's build folder)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-/tmp/plamkov-art-build}
out=${1:-$root/contact-sheets}

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target fire_contact_sheet card_contact_sheet >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/src/fire/art/fire_contact_sheet" "$out"
"$build/src/memory/art/card_contact_sheet" "$root/src/memory/art/pictures" "$out"
