#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then builds and runs every test: in a normal build with warnings as
# errors, in a build with AddressSanitizer and UndefinedBehaviorSanitizer, and the fast tests again
# in a build with ThreadSanitizer. The scenarios on a real X server (label xreal, each on its own
# Xvfb) run in the normal build only: they time a real minute-long round from outside, which the
# sanitizers' slowness would only blur.
#   tools/test.sh          everything (what CI runs)
#   tools/test.sh --fast   the normal build and its fast tests only (ctest -L unit), in a minute or two
set -euo pipefail
cd "$(dirname "$0")/.."
fast=0
[ "${1:-}" = "--fast" ] && fast=1
tools/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLAMKOV_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
if [ $fast -eq 1 ]; then
    ctest --test-dir build --output-on-failure -j"$jobs" -L unit
    exit 0
fi
ctest --test-dir build --output-on-failure -j"$jobs" -LE xreal
# The real-X scenarios one display server at a time (their resource lock). A scenario that fails is
# run up to twice more: now and then a program loses its connection to its display server before its
# window is up, a fault still open (the README's real-X section); one that fails three times fails.
ctest --test-dir build --output-on-failure -j"$jobs" -L xreal --repeat until-pass:3
# The Debian package: built, installed with apt, both games started from their menu entries, removed.
tools/package-test.sh build

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPLAMKOV_WERROR=ON -DPLAMKOV_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE xreal

# ThreadSanitizer over the fast tests: any report fails its test (exit code 66), except those wholly
# inside Qt or glib that tools/tsan.supp names, each with why. Only the tests are built,
# with line tables alone for the reports' stacks, to keep this part to a few minutes.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DPLAMKOV_WERROR=ON -DPLAMKOV_TSAN=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target unit_tests
TSAN_OPTIONS="suppressions=$PWD/tools/tsan.supp second_deadlock_stack=1 history_size=4" \
    ctest --test-dir build-tsan --output-on-failure -j"$jobs" -L unit

# Every fuzz target over its seed corpus and then 30 seconds more.
tools/fuzz.sh 30
