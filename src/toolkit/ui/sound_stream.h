// SPDX-License-Identifier: GPL-3.0-or-later
// The stream to the sound server, over its client library (libpulse). It is built as a module of
// its own (audio/), loaded on the sound thread once the first window is on the screen, so that
// starting the program never waits for the sound server's libraries.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace tk {

// One open stream of 16-bit mono samples. Lives and is deleted on the thread that opened it.
class SoundStream {
public:
    virtual ~SoundStream() = default;
    // Room in the server's buffer, in bytes. More than TargetBytes once the stream has run dry.
    virtual qsizetype BytesFree() const = 0;
    // What the server holds ahead of its read position when the stream is full, in bytes.
    virtual qsizetype TargetBytes() const = 0;
    virtual void Write(const QByteArray& samples) = 0;
};

// The module's one entry, by this name: opens a stream to the default output at `sampleRate`, with
// `bufferMilliseconds` held ahead of the device. Returns nullptr when there is no server or no
// device; waits as long as the server takes to answer.
using OpenSoundStream = SoundStream* (*)(int sampleRate, int bufferMilliseconds);
inline constexpr char kOpenSoundStreamName[] = "plamkov_open_sound_stream";

// The module's base name, which QLibrary completes for the platform (libplamkov_audio.so).
inline constexpr char kAudioModuleName[] = "plamkov_audio";

} // namespace tk
