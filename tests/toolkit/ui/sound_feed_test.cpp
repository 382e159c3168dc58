// SPDX-License-Identifier: GPL-3.0-or-later
// What the sound thread writes to the server's stream: the room filled every turn, silence between
// sounds, and a sound after a late turn placed where the server reads, so it is heard whole.
#include "toolkit/ui/sound_feed.h"

#include <QTest>

#include <algorithm>

namespace {

constexpr qsizetype kTarget = 1000; // bytes the stream holds when full

// A stream as the server keeps it: the room is the target less what is written and not yet read,
// or more once reading has run on past the written end (a stream run dry). Samples written behind
// the read position are never heard; `heard` is every sample read, in order.
class ServerStream : public tk::SoundStream {
public:
    qsizetype BytesFree() const override { return kTarget - (written_ - read_); }
    qsizetype TargetBytes() const override { return kTarget; }
    void Write(const QByteArray& bytes) override {
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const qint64 at = written_ + i;
            if (at >= read_)
                pending_.push_back(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
        }
        written_ += bytes.size();
    }
    // The device reads on; past the written end it reads nothing at all.
    void Read(qsizetype bytes) {
        const qsizetype taken = std::min<qsizetype>(bytes / 2, static_cast<qsizetype>(pending_.size()));
        heard.insert(heard.end(), pending_.begin(), pending_.begin() + taken);
        pending_.erase(pending_.begin(), pending_.begin() + taken);
        read_ += bytes;
    }
    tk::Samples heard;

private:
    qint64 written_ = 0, read_ = 0;
    tk::Samples pending_;
};

tk::Samples Ramp(int length, int from) {
    tk::Samples s(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(from + i);
    return s;
}

// The sound's samples, found in what was heard: true when they are all there, in one piece.
bool HeardWhole(const tk::Samples& heard, const tk::Samples& sound) {
    return std::search(heard.begin(), heard.end(), sound.begin(), sound.end()) != heard.end();
}

} // namespace

class ToolkitSoundFeedTest : public QObject {
    Q_OBJECT

private slots:
    // Turns of the sound thread between reads of the device, early and late, some late enough for
    // the stream to run dry; the sound starts after `quietTurns` of silence.
    void soundIsHeardWhole_data() {
        QTest::addColumn<int>("readPerTurn"); // bytes the device reads between two turns
        QTest::addColumn<int>("quietTurns");
        QTest::newRow("every turn in time") << 250 << 3;
        QTest::newRow("a sound at once") << 250 << 0;
        QTest::newRow("turns late enough to run dry") << 3000 << 2;
        QTest::newRow("a sound after a long quiet of late turns") << 40000 << 5;
    }
    void soundIsHeardWhole() {
        QFETCH(int, readPerTurn);
        QFETCH(int, quietTurns);
        ServerStream stream;
        tk::SoundFeed feed;
        const tk::Samples bell = Ramp(2000, 1);
        feed.Add(QStringLiteral("bell"), bell);
        for (int turn = 0; turn < quietTurns; ++turn) {
            feed.TopUp(stream);
            stream.Read(readPerTurn);
        }
        feed.Start(QStringLiteral("bell"));
        // Enough turns for the bell and the stream's length after it, at the slowest reading.
        for (int turn = 0; turn < 40; ++turn) {
            feed.TopUp(stream);
            QCOMPARE(stream.BytesFree(), 0); // full, and never more than it holds
            stream.Read(readPerTurn);
        }
        QVERIFY(HeardWhole(stream.heard, bell));
    }

    // Between sounds the stream carries silence: it never runs dry while the program runs.
    void silenceBetweenSounds() {
        ServerStream stream;
        tk::SoundFeed feed;
        for (int turn = 0; turn < 5; ++turn) {
            feed.TopUp(stream);
            QCOMPARE(stream.BytesFree(), 0);
            stream.Read(250);
        }
        QVERIFY(std::all_of(stream.heard.begin(), stream.heard.end(), [](auto s) { return s == 0; }));
        QCOMPARE(stream.heard.size(), std::size_t{5 * 125});
    }

    // Two sounds at once are added, and clipped rather than wrapped round; a sound started again
    // plays from its start.
    void mixesAndRestarts() {
        tk::SoundFeed feed;
        feed.Add(QStringLiteral("a"), tk::Samples(4, 30000));
        feed.Add(QStringLiteral("b"), tk::Samples(2, 10000));
        feed.Start(QStringLiteral("a"));
        feed.Start(QStringLiteral("b"));
        feed.Start(QStringLiteral("none"));
        const QByteArray first = feed.Next(4);
        QCOMPARE(qint16(quint8(first[0]) | quint8(first[1]) << 8), qint16(32767));
        feed.Start(QStringLiteral("a"));
        const QByteArray rest = feed.Next(12);
        QCOMPARE(qint16(quint8(rest[6]) | quint8(rest[7]) << 8), qint16(30000));
        QCOMPARE(qint16(quint8(rest[8]) | quint8(rest[9]) << 8), qint16(0));
        QVERIFY(!feed.Playing());
    }
};

QTEST_GUILESS_MAIN(ToolkitSoundFeedTest)
#include "sound_feed_test.moc"
