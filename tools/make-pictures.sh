#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates every fire game picture (src/fire/art/pictures/*.jpg) from the drawings in
# src/fire/art/drawings/. Same drawings, same bytes. Needs rsvg-convert (librsvg2-bin) and cjpeg
# (libjpeg-turbo-progs), plus the project's own build requirements for the small cutting tool.
# Usage: tools/make-pictures.sh   (BUILD_DIR overrides the tool's build folder)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
art="$root/src/fire/art"
build=${BUILD_DIR:-/tmp/plamkov-art-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Outlines stay crisp: high quality and no colour subsampling; baseline so every decoder takes it.
quality=92

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target fire_picture_maker >/dev/null

for house in rd vila panelak; do
    rsvg-convert "$art/drawings/$house.svg" -o "$work/$house-plain.png"
    rsvg-convert --stylesheet "$art/drawings/burning.css" "$art/drawings/$house.svg" -o "$work/$house-burning.png"
    "$build/src/fire/art/fire_picture_maker" "$house" "$work/$house-plain.png" "$work/$house-burning.png" "$work"
done

mkdir -p "$art/pictures"
for ppm in "$work"/*.ppm; do
    name=$(basename "$ppm" .ppm)
    cjpeg -quality "$quality" -baseline -sample 1x1 -optimize -outfile "$art/pictures/$name.jpg" "$ppm"
done
ls "$art/pictures"
