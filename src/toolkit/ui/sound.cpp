// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/sound.h"

#include "toolkit/ui/application.h"
#include "toolkit/ui/sound_stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

namespace tk {

namespace {

SoundOutput* theOutput = nullptr;

// The sounds are 16-bit mono PCM at this rate; the server converts for its device.
constexpr int kSampleRate = 44100;
// What the server holds ahead of the device: a sound starts within about this much of its event.
constexpr std::chrono::milliseconds kServerBuffer{20};
// How often the stream is topped up while a sound plays: a quarter of the buffer, so a late turn of
// the sound thread still finds data there. Between sounds the stream is left to run dry, so a
// silent game wakes nothing up.
constexpr std::chrono::milliseconds kTopUpInterval{5};
// Silence written after a sound before the stream is left to run dry: its last samples have gone
// through the buffer by then.
constexpr std::chrono::milliseconds kTail = 2 * kServerBuffer;

// Qt Multimedia reports a missing sound server or device with warnings on the thread that asked;
// that is the sound thread, and a child's game keeps them to itself.
std::atomic<QThread*> soundThread{nullptr};
QtMessageHandler passOn = nullptr;

void DropSoundThreadMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (QThread::currentThread() != soundThread.load())
        passOn(type, context, text);
}

// The client properties the sound server shows in its mixer, read by the server's client library
// when Qt first connects (Qt names every program "QtPulseAudio:<pid>" itself). A value the user has
// set already is left alone.
void SetServerProperties(const SoundIdentity& identity) {
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

using Samples = std::vector<qint16>;

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

// The one stream of the program: every sound playing is mixed into it, and between sounds it
// carries silence, so the mixer shows the program for as long as it runs and a sound never waits
// for a stream to be opened.
class Mixer {
public:
    void Add(const QString& name, Samples samples) { clips_.insert(name, std::move(samples)); }
    // From the start again when it is playing already: a child clicking fast hears every click.
    void Start(const QString& name) {
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
    bool Playing() const { return !voices_.empty(); }
    // The next `bytes` of the stream, as little-endian 16-bit samples.
    QByteArray Next(qsizetype bytes) {
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

private:
    struct Voice {
        const Samples* clip;
        std::size_t at;
    };
    QHash<QString, Samples> clips_;
    std::vector<Voice> voices_;
    std::vector<int> mix_;
};

} // namespace

void PlaySound(const QString& name) {
    if (theOutput != nullptr)
        theOutput->Play(name);
}

SoundOutput* SetSoundOutput(SoundOutput* output) {
    return std::exchange(theOutput, output);
}

// The audio module: beside the program in the build tree, in its own folder once installed.
OpenSoundStream LoadAudioModule(const QString& programFolder) {
    for (const QString& folder : {programFolder, programFolder + QStringLiteral("/" PLAMKOV_AUDIO_MODULE_DIR)}) {
        QLibrary module(folder + QLatin1Char('/') + QLatin1String(kAudioModuleName));
        if (auto open = reinterpret_cast<OpenSoundStream>(module.resolve(kOpenSoundStreamName)))
            return open; // the module stays loaded for the rest of the run
    }
    return nullptr;
}

// Everything below `home` lives on the sound thread and is touched only there.
struct SystemSound::Player {
    QThread thread;
    QObject* home = nullptr;
    Mixer mixer;
    std::unique_ptr<SoundStream> stream;
    QTimer* topUp = nullptr;
    std::chrono::steady_clock::time_point quietSince;

    // Starts the sound thread, which then loads the sounds and opens the stream.
    void Begin() {
        soundThread = &thread;
        passOn = qInstallMessageHandler(DropSoundThreadMessages);
        thread.setObjectName(QStringLiteral("sound"));
        home = new QObject;
        home->moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(
            home, [this, folder = QCoreApplication::applicationDirPath()] { Load(folder); }, Qt::QueuedConnection);
    }

    // No module, no server, or a server with no device: no stream, so playing does nothing at all.
    void Load(const QString& programFolder) {
        const OpenSoundStream open = LoadAudioModule(programFolder);
        if (open == nullptr)
            return;
        stream.reset(open(home, kSampleRate, static_cast<int>(kServerBuffer.count())));
        if (stream == nullptr)
            return;
        const QDir folder(QStringLiteral(":/sounds"));
        for (const QString& file : folder.entryList({QStringLiteral("*.wav")}, QDir::Files))
            mixer.Add(QFileInfo(file).completeBaseName(), ReadWave(folder.filePath(file)));
        topUp = new QTimer(home);
        topUp->setTimerType(Qt::PreciseTimer);
        topUp->setInterval(kTopUpInterval);
        QObject::connect(topUp, &QTimer::timeout, home, [this] { TopUp(); });
    }

    void Start(const QString& name) {
        if (stream == nullptr)
            return;
        mixer.Start(name);
        TopUp();
        topUp->start();
    }

    void TopUp() {
        const qsizetype room = stream->BytesFree() & ~qsizetype{1};
        if (room > 0)
            stream->Write(mixer.Next(room));
        const auto now = std::chrono::steady_clock::now();
        if (mixer.Playing())
            quietSince = now;
        else if (now - quietSince > kTail)
            topUp->stop();
    }
};

SystemSound::SystemSound(const SoundIdentity& identity) : player_(std::make_shared<Player>()) {
    SetServerProperties(identity);
    previous_ = SetSoundOutput(this);
    // Loading the sounds and reaching the server wait until the window is on the screen: nothing
    // is played before the first click.
    App().AfterFirstPaint([weak = std::weak_ptr<Player>(player_)] {
        if (const std::shared_ptr<Player> player = weak.lock())
            player->Begin();
    });
}

SystemSound::~SystemSound() {
    SetSoundOutput(previous_);
    Player* player = player_.get();
    if (player->home == nullptr)
        return;
    // The stream ends on its own thread; the thread then stops.
    QMetaObject::invokeMethod(
        player->home,
        [player] {
            player->stream.reset();
            delete player->home;
        },
        Qt::BlockingQueuedConnection);
    player->thread.quit();
    player->thread.wait();
    qInstallMessageHandler(passOn);
    soundThread = nullptr;
}

void SystemSound::Play(const QString& name) {
    Player* player = player_.get();
    if (player->home == nullptr)
        return;
    QMetaObject::invokeMethod(
        player->home, [player, name] { player->Start(name); }, Qt::QueuedConnection);
}

} // namespace tk
