// The card picture cache: one decode per distinct file, a new decode for a changed file, upright
// photos, and a clean picture error for every hostile file. Decodes are counted by the cache itself.
#include "jpeg_fixture.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using fixture::Fixture;
using fixture::Quadrants;

namespace {

constexpr QSize kCard(70, 70);

bool WriteFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray Picture(const QColor& colour, int width = 320, int height = 240) {
    return fixture::MakeJpeg(
        Fixture{.width = width, .height = height, .quadrants = {colour, colour, colour, colour}});
}

QString ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const tk::EPictureError& error) {
        return error.Text();
    }
    return {};
}

bool Near(QRgb got, const QColor& want, int tolerance = 40) {
    return std::abs(qRed(got) - want.red()) <= tolerance &&
           std::abs(qGreen(got) - want.green()) <= tolerance &&
           std::abs(qBlue(got) - want.blue()) <= tolerance;
}

QString Describe(QRgb c) {
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// What happens to 1.jpg between the first request and the second.
enum class Change { None, Rewrite, Touch, Rename, Remove };
// The hostile files: what lies at the path of 7.jpg.
enum class Hostile {
    Corrupt,
    TruncatedHeader,
    Empty,
    Png,
    Folder,
    Pipe,
    HugeClaim,
    Progressive20000,
    Gone,
    SymlinkLoop,
    Unreadable
};

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Hostile)
Q_DECLARE_METATYPE(Quadrants)

class PictureCacheTest : public QObject {
    Q_OBJECT

private slots:
    void eachDistinctFileIsDecodedOnce_data();
    void eachDistinctFileIsDecodedOnce();
    void changedFileIsReadAgain_data();
    void changedFileIsReadAgain();
    void failedFileCostsOneDecodePerDeal();
    void keepsNoMoreThanItsBound();
    void photosStandUpright_data();
    void photosStandUpright();
    void hostileFilesFailCleanly_data();
    void hostileFilesFailCleanly();
    void reductionAveragesTheArea_data();
    void reductionAveragesTheArea();
};

void PictureCacheTest::eachDistinctFileIsDecodedOnce_data() {
    QTest::addColumn<bool>("prefetch");
    QTest::addColumn<int>("deals");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("prefetched deal") << true << 1 << 1.0;
    QTest::newRow("deal without prefetch") << false << 1 << 1.0;
    QTest::newRow("three deals on the same folder") << true << 3 << 1.0;
    QTest::newRow("high-density screen") << true << 2 << 2.0;
}

void PictureCacheTest::eachDistinctFileIsDecodedOnce() {
    QFETCH(bool, prefetch);
    QFETCH(int, deals);
    QFETCH(qreal, ratio);
    QTemporaryDir dir;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    QStringList files;
    for (int i = 0; i < 5; ++i) {
        files << dir.filePath(QStringLiteral("%1.jpg").arg(i + 1));
        QVERIFY(WriteFile(files.back(), Picture(colours[i])));
    }
    const int order[] = {0, 1, 0, 2, 1, 3, 4, 4, 2, 3};
    tk::PictureCache cache;
    for (int deal = 0; deal < deals; ++deal) {
        QStringList dealt;
        for (const int i : order)
            dealt << files[i];
        if (prefetch)
            cache.Prefetch(dealt, kCard, ratio);
        QHash<int, qint64> shared;
        for (const int i : order) {
            const QImage picture = cache.Get(files[i], kCard, ratio);
            QCOMPARE(picture.size(), kCard * ratio);
            QCOMPARE(picture.devicePixelRatio(), ratio);
            QVERIFY2(Near(picture.pixel(35, 35), colours[i]), qPrintable(Describe(picture.pixel(35, 35))));
            // The cards of one file share one copy of the pixels.
            if (shared.contains(i))
                QCOMPARE(picture.cacheKey(), shared[i]);
            shared[i] = picture.cacheKey();
        }
    }
    QCOMPARE(cache.Decodes(), 5);
}

void PictureCacheTest::changedFileIsReadAgain_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("decodes");
    QTest::addColumn<bool>("fails");
    QTest::newRow("unchanged") << Change::None << 1 << false;
    QTest::newRow("rewritten in place") << Change::Rewrite << 2 << false;
    QTest::newRow("touched, a nanosecond later") << Change::Touch << 2 << false;
    QTest::newRow("replaced by rename") << Change::Rename << 2 << false;
    QTest::newRow("removed") << Change::Remove << 1 << true;
}

void PictureCacheTest::changedFileIsReadAgain() {
    QFETCH(Change, change);
    QFETCH(int, decodes);
    QFETCH(bool, fails);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.jpg"));
    QVERIFY(WriteFile(path, Picture(Qt::red)));
    tk::PictureCache cache;
    cache.Prefetch({path}, kCard, 1);
    QVERIFY(Near(cache.Get(path, kCard, 1).pixel(10, 10), Qt::red));

    QColor now = Qt::red;
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    switch (change) {
    case Change::None:
        break;
    case Change::Rewrite:
        QVERIFY(WriteFile(path, Picture(Qt::blue, 330, 240)));
        now = Qt::blue;
        break;
    case Change::Touch: {
        timespec times[2] = {before.st_atim, before.st_mtim};
        times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        break;
    }
    case Change::Rename: {
        const QString other = dir.filePath(QStringLiteral("new.jpg"));
        QVERIFY(WriteFile(other, Picture(Qt::green)));
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
        now = Qt::green;
        break;
    }
    case Change::Remove:
        QVERIFY(QFile::remove(path));
        break;
    }
    for (int deal = 0; deal < 2; ++deal) {
        cache.Prefetch({path}, kCard, 1);
        for (int card = 0; card < 2; ++card) {
            QImage picture;
            const QString error = ErrorOf([&] { picture = cache.Get(path, kCard, 1); });
            QCOMPARE(error.startsWith(QStringLiteral("Cannot open file")), fails);
            if (!fails)
                QVERIFY(Near(picture.pixel(10, 10), now));
        }
    }
    QCOMPARE(cache.Decodes(), decodes);
}

// A broken file fails on each of its cards, but is read once per deal; the next deal tries again.
void PictureCacheTest::failedFileCostsOneDecodePerDeal() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("5.jpg"));
    QVERIFY(WriteFile(path, QByteArray("\xFF\xD8\xFF\xE0 not a picture")));
    tk::PictureCache cache;
    for (int deal = 1; deal <= 2; ++deal) {
        cache.Prefetch({path, path}, kCard, 1);
        for (int card = 0; card < 2; ++card)
            QVERIFY(ErrorOf([&] { cache.Get(path, kCard, 1); }).startsWith(QStringLiteral("JPEG error #")));
        QCOMPARE(cache.Decodes(), deal);
    }
    QCOMPARE(cache.Size(), 0);
}

void PictureCacheTest::keepsNoMoreThanItsBound() {
    QTemporaryDir dir;
    tk::PictureCache cache(3);
    QStringList files;
    for (int i = 1; i <= 5; ++i) {
        files << dir.filePath(QStringLiteral("%1.jpg").arg(i));
        QVERIFY(WriteFile(files.back(), Picture(Qt::gray, 32, 32)));
        cache.Get(files.back(), kCard, 1);
        QVERIFY(cache.Size() <= 3);
    }
    cache.Get(files[4], kCard, 1); // the most recent stays
    QCOMPARE(cache.Decodes(), 5);
    cache.Get(files[0], kCard, 1); // the oldest went
    QCOMPARE(cache.Decodes(), 6);
}

void PictureCacheTest::photosStandUpright_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<Quadrants>("quadrants"); // as stored: top left, top right, bottom left, bottom right
    const QColor r = Qt::red, g = Qt::green, b = Qt::blue, w = Qt::white;
    const QSize upright(64, 32), onSide(32, 64);
    // The upright picture is red, green over blue, white; each row is what a camera stores for it.
    const struct {
        int orientation;
        QSize stored;
        Quadrants quadrants;
    } rows[] = {{0, upright, {r, g, b, w}}, {1, upright, {r, g, b, w}}, {2, upright, {g, r, w, b}},
                {3, upright, {w, b, g, r}}, {4, upright, {b, w, r, g}}, {5, onSide, {r, b, g, w}},
                {6, onSide, {g, w, r, b}},  {7, onSide, {w, g, b, r}},  {8, onSide, {b, r, w, g}},
                {9, upright, {r, g, b, w}}};
    for (const auto& row : rows) {
        for (const bool bigEndian : {true, false}) {
            QTest::addRow("orientation %d, %s", row.orientation, bigEndian ? "Motorola" : "Intel")
                << row.orientation << bigEndian << row.stored << row.quadrants;
        }
    }
}

void PictureCacheTest::photosStandUpright() {
    QFETCH(int, orientation);
    QFETCH(bool, bigEndian);
    QFETCH(QSize, stored);
    QFETCH(Quadrants, quadrants);
    const QByteArray data = fixture::MakeJpeg(Fixture{.width = stored.width(),
                                                      .height = stored.height(),
                                                      .quadrants = quadrants,
                                                      .orientation = orientation,
                                                      .bigEndianExif = bigEndian});
    QCOMPARE(tk::JpegOrientation(data), orientation >= 1 && orientation <= 8 ? orientation : 1);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.jpg"));
    QVERIFY(WriteFile(path, data));
    tk::PictureCache cache;
    const QImage picture = cache.Get(path, QSize(64, 32), 1);
    QCOMPARE(picture.size(), QSize(64, 32));
    const QPoint centres[] = {{16, 8}, {48, 8}, {16, 24}, {48, 24}};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(Near(picture.pixel(centres[i]), fixture::kQuadrants[std::size_t(i)]),
                 qPrintable(Describe(picture.pixel(centres[i]))));
}

void PictureCacheTest::hostileFilesFailCleanly_data() {
    QTest::addColumn<Hostile>("hostile");
    QTest::addColumn<QString>("error"); // how the text begins
    const QString jpeg = QStringLiteral("JPEG error #");
    const QString open = QStringLiteral("Cannot open file");
    QTest::newRow("corrupt") << Hostile::Corrupt << jpeg;
    QTest::newRow("cut inside the header") << Hostile::TruncatedHeader << jpeg;
    QTest::newRow("zero bytes") << Hostile::Empty << jpeg;
    QTest::newRow("PNG named 7.jpg") << Hostile::Png << jpeg;
    QTest::newRow("folder named 7.jpg") << Hostile::Folder << open;
    QTest::newRow("named pipe, never blocks") << Hostile::Pipe << open;
    QTest::newRow("header claiming 65000 x 65000") << Hostile::HugeClaim << jpeg;
    QTest::newRow("progressive 20000 x 20000") << Hostile::Progressive20000 << jpeg;
    QTest::newRow("gone during the deal") << Hostile::Gone << open;
    QTest::newRow("symbolic link loop") << Hostile::SymlinkLoop << open;
    if (::geteuid() != 0) // the superuser reads everything
        QTest::newRow("no permission to read") << Hostile::Unreadable << open;
}

void PictureCacheTest::hostileFilesFailCleanly() {
    QFETCH(Hostile, hostile);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("7.jpg"));
    const QByteArray good = Picture(Qt::red, 64, 64);
    const QByteArray name = QFile::encodeName(path);
    QByteArray corrupt = good;
    for (qsizetype i = 2; i < corrupt.size(); i += 7)
        corrupt[i] = char(0xFF);
    switch (hostile) {
    case Hostile::Corrupt:
        QVERIFY(WriteFile(path, corrupt));
        break;
    case Hostile::TruncatedHeader:
        QVERIFY(WriteFile(path, good.left(fixture::FrameMarker(good) + 6)));
        break;
    case Hostile::Empty:
        QVERIFY(WriteFile(path, {}));
        break;
    case Hostile::Png:
        QVERIFY(WriteFile(path, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
        break;
    case Hostile::Folder:
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("7.jpg")));
        break;
    case Hostile::Pipe:
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        break;
    case Hostile::HugeClaim:
        QVERIFY(WriteFile(path, fixture::WithClaimedSize(good, 65000, 65000)));
        break;
    case Hostile::Progressive20000:
        QVERIFY(WriteFile(path, fixture::ProgressiveGiantClaim()));
        break;
    case Hostile::Gone:
        QVERIFY(WriteFile(path, good));
        break;
    case Hostile::SymlinkLoop:
        QCOMPARE(::symlink(name.constData(), name.constData()), 0);
        break;
    case Hostile::Unreadable:
        QVERIFY(WriteFile(path, good));
        QCOMPARE(::chmod(name.constData(), 0), 0);
        break;
    }
    tk::PictureCache cache;
    cache.Prefetch({path}, kCard, 1);
    if (hostile == Hostile::Gone)
        QVERIFY(QFile::remove(path));
    for (int card = 0; card < 2; ++card) {
        const QString text = ErrorOf([&] { cache.Get(path, kCard, 1); });
        QVERIFY2(text.startsWith(error), qPrintable(text));
    }
    if (hostile != Hostile::Gone) // its decode may have ended before it went
        QCOMPARE(cache.Size(), 0);
}

void PictureCacheTest::reductionAveragesTheArea_data() {
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("period");  // one white line in each `period`
    QTest::addColumn<bool>("across"); // columns of stripes, else rows
    QTest::addColumn<int>("tolerance");
    QTest::newRow("halved") << QSize(140, 140) << 2 << true << 1;
    QTest::newRow("a third") << QSize(210, 70) << 3 << true << 1;
    QTest::newRow("by 7.5, as from an eighth of a photo") << QSize(525, 525) << 3 << true << 20;
    // Tall and narrow goes down first, so that its buffer stays small; the width grows.
    QTest::newRow("tall and narrow") << QSize(35, 210) << 3 << false << 1;
}

// Fine detail becomes its average grey; a filter that only samples a few pixels (bilinear) would
// show stripes of black and white.
void PictureCacheTest::reductionAveragesTheArea() {
    QFETCH(QSize, source);
    QFETCH(int, period);
    QFETCH(bool, across);
    QFETCH(int, tolerance);
    QImage stripes(source, QImage::Format_RGB888);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            stripes.setPixel(x, y, (across ? x : y) % period == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage reduced = tk::ReducePicture(stripes, kCard);
    QCOMPARE(reduced.size(), kCard);
    const int mean = 255 / period;
    for (int y = 0; y < kCard.height(); ++y)
        for (int x = 0; x < kCard.width(); ++x)
            QVERIFY2(std::abs(qRed(reduced.pixel(x, y)) - mean) <= tolerance,
                     qPrintable(QStringLiteral("%1 at %2,%3").arg(qRed(reduced.pixel(x, y))).arg(x).arg(y)));
}

QTEST_GUILESS_MAIN(PictureCacheTest)
#include "picture_cache_test.moc"
