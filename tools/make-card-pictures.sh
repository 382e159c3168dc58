#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the memory game's built-in card set (src/memory/art/pictures/1.jpg to 23.jpg and the
# card back znak.jpg) from the drawings in src/memory/art/drawings/. Same drawings, same bytes.
# Needs rsvg-convert (librsvg2-bin), convert (imagemagick) and cjpeg (libjpeg-turbo-progs).
# Usage: tools/make-card-pictures.sh
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
art="$root/src/memory/art"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The game reads a face by its number (1.jpg to 23.jpg) and the back as znak.jpg.
cards="
1 01-kocka
2 02-pes
3 03-krava
4 04-prase
5 05-kun
6 06-ovce
7 07-kohout
8 08-kachna
9 09-husa
10 10-kralik
11 11-mys
12 12-liska
13 13-medved
14 14-veverka
15 15-sova
16 16-jezek
17 17-jelen
18 18-zaba
19 19-snek
20 20-motyl
21 21-beruska
22 22-vcela
23 23-koza
znak 24-znak
"

# Four times the 70-pixel card, so the game's 1/4 DCT scaling decodes straight to card size.
size=280
# Black outlines beside strong colours: no chroma subsampling, or the colours bleed over the lines.
quality=90

mkdir -p "$art/pictures"
echo "$cards" | while read -r name drawing; do
    [ -n "$name" ] || continue
    rsvg-convert -w "$size" -h "$size" "$art/drawings/$drawing.svg" -o "$work/$name.png"
    convert "$work/$name.png" -background white -alpha remove -depth 8 "ppm:$work/$name.ppm"
    cjpeg -quality "$quality" -baseline -sample 1x1 -optimize -outfile "$art/pictures/$name.jpg" \
        "$work/$name.ppm"
done
ls "$art/pictures"
