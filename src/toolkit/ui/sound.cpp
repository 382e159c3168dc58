// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/sound.h"

#include "toolkit/ui/application.h"
#include "toolkit/ui/sound_feed.h"
#include "toolkit/ui/sound_stream.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tk {

namespace {

SoundOutput* theOutput = nullptr;

// The sounds are 16-bit mono PCM at this rate; the server converts for its device.
constexpr int kSampleRate = 44100;
// What the server holds ahead of the device: a sound starts within about this much of its event,
// and the sound thread may be this late to a turn before the stream runs dry.
constexpr std::chrono::milliseconds kServerBuffer{60};
// How often the stream is topped up, sound or silence: a quarter of the buffer, so a late turn of
// the sound thread still finds samples there.
constexpr std::chrono::milliseconds kTopUpInterval = kServerBuffer / 4;
// How long a close waits for the sound thread to close its stream. A server that answers takes a
// few milliseconds; one that hangs holds the thread in its connect for half a minute, and the
// program then ends without waiting for it.
constexpr std::chrono::milliseconds kStopWait{50};

// Warnings on the sound thread (a module that would not load, a missing sound server) are no
// business of a child's: the game keeps them to itself.
std::atomic<QThread*> soundThread{nullptr};
std::atomic<QtMessageHandler> passOn{nullptr};

void DropSoundThreadMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (QThread::currentThread() != soundThread.load())
        passOn.load()(type, context, text);
}

// The samples of one of our own WAV files (16-bit mono PCM at kSampleRate); empty for anything else.
Samples ReadWave(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    bool pcm16Mono = false;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const char* body = bytes.constData() + at + 8;
        if (size > bytes.size() - at - 8)
            return {};
        if (id == "fmt " && size >= 16) {
            pcm16Mono = qFromLittleEndian<quint16>(body) == 1 && qFromLittleEndian<quint16>(body + 2) == 1 &&
                        qFromLittleEndian<quint32>(body + 4) == kSampleRate &&
                        qFromLittleEndian<quint16>(body + 14) == 16;
        } else if (id == "data" && pcm16Mono) {
            Samples samples(static_cast<std::size_t>(size / 2));
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = qFromLittleEndian<qint16>(body + 2 * i);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

} // namespace

void PlaySound(const QString& name) {
    if (theOutput != nullptr)
        theOutput->Play(name);
}

SoundOutput* SetSoundOutput(SoundOutput* output) {
    return std::exchange(theOutput, output);
}

// The client properties the sound server shows in its mixer, read by the server's client library
// when Qt first connects (Qt names every program "QtPulseAudio:<pid>" itself). A value the user has
// set already is left alone.
void SetSoundServerIdentity(const SoundIdentity& identity) {
    const std::pair<const char*, QString> properties[] = {
        {"PULSE_PROP_OVERRIDE_application.name", identity.name},
        {"PULSE_PROP_OVERRIDE_application.icon_name", identity.iconName},
        {"PULSE_PROP_OVERRIDE_application.id", identity.id},
        {"PULSE_PROP_OVERRIDE_media.role", QStringLiteral("game")},
    };
    for (const auto& [name, value] : properties) {
        if (!qEnvironmentVariableIsSet(name))
            qputenv(name, value.toUtf8());
    }
}

// The audio module: beside the program in the build tree, in its own folder once installed.
OpenSoundStream LoadAudioModule(const QString& programFolder) {
    for (const QString& folder :
         {programFolder, programFolder + QStringLiteral("/" PLAMKOV_AUDIO_MODULE_DIR)}) {
        QLibrary module(folder + QLatin1Char('/') + QLatin1String(kAudioModuleName));
        if (auto open = reinterpret_cast<OpenSoundStream>(module.resolve(kOpenSoundStreamName)))
            return open; // the module stays loaded for the rest of the run
    }
    return nullptr;
}

// `stopping` belongs to the user-interface thread; everything below `home` lives on the sound
// thread and is touched only there.
struct SystemSound::Player {
    QThread thread;
    bool stopping = false;
    QObject* home = nullptr;
    SoundFeed feed;
    std::unique_ptr<SoundStream> stream;

    // Starts the sound thread, which then loads the sounds and opens the stream.
    void Begin() {
        if (stopping)
            return;
        // The handler to pass on to is known before ours is in: another thread's message may come
        // the moment it is.
        passOn = qInstallMessageHandler(nullptr);
        soundThread = &thread;
        qInstallMessageHandler(DropSoundThreadMessages);
        thread.setObjectName(QStringLiteral("sound"));
        home = new QObject;
        home->moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(
            home, [this, folder = QCoreApplication::applicationDirPath()] { Load(folder); },
            Qt::QueuedConnection);
    }

    // No module, no server, or a server with no device: no stream, so playing does nothing at all.
    void Load(const QString& programFolder) {
        const OpenSoundStream open = LoadAudioModule(programFolder);
        if (open == nullptr)
            return;
        stream.reset(open(kSampleRate, static_cast<int>(kServerBuffer.count())));
        if (stream == nullptr)
            return;
        const QDir folder(QStringLiteral(":/sounds"));
        for (const QString& file : folder.entryList({QStringLiteral("*.wav")}, QDir::Files))
            feed.Add(QFileInfo(file).completeBaseName(), ReadWave(folder.filePath(file)));
        // Silence flows between sounds, so the stream never runs dry.
        auto* topUp = new QTimer(home);
        topUp->setTimerType(Qt::PreciseTimer);
        topUp->setInterval(kTopUpInterval);
        QObject::connect(topUp, &QTimer::timeout, home, [this] { feed.TopUp(*stream); });
        topUp->start();
        feed.TopUp(*stream);
    }

    void Start(const QString& name) {
        if (stream == nullptr)
            return;
        feed.Start(name);
        feed.TopUp(*stream);
    }

    // On the sound thread: the stream closes, then the thread's event loop ends.
    void End() {
        stream.reset();
        delete home;
        thread.quit();
    }
};

SystemSound::SystemSound() : player_(std::make_shared<Player>()) {
    previous_ = SetSoundOutput(this);
    // Loading the sounds and reaching the server wait until the window is on the screen: nothing
    // is played before the first click.
    App().AfterFirstPaint([weak = std::weak_ptr<Player>(player_)] {
        if (const std::shared_ptr<Player> player = weak.lock())
            player->Begin();
    });
}

bool SystemSound::Stop() {
    if (stopped_)
        return true;
    stopped_ = true;
    SetSoundOutput(previous_);
    Player* player = player_.get();
    player->stopping = true;
    if (player->home == nullptr)
        return true;
    QMetaObject::invokeMethod(
        player->home, [player] { player->End(); }, Qt::QueuedConnection);
    if (!player->thread.wait(QDeadlineTimer(kStopWait))) {
        // The server holds the thread: it is left as it is, with everything it uses, for the
        // little time the process has left.
        new std::shared_ptr<Player>(player_);
        return false;
    }
    qInstallMessageHandler(passOn);
    soundThread = nullptr;
    return true;
}

int SystemSound::End(int exitStatus) {
    if (!Stop()) {
        // The exit-time clean-up of Qt and of the server's library would run under the thread
        // still inside them: the process ends here instead, its windows closed already.
        std::fflush(nullptr);
        std::_Exit(exitStatus);
    }
    return exitStatus;
}

SystemSound::~SystemSound() {
    Stop();
}

void SystemSound::Play(const QString& name) {
    Player* player = player_.get();
    if (player->home == nullptr)
        return;
    QMetaObject::invokeMethod(
        player->home, [player, name] { player->Start(name); }, Qt::QueuedConnection);
}

} // namespace tk
