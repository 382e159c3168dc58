#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (in build-fuzz) and runs every *_fuzz target over its
# seed corpus in fuzz/corpus/<target>/ and then for the given number of seconds (default 30).
# A longer run is one command: tools/fuzz.sh 600 [target...]. The JPEG targets link an instrumented
# libjpeg-turbo (tools/fuzz-libjpeg.sh) when its source can be fetched. New inputs that widen coverage
# are kept in build-fuzz/corpus/<target>/; a crashing input is left in build-fuzz/artifacts/ and the
# script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
root=$PWD
out=$root/build-fuzz

if ! command -v clang++ >/dev/null; then
    echo "fuzzing needs clang++ and its libFuzzer runtime (Debian: clang libclang-rt-14-dev)" >&2
    exit 1
fi
# The JPEG targets link an instrumented libjpeg-turbo built from Debian's source when it can be had.
if libjpeg=$(tools/fuzz-libjpeg.sh "$out/libjpeg"); then
    echo "# JPEG targets: instrumented libjpeg-turbo in $libjpeg"
else
    libjpeg=""
    echo "# JPEG targets: the system's libjpeg (no instrumented copy could be built)"
fi
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPLAMKOV_FUZZ=ON \
    -DPLAMKOV_WERROR=ON -DPLAMKOV_FUZZ_LIBJPEG="$libjpeg" >/dev/null
# Every target that fuzz/CMakeLists.txt defines is built (through cmake, so a Ninja build folder
# works as well as a Makefile one), and every *_fuzz program is run.
cmake --build "$out" -j"$(nproc)" --target fuzz_targets >/dev/null
targets=$(find "$out/fuzz" -maxdepth 1 -type f -name '*_fuzz' -perm -u+x -printf '%f\n' | sort)
# Names after the time pick some of them: tools/fuzz.sh 1800 jpeg_fuzz
if [ $# -gt 1 ]; then targets="${*:2}"; fi
[ -n "$targets" ] || { echo "no fuzz targets built"; exit 1; }

# For speed: no allocation stacks in reports (rerun a crash input to see them) and a smaller quarantine.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}
mkdir -p "$out/artifacts"
for target in $targets; do
    corpus=$out/corpus/$target
    log=$out/$target.log
    mkdir -p "$corpus"
    seeds=()
    if [ -d "fuzz/corpus/$target" ]; then seeds=("$root/fuzz/corpus/$target"); fi
    echo "== $target: ${seconds} s"
    # Absolute paths: a target may change its current directory.
    status=0
    # A decode in the fuzz build stays far inside these (see jpeg.cpp); a picture that breaks them is a
    # bug. The score file target syncs files to disk, which a busy machine may stall for longer.
    limits=()
    case $target in jpeg_fuzz | card_picture_fuzz) limits=(-rss_limit_mb=160 -timeout=1) ;; esac
    "$out/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "${limits[@]}" \
        -artifact_prefix="$out/artifacts/$target-" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::number_of_executed_units|ERROR|SUMMARY|written to' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log"
        echo "$target failed (exit $status); the input is in $out/artifacts/"
        exit 1
    fi
done
