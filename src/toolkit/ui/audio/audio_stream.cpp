// SPDX-License-Identifier: GPL-3.0-or-later
// The audio module: the sound server's stream through a QAudioSink the sound thread writes itself.
#include "toolkit/ui/sound_stream.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <chrono>
#include <memory>
#include <type_traits>

namespace {

class SinkStream : public tk::SoundStream {
public:
    explicit SinkStream(std::unique_ptr<QAudioSink> sink, QIODevice* device)
        : sink_(std::move(sink)), device_(device) {}
    ~SinkStream() override { sink_->stop(); }
    qsizetype BytesFree() const override { return sink_->bytesFree(); }
    // Once started, the length the server settled on rather than the one asked for.
    qsizetype TargetBytes() const override { return sink_->bufferSize(); }
    void Write(const QByteArray& samples) override { device_->write(samples); }

private:
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* device_;
};

} // namespace

extern "C" Q_DECL_EXPORT tk::SoundStream* plamkov_open_sound_stream(QObject* home, int sampleRate,
                                                                    int bufferMilliseconds) {
    // No server, or a server with no device: no stream.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    auto sink = std::make_unique<QAudioSink>(device, format, home);
    sink->setBufferSize(
        format.bytesForDuration(std::chrono::microseconds(std::chrono::milliseconds(bufferMilliseconds)).count()));
    // Written by the sound thread rather than read by Qt: Qt reads in 20 ms pieces and waits for
    // room for a whole one, which a server buffer as short as ours never has before it starts.
    QIODevice* stream = sink->start();
    if (stream == nullptr)
        return nullptr;
    return new SinkStream(std::move(sink), stream);
}
static_assert(std::is_same_v<decltype(&plamkov_open_sound_stream), tk::OpenSoundStream>);
