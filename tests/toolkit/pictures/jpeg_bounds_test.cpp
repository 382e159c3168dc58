// SPDX-License-Identifier: GPL-3.0-or-later
// The bounds of JPEG decoding, each met by a small file of the kind that meets it at full size: the
// bounds are shrunk as far as the file is small (as the fuzz build does), and the full-sized files
// are in bench/jpeg_bench.cpp.
#include "jpeg_fixture.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/jpeg_budget.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/errors.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace fixture;

namespace {

constexpr QSize kCard(70, 70);

// Bounds changed from the defaults; 0 keeps a default.
struct Shrunk {
    std::uint64_t work = 0;
    std::uint64_t pastDataBlocks = 0;
    int markers = 0;
    std::size_t memory = 0;
    std::int64_t processorNanoseconds = 0;
};

tk::JpegBounds BoundsOf(const Shrunk& s) {
    tk::JpegBounds bounds = tk::CurrentJpegBounds();
    if (s.work != 0)
        bounds.work = s.work;
    if (s.pastDataBlocks != 0)
        bounds.pastDataBlocks = s.pastDataBlocks;
    if (s.markers != 0)
        bounds.markers = s.markers;
    if (s.memory != 0)
        bounds.memory = s.memory;
    if (s.processorNanoseconds != 0)
        bounds.processorTime = std::chrono::nanoseconds(s.processorNanoseconds);
    return bounds;
}

int ErrorCodeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const tk::EPictureError& error) {
        return error.Text().mid(QStringLiteral("JPEG error #").size()).toInt();
    }
    return 0;
}

bool GreyRow(const QImage& image, int y) {
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) != qRgb(128, 128, 128))
            return false;
    return true;
}

bool WriteFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// The bytes this process has read from files so far.
qint64 BytesReadByProcess() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar: "))
            return line.mid(7).toLongLong();
    return -1;
}

QByteArray ProgressivePhoto(int edge, unsigned seed) {
    return MakeJpeg(Fixture{.width = edge,
                            .height = edge,
                            .progressive = true,
                            .content = Content::Photo,
                            .sampling = {{1, 1}, {1, 1}, {1, 1}},
                            .seed = seed});
}

} // namespace

Q_DECLARE_METATYPE(Shrunk)

class JpegBoundsTest : public QObject {
    Q_OBJECT

private slots:
    void eachKindOfFileMeetsItsBound_data();
    void eachKindOfFileMeetsItsBound();
    void fileIsReadAChunkAtATime();
    void decodesTakeTurnsWithinOneBudget();
    void aDealStaysWithinOneBudget();
};

void JpegBoundsTest::eachKindOfFileMeetsItsBound_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<Shrunk>("bounds");
    QTest::addColumn<int>("code");     // 0 when the file decodes
    QTest::addColumn<bool>("greyEnd"); // decoding stopped where the data ran out: the last rows are grey
    const int tooBig = JERR_IMAGE_TOO_BIG;
    const QByteArray tem("\xFF\x01", 2);
    const QByteArray comment("\xFF\xFE\x00\x02", 4);
    const QByteArray baseline = MakeJpeg(Fixture{.width = 64, .height = 64});
    const QByteArray progressive = MakeJpeg(Fixture{.width = 64, .height = 64, .progressive = true});
    const qsizetype frame = FrameMarker(baseline);
    const qsizetype end = baseline.size() - 2;
    const qsizetype secondScan = NthMarker(progressive, 0xDA, 2);

    // Trained arithmetic data that ends early: the decoder would go on for 32 times the rows it was
    // given, at its dearest. It stops where its data ran out and shows what it has.
    const Shrunk pastData{.pastDataBlocks = 2048};
    QTest::newRow("trained grayscale claiming 32 times its rows")
        << TrainedArithmeticClaim(256, 64, 2048) << pastData << 0 << true;
    QTest::newRow("trained RGB 4:4:4 claiming 32 times its rows")
        << TrainedArithmeticClaim(512, 64, 2048, Kind::Rgb) << pastData << 0 << true;
    QTest::newRow("trained grayscale, the work bound first")
        << TrainedArithmeticClaim(256, 64, 2048) << Shrunk{.work = 40'000'000, .pastDataBlocks = 1'000'000}
        << 0 << true;
    QTest::newRow("trained grayscale within the bounds decodes whole")
        << TrainedArithmeticClaim(256, 64, 64) << pastData << 0 << false;
    // Markers without data are parsed by the thousand a millisecond, but millions fit in a file.
    const Shrunk markers{.markers = 1000};
    QTest::newRow("TEM markers before the frame")
        << WithInserted(baseline, frame, tem, 2000) << markers << tooBig << false;
    QTest::newRow("a few TEM markers before the frame")
        << WithInserted(baseline, frame, tem, 200) << markers << 0 << false;
    QTest::newRow("comments before the frame")
        << WithInserted(baseline, frame, comment, 2000) << markers << tooBig << false;
    QTest::newRow("comments between progressive scans")
        << WithInserted(progressive, secondScan, comment, 2000) << markers << tooBig << false;
    QTest::newRow("TEM markers after the last scan are never read")
        << WithInserted(baseline, end, tem, 1'000'000) << markers << 0 << false;
    // A warning is no marker: a photo with 12,288 damaged restart intervals has a warning for each
    // and decodes in milliseconds. A flood of warnings (a resynchronisation over each of a million
    // markers of an earlier interval) is charged as work; it waits at a marker, so the decode stops
    // there and shows what it has.
    const QByteArray damaged = WithDamagedRestartIntervals(MakeJpeg(Fixture{
        .width = 2048, .height = 1536, .quality = 90, .content = Content::Photo, .restartInterval = 1}));
    QTest::newRow("12,288 damaged restart intervals") << damaged << Shrunk{} << 0 << false;
    const QByteArray restarts =
        MakeJpeg(Fixture{.width = 64, .height = 64, .content = Content::Photo, .restartInterval = 1});
    const QByteArray earlierRestart("\xFF\xD7", 2); // before RST0, as if an interval came twice
    const qsizetype firstRestart = NthMarker(restarts, 0xD0, 1);
    QTest::newRow("resynchronising over 20,000 markers")
        << WithInserted(restarts, firstRestart, earlierRestart, 20'000) << Shrunk{} << 0 << false;
    QTest::newRow("resynchronising over a million markers")
        << WithInserted(restarts, firstRestart, earlierRestart, 1'000'000) << Shrunk{.work = 100'000'000} << 0
        << true;
    // Stray bytes between markers are read one by one, and charged as coded data.
    QTest::newRow("stray bytes before the frame")
        << WithInserted(baseline, frame, QByteArray(1, '\0'), 4'000'000) << Shrunk{.work = 20'000'000}
        << tooBig << false;
    // A camera-like arithmetic-coded photo at an eighth of 12 megapixels within an eighth of the work
    // (the work of a byte was once charged too dearly for real data).
    const QByteArray arithmeticPhoto = MakeJpeg(
        Fixture{.width = 1500, .height = 1000, .arithmetic = true, .quality = 92, .content = Content::Photo});
    QTest::newRow("arithmetic-coded photo, an eighth")
        << arithmeticPhoto << Shrunk{.work = 100'000'000} << 0 << false;
    QTest::newRow("arithmetic-coded noise, an eighth")
        << MakeJpeg(Fixture{
               .width = 1500, .height = 1000, .arithmetic = true, .quality = 100, .content = Content::Noise})
        << Shrunk{.work = 100'000'000} << tooBig << false;
    // Files unlike any measured are held to the processor time itself.
    QTest::newRow("beyond its processor time")
        << arithmeticPhoto << Shrunk{.processorNanoseconds = 1} << tooBig << false;
}

void JpegBoundsTest::eachKindOfFileMeetsItsBound() {
    QFETCH(QByteArray, data);
    QFETCH(Shrunk, bounds);
    QFETCH(int, code);
    QFETCH(bool, greyEnd);
    const tk::ScopedJpegBounds shrunk(BoundsOf(bounds));
    QImage image;
    QCOMPARE(ErrorCodeOf([&] { image = tk::DecodeCardPicture(data, kCard); }), code);
    if (code == 0) {
        // The card of the decoded picture: its bottom row is grey when decoding stopped early.
        image = tk::DecodeJpeg(data, kCard);
        QVERIFY(!GreyRow(image, 0));
        QCOMPARE(GreyRow(image, image.height() - 1), greyEnd);
    }
}

// A file is never held whole: a picture with 16 MB of stray bytes after its end is read no further
// than its end, and decodes within a budget smaller than the file.
void JpegBoundsTest::fileIsReadAChunkAtATime() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.jpg"));
    const QByteArray picture = ProgressivePhoto(256, 1);
    QVERIFY(WriteFile(path, picture + QByteArray(16 << 20, '\x55')));
    const tk::ScopedJpegBounds shrunk(BoundsOf(Shrunk{.memory = std::size_t{4} << 20}));
    const qint64 before = BytesReadByProcess();
    QVERIFY(before >= 0);
    QCOMPARE(tk::LoadCardPicture(path, kCard).size(), kCard);
    const qint64 read = BytesReadByProcess() - before;
    QVERIFY2(read < picture.size() + (1 << 20), qPrintable(QString::number(read)));
}

// A decode waits while the others hold the memory it needs, and goes on once they let it go.
void JpegBoundsTest::decodesTakeTurnsWithinOneBudget() {
    const QByteArray data = ProgressivePhoto(512, 2);
    tk::DecodeMemory& memory = tk::DecodeMemory::Process();
    memory.ResetPeak();
    QCOMPARE(tk::DecodeCardPicture(data, kCard).size(), kCard);
    const std::size_t need = memory.Peak();
    QVERIFY(need > 0);
    QCOMPARE(memory.Held(), std::size_t{0});

    const tk::ScopedJpegBounds shrunk(BoundsOf(Shrunk{.memory = need * 3 / 2}));
    tk::MemoryReservation held;
    QVERIFY(held.Take(need));
    std::atomic<bool> done{false};
    QImage card;
    std::thread decode([&] {
        card = tk::DecodeCardPicture(data, kCard);
        done = true;
    });
    const auto finish = qScopeGuard([&] {
        held.Drop();
        if (decode.joinable())
            decode.join();
    });
    QTRY_COMPARE(memory.Waiting(), 1);
    QVERIFY(!done);
    QCOMPARE(memory.Held(), need);
    held.Drop();
    decode.join();
    QCOMPARE(card.size(), kCard);
    QCOMPARE(memory.Held(), std::size_t{0});
    // More than the whole budget is refused at once rather than waited for.
    const tk::ScopedJpegBounds tiny(BoundsOf(Shrunk{.memory = need / 2}));
    QCOMPARE(ErrorCodeOf([&] { tk::DecodeCardPicture(data, kCard); }), int(JERR_NO_BACKING_STORE));
}

// The cache's two workers decode at once, but never hold more than the one budget between them.
void JpegBoundsTest::aDealStaysWithinOneBudget() {
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 1; i <= 6; ++i) {
        paths << dir.filePath(QStringLiteral("%1.jpg").arg(i));
        QVERIFY(WriteFile(paths.back(), ProgressivePhoto(512, unsigned(10 + i))));
    }
    tk::DecodeMemory& memory = tk::DecodeMemory::Process();
    memory.ResetPeak();
    tk::LoadCardPicture(paths[0], kCard);
    const std::size_t need = memory.Peak();
    const std::size_t budget = need * 3 / 2; // room for one decode, not two
    const tk::ScopedJpegBounds shrunk(BoundsOf(Shrunk{.memory = budget}));
    memory.ResetPeak();
    tk::PictureCache cache;
    cache.Prefetch(paths, kCard, 1.0);
    for (const QString& path : paths)
        QCOMPARE(cache.Get(path, kCard, 1.0).size(), kCard);
    QVERIFY2(memory.Peak() <= budget, qPrintable(QStringLiteral("%1 of %2").arg(memory.Peak()).arg(budget)));
    QVERIFY(memory.Peak() >= need);
}

QTEST_GUILESS_MAIN(JpegBoundsTest)
#include "jpeg_bounds_test.moc"
