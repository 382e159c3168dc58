// SPDX-License-Identifier: GPL-3.0-or-later
// The program's sounds: short WAV files embedded under ":/sounds/", played by name at an event.
// Until a sound output is installed, and so in every test that installs none, nothing is heard and
// no sound device is touched.
#pragma once

#include <QString>

#include <memory>

namespace tk {

// Where PlaySound sends a sound: the desktop's sound server, or a test's recorder.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void Play(const QString& name) = 0;
};

// Plays ":/sounds/<name>.wav", from its start again when it is playing already. Returns at once.
void PlaySound(const QString& name);

// Sends every later sound to the output (nullptr: silence); returns the one it replaces. The
// caller keeps ownership.
SoundOutput* SetSoundOutput(SoundOutput* output);

// How the desktop's mixer names the program's sound, so that a parent can turn it down there.
struct SoundIdentity {
    QString name;     // "Plamkov"
    QString iconName; // the icon theme's name, "plamkov"
    QString id;       // the desktop entry's name without ".desktop"
};

// The real thing: every embedded sound loaded once into the sound server's player, on a thread of
// its own, so that neither loading nor playing ever waits on the server in the user-interface
// thread. With no server or no device the program is silent, with no message. Installs itself as
// the sound output while it lives; the thread starts as start-up work after the first paint
// (Application::AfterFirstPaint), and a sound asked for before then is not heard.
class SystemSound : public SoundOutput {
public:
    explicit SystemSound(const SoundIdentity& identity);
    ~SystemSound() override;
    SystemSound(const SystemSound&) = delete;
    SystemSound& operator=(const SystemSound&) = delete;

    void Play(const QString& name) override;

private:
    struct Player;
    std::shared_ptr<Player> player_;
    SoundOutput* previous_ = nullptr;
};

} // namespace tk
