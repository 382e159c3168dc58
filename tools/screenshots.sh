#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's screenshots, docs/screenshots/*.png, from the program itself: the real windows
# offscreen, played by a script in virtual time with fixed random numbers, so the pictures are the
# same at every run and show the program as it is now. The memory game deals from the built-in set.
# Usage: tools/screenshots.sh   (BUILD_DIR overrides the build folder, default build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target plamkov_screenshots >/dev/null
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' LC_ALL=C.UTF-8 \
    "$build/tests/desktop/plamkov_screenshots" "$root/docs/screenshots" "$root/src/memory/art/pictures"
