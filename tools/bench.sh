#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds in release mode (build-release/) and prints one "name value unit" line per figure; lines
# starting with "#" say what was measured where, or what was skipped.
#   tools/bench.sh          start-up on a real X server beside two Qt windows of the same size (a
#                           bare one, and one with a label and a button), the tick handler's cost,
#                           the memory game's deal figures when its benchmark exists, the time
#                           from a click on a fire to its first sound heard on a sound server
#                           (PulseAudio and PipeWire), and the making of cards from 23 camera
#                           photos beside djpeg's decode of them
#   tools/bench.sh --long   also a real 60-second round: its length and its tick period
set -euo pipefail
cd "$(dirname "$0")/.."

long=0
[ "${1:-}" = "--long" ] && long=1
build=build-release
startup_runs=${STARTUP_RUNS:-40}

targets=(plamkov bare_window text_window round_bench making_bench)
[ -f bench/deal_bench.cpp ] && targets+=(deal_bench)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null
# The driver needs the X client headers; without them the start-up figure is skipped below.
cmake --build "$build" -j"$(nproc)" --target xreal_driver >/dev/null 2>&1 || true

echo "# machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')," \
    "load average $(cut -d' ' -f1 /proc/loadavg)"

# Start-up: process start to the main window's MapNotify and to its first paint after it, medians of
# runs alternating the program, a bare Qt window and a Qt window with text, on one Xvfb. The window
# with text is the fair reference: a window without any never sets up fonts.
driver="$build/tests/xreal/xreal_driver"
if ! command -v Xvfb >/dev/null; then
    echo "# start-up skipped: no Xvfb (Debian package xvfb)"
elif [ ! -x "$driver" ]; then
    echo "# start-up skipped: no driver (needs libx11-dev libxtst-dev libxdamage-dev)"
else
    scratch=$(mktemp -d)
    tests/xreal/with_xvfb.sh "$driver" startup "$build/plamkov" "$build/bench/bare_window" \
        "$build/bench/text_window" "$startup_runs" "$scratch" || echo "# start-up figures failed"
    rm -rf "$scratch"
fi

# A click on a fire to the first sample above the noise floor on the monitor of a private sound
# server's null sink: the median and the worst of 50 clicks, on PulseAudio and on PipeWire.
if [ -x "$driver" ] && command -v Xvfb >/dev/null; then
    echo "# sound: from the click's release to the recorder receiving the first loud sample from the" \
        "null sink's monitor; a real device adds its own output latency"
    for server in pulse pipewire; do
        scratch=$(mktemp -d)
        # The figures' names say the server: sound_pulse_click_to_audible_median and the like.
        tests/xreal/with_xvfb.sh "tests/xreal/with_$server.sh" env XREAL_SOUND=1 \
            "$driver" sound-latency "$build/plamkov" "$scratch" "${SOUND_CLICKS:-50}" | grep -v '^ ' |
            sed "s/^sound_/sound_${server}_/" || echo "# sound latency on $server failed or skipped"
        rm -rf "$scratch"
    done
else
    echo "# sound latency skipped: needs Xvfb and the driver"
fi

QT_QPA_PLATFORM=offscreen "$build/bench/round_bench" --fast 2>/dev/null

if [ -x "$build/bench/deal_bench" ]; then
    QT_QPA_PLATFORM=offscreen "$build/bench/deal_bench" 2>/dev/null
else
    echo "# deal figures skipped: bench/deal_bench does not exist yet"
fi

# Cards from photos: a set made from 23 camera photos of 12 MP in a window of the game (and without
# one), beside the limit of decoding them, the same photos at 1/8 scale by djpeg on two processes;
# runs alternate, so both see the same load. Meanwhile a frame is asked for every 16 ms: the gaps
# between the frames painted.
if command -v djpeg >/dev/null; then
    scratch=$(mktemp -d)
    QT_QPA_PLATFORM=offscreen "$build/bench/making_bench" photos "$scratch/photos" 2>/dev/null
    reference=() made=() alone=() gaps=()
    for run in $(seq "${MAKING_RUNS:-5}"); do
        start=$(date +%s%N)
        printf '%s\n' "$scratch"/photos/*.JPG | xargs -P2 -n1 djpeg -scale 1/8 -outfile /dev/null
        reference+=($((($(date +%s%N) - start) / 1000000)))
        QT_QPA_PLATFORM=offscreen "$build/bench/making_bench" make "$scratch/photos" "$scratch/sets-$run" 1 \
            2>/dev/null >"$scratch/making"
        made+=("$(awk '/_in_window_median/ {print $2}' "$scratch/making")")
        alone+=("$(awk '/_alone_median/ {print $2}' "$scratch/making")")
        gaps+=("$(awk '/^making_frame_gap_max/ {print $2}' "$scratch/making")")
    done
    median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
    echo "making_reference_djpeg_eighth_two_processes_median $(median "${reference[@]}") ms"
    echo "making_23_photos_12mp_alone_median $(median "${alone[@]}") ms"
    echo "making_23_photos_12mp_in_window_median $(median "${made[@]}") ms"
    awk -v m="$(median "${made[@]}")" -v r="$(median "${reference[@]}")" \
        'BEGIN {printf "making_ratio_to_reference %.2f (goal at most 1.2)\n", m / r}'
    echo "making_frame_gap_max_median $(median "${gaps[@]}") ms, worst $(printf '%s\n' "${gaps[@]}" | sort -n | tail -1) ms (goal 50 ms)"
    rm -rf "$scratch"
else
    echo "# making figures skipped: no djpeg (Debian package libjpeg-turbo-progs)"
fi

if [ $long -eq 1 ]; then
    QT_QPA_PLATFORM=offscreen "$build/bench/round_bench" 2>/dev/null | grep -v '^tick_handler'
fi
