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

// Sets the identity in the environment, where the sound server's client library reads it. First
// thing in main, before the application object starts any thread that reads the environment.
void SetSoundServerIdentity(const SoundIdentity& identity);

// The real thing: every embedded sound loaded once into the sound server's player, on a thread of
// its own, so that neither loading nor playing ever waits on the server in the user-interface
// thread. With no server or no device the program is silent, with no message. Installs itself as
// the sound output while it lives; the thread starts as start-up work after the first paint
// (Application::AfterFirstPaint), and a sound asked for before then is not heard. A close never
// waits long on the server: see End.
class SystemSound : public SoundOutput {
public:
    SystemSound();
    // Stop, if End has not.
    ~SystemSound() override;
    SystemSound(const SystemSound&) = delete;
    SystemSound& operator=(const SystemSound&) = delete;

    void Play(const QString& name) override;

    // The program's last step, once its windows are closed: the stream closes and the sound thread
    // stops, waited for 50 ms at most. A server that keeps the thread longer (one that hangs in
    // its connect) does not hold up the close: the process then ends here at once, with
    // `exitStatus`. Returns `exitStatus`.
    int End(int exitStatus);

private:
    // Silence from here on, and the sound thread asked to stop; false when it did not stop in time
    // and was left running.
    bool Stop();

    bool stopped_ = false;
    struct Player;
    std::shared_ptr<Player> player_;
    SoundOutput* previous_ = nullptr;
};

} // namespace tk
