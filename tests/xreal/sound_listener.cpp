// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_listener.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace xreal {

namespace {

constexpr int kRate = 44100;
// Sounds closer than this count as one: the quiet inside a sound is shorter.
constexpr auto kSoundGap = std::chrono::milliseconds(50);
constexpr auto kPoll = std::chrono::milliseconds(5);
constexpr auto kCoverTimeout = std::chrono::seconds(5);
// Never below -60 dBFS, whatever the floor: the monitor of a null sink is digital silence.
constexpr int kLeastThreshold = 33;

Clock::duration SamplesToDuration(std::size_t n) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(n) / kRate));
}

} // namespace

SoundListener::SoundListener() {
    int fds[2];
    if (pipe(fds) != 0)
        throw Failure("no pipe for the recorder");
    const char* monitor = std::getenv("XREAL_MONITOR");
    const std::string device = monitor != nullptr ? monitor : "@DEFAULT_MONITOR@";
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execlp("parec", "parec", "--raw", "--format=s16le", "--channels=1", "--rate=44100",
               "--latency-msec=5", ("--device=" + device).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        throw Failure("could not start parec");
    }
    pipe_ = fds[0];
    reader_ = std::thread([this] { Read(); });
}

SoundListener::~SoundListener() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (reader_.joinable())
        reader_.join();
    if (pipe_ >= 0)
        close(pipe_);
    // For a person to look at: what was heard, as raw 16-bit mono samples at 44.1 kHz.
    if (const char* keep = std::getenv("XREAL_RECORDING")) {
        if (std::FILE* file = std::fopen(keep, "wb")) {
            std::fwrite(samples_.data(), sizeof samples_[0], samples_.size(), file);
            std::fclose(file);
        }
    }
}

void SoundListener::Read() {
    std::vector<char> buffer(65536);
    std::size_t pending = 0; // a byte of a sample split between two reads
    for (;;) {
        const ssize_t got = read(pipe_, buffer.data() + pending, buffer.size() - pending);
        if (got < 0 && errno == EINTR)
            continue;
        const auto arrived = Clock::now();
        if (got <= 0)
            break;
        const std::size_t bytes = pending + static_cast<std::size_t>(got);
        const std::size_t whole = bytes / 2;
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < whole; ++i) {
            const auto lo = static_cast<unsigned char>(buffer[2 * i]);
            const auto hi = static_cast<unsigned char>(buffer[2 * i + 1]);
            samples_.push_back(static_cast<std::int16_t>(lo | (hi << 8)));
        }
        arrivals_.emplace_back(samples_.size(), arrived);
        const auto origin = arrived - SamplesToDuration(samples_.size());
        if (!origin_ || origin < *origin_)
            origin_ = origin;
        pending = bytes % 2;
        if (pending != 0)
            buffer[0] = buffer[bytes - 1];
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
}

Clock::time_point SoundListener::TimeOf(std::size_t sample) const {
    return *origin_ + SamplesToDuration(sample);
}

void SoundListener::WaitReady(Clock::duration timeout, Clock::duration quiet) {
    const auto giveUp = Clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (origin_)
                break;
            if (ended_)
                throw Failure("parec ended without recording (is the sound server there?)");
        }
        if (Clock::now() > giveUp)
            throw Failure("parec recorded nothing in time");
        std::this_thread::sleep_for(kPoll);
    }
    const auto from = Clock::now();
    WaitCovered(from + quiet);
    std::lock_guard lock(mutex_);
    int floor = 0;
    for (std::int16_t s : samples_)
        floor = std::max(floor, std::abs(int{s}));
    threshold_ = std::max(kLeastThreshold, 4 * floor);
}

void SoundListener::WaitCovered(Clock::time_point until) {
    const auto giveUp = until + kCoverTimeout;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (origin_ && TimeOf(samples_.size()) >= until)
                return;
            if (ended_)
                throw Failure("the recording stopped");
        }
        if (Clock::now() > giveUp)
            throw Failure("the recording fell behind");
        std::this_thread::sleep_for(kPoll);
    }
}

std::optional<Clock::time_point> SoundListener::FirstSoundAfter(Clock::time_point from,
                                                                Clock::duration within) {
    const auto heard = HeardBetween(from, from + within);
    if (heard.empty())
        return std::nullopt;
    return heard.front().arrived;
}

std::vector<Heard> SoundListener::HeardBetween(Clock::time_point from, Clock::time_point to) {
    WaitCovered(to);
    std::lock_guard lock(mutex_);
    const auto index = [&](Clock::time_point t) {
        const double seconds = std::chrono::duration<double>(t - *origin_).count();
        return static_cast<std::size_t>(std::clamp(seconds * kRate, 0.0, double(samples_.size())));
    };
    std::vector<Heard> heard;
    for (std::size_t i = index(from), end = index(to); i < end; ++i) {
        if (std::abs(int{samples_[i]}) <= threshold_)
            continue;
        const auto t = TimeOf(i);
        if (!heard.empty() && t - heard.back().to <= kSoundGap) {
            heard.back().to = t;
        } else {
            const auto chunk = std::upper_bound(arrivals_.begin(), arrivals_.end(), i,
                                                [](std::size_t n, const auto& a) { return n < a.first; });
            heard.push_back({t, t, chunk->second});
        }
    }
    return heard;
}

void SoundListener::WaitQuiet(Clock::duration quiet, Clock::duration timeout) {
    const auto giveUp = Clock::now() + timeout;
    while (Clock::now() < giveUp) {
        const auto now = Clock::now();
        if (HeardBetween(now - quiet, now).empty())
            return;
        std::this_thread::sleep_for(kPoll);
    }
    throw Failure("the sound never fell quiet");
}

} // namespace xreal
