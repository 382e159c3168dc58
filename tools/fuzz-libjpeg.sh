#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds an instrumented copy of libjpeg-turbo for the fuzz targets, so that the fuzzer's coverage
# and AddressSanitizer reach into the decoder itself rather than stopping at its entry points.
# The source is Debian's own package of the version installed (apt-get source, through a private
# list of deb-src entries made from the system's package sources), built with clang as a static
# library without SIMD (the C paths are the ones the sanitizer can see).
#   tools/fuzz-libjpeg.sh <prefix>   installs into <prefix>/include and <prefix>/lib
# Prints the prefix on success; prints why and exits 1 when the source cannot be had.
set -euo pipefail
prefix=$(realpath -m "$1")
if [ -f "$prefix/lib/libjpeg.a" ]; then
    echo "$prefix"
    exit 0
fi
work=$prefix.build
rm -rf "$work"
mkdir -p "$work/lists/partial"

# deb-src twins of the system's sources, in both of apt's formats.
sources=$work/sources.list
: >"$sources"
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && sed -n 's/^deb \(.*\)/deb-src \1/p' "$file" >>"$sources"
done
mkdir -p "$work/parts"
for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && sed 's/^Types: .*/Types: deb-src/' "$file" >"$work/parts/$(basename "$file")"
done
apt_options=(-o Dir::Etc::sourcelist="$sources" -o Dir::Etc::sourceparts="$work/parts"
    -o Dir::State::Lists="$work/lists" -o APT::Sandbox::User=root -q)
if ! apt-get "${apt_options[@]}" update >"$work/apt.log" 2>&1; then
    echo "no package index of sources could be fetched (see $work/apt.log)" >&2
    exit 1
fi
version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo 2>/dev/null || true)
cd "$work"
if ! { [ -n "$version" ] && apt-get "${apt_options[@]}" source "libjpeg-turbo=$version" >>apt.log 2>&1; } &&
    ! apt-get "${apt_options[@]}" source libjpeg-turbo >>apt.log 2>&1; then
    echo "the source of libjpeg-turbo could not be fetched (see $work/apt.log)" >&2
    exit 1
fi
source_dir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
[ -n "$source_dir" ] || { echo "the source package did not unpack (see $work/apt.log)" >&2; exit 1; }

flags="-O1 -g -fno-omit-frame-pointer -fsanitize=address,fuzzer-no-link"
cmake -S "$source_dir" -B "$work/build" -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >"$work/build.log" 2>&1
cmake --build "$work/build" -j"$(nproc)" >>"$work/build.log" 2>&1
cmake --install "$work/build" >>"$work/build.log" 2>&1
echo "$prefix"
