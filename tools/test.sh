#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then builds and runs every test twice: in a normal build with warnings
# as errors, and in a build with AddressSanitizer and UndefinedBehaviorSanitizer. The scenarios on
# a real X server (label xreal, each on its own Xvfb) run in the normal build only: they time a real
# minute-long round from outside, which the sanitizers' slowness would only blur.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLAMKOV_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
# The Debian package: built, installed with apt, both games started from their menu entries, removed.
tools/package-test.sh build

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPLAMKOV_WERROR=ON -DPLAMKOV_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE xreal

# Every fuzz target over its seed corpus and then 30 seconds more.
tools/fuzz.sh 30
