// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/sound_feed.h"

#include <QtEndian>

#include <algorithm>
#include <utility>

namespace tk {

void SoundFeed::Add(const QString& name, Samples samples) {
    clips_.insert(name, std::move(samples));
}

void SoundFeed::Start(const QString& name) {
    const auto clip = clips_.constFind(name);
    if (clip == clips_.constEnd())
        return;
    const auto voice =
        std::find_if(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.clip == &*clip; });
    if (voice == voices_.end())
        voices_.push_back({&*clip, 0});
    else
        voice->at = 0;
}

void SoundFeed::TopUp(SoundStream& stream) {
    qsizetype room = stream.BytesFree() & ~qsizetype{1};
    const qsizetype target = stream.TargetBytes();
    if (target > 0 && room > target) {
        stream.Write(QByteArray((room - target) & ~qsizetype{1}, '\0'));
        room = target;
    }
    if (room > 0)
        stream.Write(Next(room));
}

QByteArray SoundFeed::Next(qsizetype bytes) {
    const auto count = static_cast<std::size_t>(bytes / 2);
    mix_.assign(count, 0);
    for (Voice& voice : voices_) {
        const std::size_t n = std::min(count, voice.clip->size() - voice.at);
        for (std::size_t i = 0; i < n; ++i)
            mix_[i] += (*voice.clip)[voice.at + i];
        voice.at += n;
    }
    std::erase_if(voices_, [](const Voice& v) { return v.at == v.clip->size(); });
    QByteArray out(static_cast<qsizetype>(count * 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < count; ++i)
        qToLittleEndian(static_cast<qint16>(std::clamp(mix_[i], -32768, 32767)), out.data() + 2 * i);
    return out;
}

} // namespace tk
