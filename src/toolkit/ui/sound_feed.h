// SPDX-License-Identifier: GPL-3.0-or-later
// What the sound thread writes to the stream: every sound playing mixed into one stream of 16-bit
// mono samples, and silence between sounds. The stream never runs dry while the program runs: a
// sound server that has run out of samples moves its read position on past what was written
// (PipeWire does), and a sound written there is never heard.
#pragma once

#include "toolkit/ui/sound_stream.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace tk {

using Samples = std::vector<std::int16_t>;

class SoundFeed {
public:
    void Add(const QString& name, Samples samples);
    // From the start again when it is playing already: a child clicking fast hears every click.
    void Start(const QString& name);
    bool Playing() const { return !voices_.empty(); }

    // Fills the stream's free room with the mix, or with silence. When a late turn finds the
    // stream run dry, the server counts the samples it went on without as room; that much silence
    // goes first, so the mix lands at the server's read position, late but whole.
    void TopUp(SoundStream& stream);

    // The next `bytes` of the mix, as little-endian 16-bit samples.
    QByteArray Next(qsizetype bytes);

private:
    struct Voice {
        const Samples* clip;
        std::size_t at;
    };
    QHash<QString, Samples> clips_;
    std::vector<Voice> voices_;
    std::vector<int> mix_;
};

} // namespace tk
