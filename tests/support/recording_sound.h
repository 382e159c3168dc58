// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the sound server while it lives: records the name of every sound played, so tests
// can say which sounds an event plays. A name with no embedded sound behind it is recorded as
// "missing:<name>", so a misspelt name fails the comparison that would have passed.
#pragma once

#include "toolkit/ui/sound.h"

#include <QFile>
#include <QStringList>

namespace testing {

class RecordingSound : public tk::SoundOutput {
public:
    RecordingSound() : previous_(tk::SetSoundOutput(this)) {}
    ~RecordingSound() override { tk::SetSoundOutput(previous_); }
    RecordingSound(const RecordingSound&) = delete;
    RecordingSound& operator=(const RecordingSound&) = delete;

    void Play(const QString& name) override {
        const bool embedded = QFile::exists(QStringLiteral(":/sounds/") + name + QStringLiteral(".wav"));
        played << (embedded ? name : QStringLiteral("missing:") + name);
    }
    QStringList played;

private:
    tk::SoundOutput* previous_;
};

} // namespace testing
