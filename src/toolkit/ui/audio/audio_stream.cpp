// SPDX-License-Identifier: GPL-3.0-or-later
// The audio module: one playback stream to the sound server through its client library, libpulse
// (PipeWire serves the same protocol through pipewire-pulse), written by the sound thread itself.
// Not through Qt Multimedia's QAudioSink: that sink drains its stream each time it runs out of
// samples, and PipeWire leaves a drained stream's read position far ahead of what was written, or
// stops asking for samples altogether; every later sound was lost. This stream is never drained.
#include "toolkit/ui/sound_stream.h"

#include <QCoreApplication>

#include <pulse/pulseaudio.h>

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cstdint>
#include <type_traits>

namespace {

// Holds the client library's loop lock, which guards the context and the stream.
class Locked {
public:
    explicit Locked(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~Locked() { pa_threaded_mainloop_unlock(loop_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

// Where the system allows it (a real-time limit, as desktops give the users of sound, or root), the
// calling thread runs ahead of busy programs at the lowest real-time priority; elsewhere it keeps
// the ordinary one. A turn of the sound thread later than the server's buffer is a gap a child
// hears, and a turn is a few microseconds of work.
bool RunAheadOfBusyPrograms(int flags) {
    sched_param lowest{};
    lowest.sched_priority = sched_get_priority_min(SCHED_FIFO);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO | flags, &lowest) == 0;
}

void Wake(pa_threaded_mainloop* loop) {
    pa_threaded_mainloop_signal(loop, 0);
}

class PulseStream : public tk::SoundStream {
public:
    PulseStream() : loop_(pa_threaded_mainloop_new()) {}
    ~PulseStream() override {
        if (loop_ == nullptr)
            return;
        {
            const Locked locked(loop_);
            if (stream_ != nullptr) {
                pa_stream_disconnect(stream_);
                pa_stream_unref(stream_);
            }
            if (context_ != nullptr) {
                pa_context_disconnect(context_);
                pa_context_unref(context_);
            }
        }
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Connects and opens the stream, waiting as long as the server takes: on the sound thread,
    // which nothing else waits for. False when there is no server or it refuses.
    bool Open(int sampleRate, std::chrono::milliseconds buffer) {
        if (loop_ == nullptr)
            return false;
        // The library's thread, which sends what is written, takes the priority from this one;
        // a server the library may start does not.
        const bool ahead = RunAheadOfBusyPrograms(0);
        if (pa_threaded_mainloop_start(loop_) < 0)
            return false;
        if (ahead)
            RunAheadOfBusyPrograms(SCHED_RESET_ON_FORK);
        const Locked locked(loop_);
        const QByteArray name = QCoreApplication::applicationName().toUtf8();
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), name.constData());
        if (context_ == nullptr)
            return false;
        pa_context_set_state_callback(
            context_, [](pa_context*, void* loop) { Wake(static_cast<pa_threaded_mainloop*>(loop)); }, loop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
            return false;
        for (pa_context_state_t state; (state = pa_context_get_state(context_)) != PA_CONTEXT_READY;) {
            if (!PA_CONTEXT_IS_GOOD(state))
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
        const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(sampleRate), 1};
        stream_ = pa_stream_new(context_, name.constData(), &sampleFormat, nullptr);
        if (stream_ == nullptr)
            return false;
        pa_stream_set_state_callback(
            stream_, [](pa_stream*, void* loop) { Wake(static_cast<pa_threaded_mainloop*>(loop)); }, loop_);
        // The target length is all the latency there is, the device's included; the rest is the
        // server's choice.
        pa_buffer_attr attributes;
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength = static_cast<std::uint32_t>(
            pa_usec_to_bytes(static_cast<pa_usec_t>(std::chrono::microseconds(buffer).count()), &sampleFormat));
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(-1);
        attributes.fragsize = static_cast<std::uint32_t>(-1);
        if (pa_stream_connect_playback(stream_, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY, nullptr,
                                       nullptr) < 0)
            return false;
        for (pa_stream_state_t state; (state = pa_stream_get_state(stream_)) != PA_STREAM_READY;) {
            if (!PA_STREAM_IS_GOOD(state))
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
        target_ = static_cast<qsizetype>(pa_stream_get_buffer_attr(stream_)->tlength);
        return true;
    }

    qsizetype BytesFree() const override {
        const Locked locked(loop_);
        const std::size_t room = pa_stream_writable_size(stream_);
        return room == static_cast<std::size_t>(-1) ? 0 : static_cast<qsizetype>(room);
    }
    qsizetype TargetBytes() const override { return target_; }
    void Write(const QByteArray& samples) override {
        const Locked locked(loop_);
        pa_stream_write(stream_, samples.constData(), static_cast<std::size_t>(samples.size()), nullptr, 0,
                        PA_SEEK_RELATIVE);
    }

private:
    pa_threaded_mainloop* loop_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    qsizetype target_ = 0;
};

} // namespace

extern "C" Q_DECL_EXPORT tk::SoundStream* plamkov_open_sound_stream(int sampleRate, int bufferMilliseconds) {
    auto* stream = new PulseStream;
    if (!stream->Open(sampleRate, std::chrono::milliseconds(bufferMilliseconds))) {
        delete stream;
        return nullptr;
    }
    return stream;
}
static_assert(std::is_same_v<decltype(&plamkov_open_sound_stream), tk::OpenSoundStream>);
