#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the menu icons' PNG sizes from their drawings, data/icons/hicolor/scalable/apps/*.svg, into
# data/icons/hicolor/<N>x<N>/apps/. The PNGs are committed, so building needs no drawing tools;
# run this after changing a drawing. Needs rsvg-convert (librsvg2-bin).
set -eu

icons=$(cd "$(dirname "$0")/../data/icons/hicolor" && pwd)
for svg in "$icons"/scalable/apps/*.svg; do
    name=$(basename "$svg" .svg)
    for size in 16 22 24 32 48 64 128 256; do
        mkdir -p "$icons/${size}x${size}/apps"
        rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/${size}x${size}/apps/$name.png"
    done
done
ls "$icons"/*/apps
