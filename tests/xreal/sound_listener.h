// SPDX-License-Identifier: GPL-3.0-or-later
// Listens to what the programs play: records the sound server's null sink through its monitor
// (parec, from pulseaudio-utils) and says when sound was heard, on the same clock as the clicks.
// With XREAL_RECORDING=<file> it leaves the whole recording there.
#pragma once

#include "x_session.h"

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace xreal {

// A stretch of time with sound above the noise floor, gaps shorter than kSoundGap closed. `from`
// and `to` are on the recording's own timeline; `arrived` is when its first sample reached us, which
// is never before it was played (the null sink hands samples to its monitor up to its latency early).
struct Heard {
    Clock::time_point from, to, arrived;
    double Millis() const { return xreal::Millis(to - from).count(); }
};

class SoundListener {
public:
    // Starts recording the default sink's monitor of the server in $PULSE_SERVER.
    SoundListener();
    ~SoundListener();
    SoundListener(const SoundListener&) = delete;
    SoundListener& operator=(const SoundListener&) = delete;

    // Waits until the recording runs, then listens to `quiet` of it for the noise floor.
    void WaitReady(Clock::duration timeout, Clock::duration quiet);
    // The level a sample must pass to count as sound: the noise floor with a margin.
    int Threshold() const { return threshold_; }

    // When the first sound in [from, from + within] reached us; waits until the recording has
    // reached the end.
    std::optional<Clock::time_point> FirstSoundAfter(Clock::time_point from, Clock::duration within);
    // Every sound heard in [from, to]; waits until the recording has reached `to`.
    std::vector<Heard> HeardBetween(Clock::time_point from, Clock::time_point to);
    // Waits until no sound has been heard for `quiet`.
    void WaitQuiet(Clock::duration quiet, Clock::duration timeout);

private:
    void Read();
    void WaitCovered(Clock::time_point until);
    Clock::time_point TimeOf(std::size_t sample) const; // with mutex_ held

    pid_t pid_ = -1;
    int pipe_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    std::vector<std::pair<std::size_t, Clock::time_point>> arrivals_; // samples so far, and when
    // Sample 0's time: the earliest arrival less the samples before it, so a chunk read late by a
    // busy machine does not move the clock.
    std::optional<Clock::time_point> origin_;
    bool ended_ = false;
    int threshold_ = 0;
};

} // namespace xreal
