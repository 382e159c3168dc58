#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates every fire game picture from the drawings in src/fire/art/drawings/: the set at the
# layout's size in src/fire/art/pictures/*.jpg, and the same drawings at twice the size in
# src/fire/art/pictures/2x/*.jpg for hi-DPI screens. Same drawings, same bytes. Needs rsvg-convert (librsvg2-bin) and cjpeg
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

for scale in 1 2; do
    out="$work/$scale"
    mkdir -p "$out"
    for house in rd vila panelak; do
        rsvg-convert -z "$scale" "$art/drawings/$house.svg" -o "$out/$house-plain.png"
        rsvg-convert -z "$scale" --stylesheet "$art/drawings/burning.css" "$art/drawings/$house.svg" \
            -o "$out/$house-burning.png"
        "$build/src/fire/art/fire_picture_maker" "$house" "$out/$house-plain.png" "$out/$house-burning.png" \
            "$out" "$scale"
    done
done

for scale in 1 2; do
    pictures="$art/pictures"
    [ "$scale" = 1 ] || pictures="$art/pictures/${scale}x"
    mkdir -p "$pictures"
    for ppm in "$work/$scale"/*.ppm; do
        name=$(basename "$ppm" .ppm)
        cjpeg -quality "$quality" -baseline -sample 1x1 -optimize -outfile "$pictures/$name.jpg" "$ppm"
    done
done
ls -R "$art/pictures"
