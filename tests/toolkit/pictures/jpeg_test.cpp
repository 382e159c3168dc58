// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG loader on good and hostile files, made here with libjpeg's compressor (jpeg_fixture.h).
#include "jpeg_fixture.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <random>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <sys/stat.h>

using namespace fixture;

namespace {

int ErrorCodeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const tk::EPictureError& error) {
        const QString prefix = QStringLiteral("JPEG error #");
        if (!error.Text().startsWith(prefix))
            return -2;
        return error.Text().mid(prefix.size()).toInt();
    }
    return -1;
}

bool Near(QRgb got, const QColor& want, int tolerance) {
    return std::abs(qRed(got) - want.red()) <= tolerance &&
           std::abs(qGreen(got) - want.green()) <= tolerance &&
           std::abs(qBlue(got) - want.blue()) <= tolerance;
}

QString Describe(QRgb c) {
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// A row whose columns are all texts.
void TextRow(const char* name, std::initializer_list<const char*> texts) {
    QTestData& row = QTest::newRow(name);
    for (const char* text : texts)
        row << QString::fromUtf8(text);
}

} // namespace

Q_DECLARE_METATYPE(Fixture)
Q_DECLARE_METATYPE(tk::EPictureError::Kind)

class JpegTest : public QObject {
    Q_OBJECT

private slots:
    void decodesEachKindInItsColours_data();
    void decodesEachKindInItsColours();
    void headerIsReadWithoutDecoding();
    void scaledDecodePicksTheSmallestCoveringScale_data();
    void scaledDecodePicksTheSmallestCoveringScale();
    void progressiveFilesStopAfterAHundredScans_data();
    void progressiveFilesStopAfterAHundredScans();
    void hostileDataFailsCleanly_data();
    void hostileDataFailsCleanly();
    void hugeClaimIsRefusedBeforeDecoding_data();
    void hugeClaimIsRefusedBeforeDecoding();
    void boundsHoldWhateverTheFileClaims_data();
    void boundsHoldWhateverTheFileClaims();
    void truncatedFileDecodesWhatIsThere_data();
    void truncatedFileDecodesWhatIsThere();
    void corruptBytesNeverCrash();
    void loadPictureFileChecksTheExtensionFirst_data();
    void loadPictureFileChecksTheExtensionFirst();
    void loadPictureFileReportsWhatCannotBeOpened_data();
    void loadPictureFileReportsWhatCannotBeOpened();
};

void JpegTest::decodesEachKindInItsColours_data() {
    QTest::addColumn<Fixture>("fixture");
    QTest::addColumn<bool>("gray");
    QTest::newRow("baseline RGB") << Fixture{} << false;
    QTest::newRow("grayscale") << Fixture{.kind = Kind::Gray} << true;
    QTest::newRow("CMYK inverted, Adobe") << Fixture{.kind = Kind::CmykAdobe} << false;
    QTest::newRow("CMYK plain, no Adobe marker") << Fixture{.kind = Kind::CmykPlain} << false;
    QTest::newRow("YCCK") << Fixture{.kind = Kind::Ycck} << false;
    QTest::newRow("progressive") << Fixture{.progressive = true} << false;
    QTest::newRow("arithmetic") << Fixture{.arithmetic = true} << false;
    QTest::newRow("progressive arithmetic") << Fixture{.progressive = true, .arithmetic = true} << false;
    QTest::newRow("odd size") << Fixture{.width = 37, .height = 23} << false;
}

void JpegTest::decodesEachKindInItsColours() {
    QFETCH(Fixture, fixture);
    QFETCH(bool, gray);
    const QImage image = tk::DecodeJpeg(MakeJpeg(fixture));
    QCOMPARE(image.format(), QImage::Format_RGB888);
    QCOMPARE(image.size(), QSize(fixture.width, fixture.height));
    // The centre of each quadrant, away from the blur at the borders between them.
    for (const QPoint p :
         {QPoint(fixture.width / 4, fixture.height / 4), QPoint(3 * fixture.width / 4, fixture.height / 4),
          QPoint(fixture.width / 4, 3 * fixture.height / 4),
          QPoint(3 * fixture.width / 4, 3 * fixture.height / 4)}) {
        QColor want = QuadrantColour(p.x(), p.y(), fixture.width, fixture.height);
        if (gray)
            want = QColor(qGray(want.rgb()), qGray(want.rgb()), qGray(want.rgb()));
        const QRgb got = image.pixel(p);
        QVERIFY2(Near(got, want, 24),
                 qPrintable(Describe(got) + QStringLiteral(" at %1,%2").arg(p.x()).arg(p.y())));
    }
}

void JpegTest::headerIsReadWithoutDecoding() {
    const tk::JpegInfo plain = tk::ReadJpegInfo(MakeJpeg(Fixture{.width = 30, .height = 20}));
    QCOMPARE(plain.width, 30);
    QCOMPARE(plain.height, 20);
    QCOMPARE(plain.components, 3);
    QCOMPARE(plain.bitsPerSample, 8);
    QVERIFY(!plain.progressive);
    QVERIFY(!plain.arithmetic);
    const tk::JpegInfo special =
        tk::ReadJpegInfo(MakeJpeg(Fixture{.kind = Kind::CmykAdobe, .progressive = true, .arithmetic = true}));
    QCOMPARE(special.components, 4);
    QVERIFY(special.progressive);
    QVERIFY(special.arithmetic);
    // A file cut off just after its first scan header still has a readable header.
    const QByteArray whole = MakeJpeg(Fixture{});
    QCOMPARE(tk::ReadJpegInfo(whole.left(whole.indexOf("\xFF\xDA") + 20)).width, 64);
}

void JpegTest::scaledDecodePicksTheSmallestCoveringScale_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("decoded");
    QTest::newRow("no target") << QSize(800, 600) << QSize() << QSize(800, 600);
    QTest::newRow("empty target") << QSize(800, 600) << QSize(0, 0) << QSize(800, 600);
    QTest::newRow("exactly an eighth") << QSize(800, 600) << QSize(100, 75) << QSize(100, 75);
    QTest::newRow("below an eighth") << QSize(800, 600) << QSize(60, 40) << QSize(100, 75);
    QTest::newRow("one pixel wider than an eighth") << QSize(800, 600) << QSize(101, 75) << QSize(200, 150);
    QTest::newRow("one pixel taller than an eighth") << QSize(800, 600) << QSize(100, 76) << QSize(200, 150);
    QTest::newRow("exactly a quarter") << QSize(800, 600) << QSize(200, 150) << QSize(200, 150);
    QTest::newRow("above a quarter: three eighths") << QSize(800, 600) << QSize(201, 150) << QSize(300, 225);
    QTest::newRow("exactly a half") << QSize(800, 600) << QSize(400, 300) << QSize(400, 300);
    QTest::newRow("above a half: five eighths") << QSize(800, 600) << QSize(401, 300) << QSize(500, 375);
    QTest::newRow("above three quarters: seven eighths")
        << QSize(800, 600) << QSize(601, 300) << QSize(700, 525);
    QTest::newRow("above seven eighths") << QSize(800, 600) << QSize(701, 300) << QSize(800, 600);
    QTest::newRow("larger than the picture") << QSize(800, 600) << QSize(1000, 1000) << QSize(800, 600);
    QTest::newRow("odd size rounds up") << QSize(801, 601) << QSize(100, 75) << QSize(101, 76);
    QTest::newRow("card of the memory game") << QSize(640, 480) << QSize(70, 70) << QSize(160, 120);
}

void JpegTest::scaledDecodePicksTheSmallestCoveringScale() {
    QFETCH(QSize, picture);
    QFETCH(QSize, target);
    QFETCH(QSize, decoded);
    const QImage image = tk::DecodeJpeg(
        MakeJpeg(Fixture{.width = picture.width(), .height = picture.height(), .quality = 75}), target);
    QCOMPARE(image.size(), decoded);
    QCOMPARE(image.format(), QImage::Format_RGB888);
    QVERIFY(Near(image.pixel(image.width() / 4, image.height() / 4), QColor(255, 0, 0), 24));
}

void JpegTest::progressiveFilesStopAfterAHundredScans_data() {
    QTest::addColumn<int>("scans");
    QTest::addColumn<bool>("decodes");
    QTest::newRow("the usual ten") << 10 << true;
    QTest::newRow("a hundred") << 100 << true;
    QTest::newRow("a hundred and one") << 101 << false;
    QTest::newRow("a hundred and ninety") << 190 << false;
}

void JpegTest::progressiveFilesStopAfterAHundredScans() {
    QFETCH(int, scans);
    QFETCH(bool, decodes);
    Fixture fixture{.width = 32, .height = 32, .scans = ScanScript(scans)};
    QCOMPARE(int(fixture.scans.size()), scans);
    const QByteArray data = MakeJpeg(fixture);
    QVERIFY(tk::ReadJpegInfo(data).progressive);
    if (decodes)
        QCOMPARE(tk::DecodeJpeg(data).size(), QSize(32, 32));
    else
        QCOMPARE(ErrorCodeOf([&] { tk::DecodeJpeg(data); }), int(JERR_BAD_SCAN_SCRIPT));
}

void JpegTest::hostileDataFailsCleanly_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("code");
    const QByteArray good = MakeJpeg(Fixture{});
    QByteArray twelveBit = good;
    twelveBit[FrameMarker(good) + 4] = 12;
    QByteArray unknownFrame = good;
    unknownFrame[FrameMarker(good) + 1] = static_cast<char>(0xC3); // lossless
    using K = tk::EPictureError::Kind;
    QTest::addColumn<K>("kind");
    QTest::newRow("empty") << QByteArray() << int(JERR_INPUT_EMPTY) << K::NotJpeg;
    QTest::newRow("text") << QByteArray("hello, world") << int(JERR_NO_SOI) << K::NotJpeg;
    QTest::newRow("PNG signature") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << int(JERR_NO_SOI)
                                   << K::NotJpeg;
    // The source ends a short file with an end-of-image marker, so a cut header means "no image".
    QTest::newRow("start of image only") << QByteArray("\xFF\xD8") << int(JERR_NO_IMAGE) << K::Damaged;
    QTest::newRow("header cut before the frame")
        << good.left(FrameMarker(good)) << int(JERR_NO_IMAGE) << K::Damaged;
    // Valid files of kinds the library does not decode: their header is all it reads of them.
    QTest::newRow("12-bit samples") << twelveBit << int(JERR_BAD_PRECISION) << K::Unsupported;
    QTest::newRow("lossless frame") << unknownFrame << int(JERR_SOF_UNSUPPORTED) << K::Unsupported;
    QTest::newRow("zero width") << WithClaimedSize(good, 0, 48) << int(JERR_EMPTY_IMAGE) << K::Damaged;
}

void JpegTest::hostileDataFailsCleanly() {
    QFETCH(QByteArray, data);
    QFETCH(int, code);
    QFETCH(tk::EPictureError::Kind, kind);
    QCOMPARE(ErrorCodeOf([&] { tk::DecodeJpeg(data); }), code);
    try {
        tk::DecodeJpeg(data);
    } catch (const tk::EPictureError& error) {
        QCOMPARE(error.GetKind(), kind);
    }
}

void JpegTest::hugeClaimIsRefusedBeforeDecoding_data() {
    QTest::addColumn<QSize>("claimed");
    QTest::addColumn<QSize>("target");
    QTest::newRow("65000 square") << QSize(65000, 65000) << QSize();
    QTest::newRow("65000 square even at an eighth") << QSize(65000, 65000) << QSize(10, 10);
    QTest::newRow("one long row") << QSize(65500, 400) << QSize();
    QTest::newRow("just over 64 MB") << QSize(5000, 4474) << QSize();
}

void JpegTest::hugeClaimIsRefusedBeforeDecoding() {
    QFETCH(QSize, claimed);
    QFETCH(QSize, target);
    const QByteArray data =
        WithClaimedSize(MakeJpeg(Fixture{.width = 16, .height = 16}), claimed.width(), claimed.height());
    QVERIFY(data.size() < 1000);
    QCOMPARE(tk::ReadJpegInfo(data).width, claimed.width());
    QCOMPARE(ErrorCodeOf([&] { tk::DecodeJpeg(data, target); }), int(JERR_IMAGE_TOO_BIG));
}

void JpegTest::boundsHoldWhateverTheFileClaims_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<int>("code"); // 0 when the file decodes
    QTest::addColumn<QSize>("decoded");
    const QSize full;
    const QSize card(70, 70);
    const int tooBig = JERR_IMAGE_TOO_BIG;
    const int noMemory = JERR_NO_BACKING_STORE; // libjpeg's coefficients do not fit beside the picture
    const auto photo = [](int width, int height, bool progressive) {
        return MakeJpeg(Fixture{.width = width,
                                .height = height,
                                .progressive = progressive,
                                .quality = 92,
                                .content = Content::Photo});
    };
    const auto manyScans = [](int edge) {
        return MakeJpeg(
            Fixture{.width = edge, .height = edge, .scans = ScanScript(100), .content = Content::Photo});
    };
    const auto arithmetic = [](Content content, int edge) {
        return MakeJpeg(Fixture{.width = edge,
                                .height = edge,
                                .arithmetic = true,
                                .quality = 100,
                                .content = content,
                                .sampling = {{1, 1}, {1, 1}, {1, 1}}});
    };
    // Memory: the picture and libjpeg's buffers together, not each by its own limit.
    QTest::newRow("4x1-sampled progressive claiming 4728 square")
        << WideSampledClaim() << full << noMemory << QSize();
    QTest::newRow("4:2:2 progressive claiming 4728 square")
        << HalfSampledClaim() << full << noMemory << QSize();
    // Work: at card size the output is small, but libjpeg still passes over every claimed block (these
    // two stay just inside the bound), and the arithmetic decoder is slow on dense data.
    QTest::newRow("4x1-sampled progressive claiming 4728 square, card")
        << WideSampledClaim() << card << 0 << QSize(591, 591);
    QTest::newRow("4:2:2 progressive claiming 4728 square, card")
        << HalfSampledClaim() << card << 0 << QSize(591, 591);
    QTest::newRow("arithmetic CMYK claiming 37800 square, card")
        << ArithmeticGiantClaim() << card << tooBig << QSize();
    QTest::newRow("progressive claiming 20000 square, card")
        << ProgressiveGiantClaim() << card << tooBig << QSize();
    QTest::newRow("a hundred scans over 9 megapixels, card") << manyScans(3000) << card << tooBig << QSize();
    QTest::newRow("a hundred scans over 1 megapixel, card")
        << manyScans(1024) << card << 0 << QSize(128, 128);
    QTest::newRow("arithmetic-coded noise, 2.4 megapixels")
        << arithmetic(Content::Noise, 1536) << full << tooBig << QSize();
    QTest::newRow("arithmetic-coded photo, 1 megapixel")
        << arithmetic(Content::Photo, 1024) << full << 0 << QSize(1024, 1024);
    // The slowest input the card fuzzer met: progressive, arithmetic-coded, 16 x 4096, stray bytes.
    const QByteArray slowest = QByteArray::fromBase64(
        "/9j/4AAQSkZJRmIAAQEAAAEAAQAA/9sAQwACAQEBAQECAcYBAgICAgIEAwICAgIFBE4xMF9fY3h4YWJpdgQDBAYFBgYGBQYG"
        "BgcJCAYHCQcGBggLCAkKCgoKLgYICwwLCgzKysrKysrKysrKysrKysrKysrKysrKysrKysrKysrKysrKysrKysrKysoJCgoK"
        "/9sAQwF6AgICAgoKCgoK/xEF/9oACAEDAQE/ATuJ7uLTv99hMZQuDm78zgTPEqxZEP2cJJDk/8wKCv8RBf/aAAgBAwEBPwE7"
        "ie7i07/fYTGULg5u/M4EzxKsWRD9nCSQ5P/MAAQRBAMCAgICBQROMTBfX2N4eGFiaXYEAwQGBQYGBgUGAAQRBAMCAgICBQRO"
        "MTBfX2N4eGFiaXYEAwQGBQYGBgUGBgYHCQgGBwkHBgYICwgJCgoKCi4GCAsMCwoMCQoKCv/bAEMBegICAgIKCgoKCv/YOf/g"
        "ABBKQknQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NAKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgsK"
        "/8oAEQgQAAAQAwEiAAIRAQMRAf/MAAYAEAEQ/9oADAMBAAIQAxAAAAH/ANADkjqb7+wFAS0ABQECAQE/ATuJJy9mjF9iZ2hn");
    QTest::newRow("fuzzer's slowest input") << slowest << card << 0 << QSize(16, 4096);
    // Camera photos still make cards.
    QTest::newRow("24-megapixel baseline photo, card")
        << photo(6000, 4000, false) << card << 0 << QSize(750, 500);
    QTest::newRow("24-megapixel progressive photo, card")
        << photo(6000, 4000, true) << card << 0 << QSize(750, 500);
}

void JpegTest::boundsHoldWhateverTheFileClaims() {
    QFETCH(QByteArray, data);
    QFETCH(QSize, target);
    QFETCH(int, code);
    QFETCH(QSize, decoded);
    QSize got;
    QCOMPARE(ErrorCodeOf([&] { got = tk::DecodeJpeg(data, target).size(); }), code == 0 ? -1 : code);
    QCOMPARE(got, decoded);
}

void JpegTest::truncatedFileDecodesWhatIsThere_data() {
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<double>("kept");
    QTest::newRow("baseline, 90 percent") << false << 0.9;
    QTest::newRow("baseline, half") << false << 0.5;
    QTest::newRow("progressive, 90 percent") << true << 0.9;
    QTest::newRow("progressive, half") << true << 0.5;
}

// libjpeg only warns about a file that ends early and fills the rest, so the picture comes out whole
// in size with its first rows intact.
void JpegTest::truncatedFileDecodesWhatIsThere() {
    QFETCH(bool, progressive);
    QFETCH(double, kept);
    const QByteArray whole = MakeJpeg(Fixture{.width = 256, .height = 256, .progressive = progressive});
    const QImage image = tk::DecodeJpeg(whole.left(static_cast<qsizetype>(whole.size() * kept)));
    QCOMPARE(image.size(), QSize(256, 256));
    const QRgb corner = image.pixel(20, 4);
    QVERIFY2(Near(corner, QColor(255, 0, 0), 60), qPrintable(Describe(corner)));
}

// Bytes changed all over a valid file: each result is a picture of the claimed size or a JPEG error.
void JpegTest::corruptBytesNeverCrash() {
    const QByteArray files[] = {MakeJpeg(Fixture{}), MakeJpeg(Fixture{.progressive = true}),
                                MakeJpeg(Fixture{.kind = Kind::CmykAdobe}),
                                MakeJpeg(Fixture{.arithmetic = true})};
    std::mt19937 generator(20240611); // fixed, so a failure can be replayed
    int decoded = 0;
    int refused = 0;
    for (const QByteArray& file : files) {
        for (int round = 0; round < 300; ++round) {
            QByteArray data = file;
            const int changes = 1 + round % 8;
            for (int i = 0; i < changes; ++i) {
                const auto at = std::uniform_int_distribution<qsizetype>(2, data.size() - 1)(generator);
                data[at] = static_cast<char>(generator());
            }
            try {
                const QImage image = tk::DecodeJpeg(data);
                QCOMPARE(image.size(), QSize(tk::ReadJpegInfo(data).width, tk::ReadJpegInfo(data).height));
                ++decoded;
            } catch (const tk::EPictureError& error) {
                QVERIFY2(error.Text().startsWith(QStringLiteral("JPEG error #")), qPrintable(error.Text()));
                ++refused;
            }
        }
    }
    // Both outcomes occur, or the corruption did not reach the decoder.
    QVERIFY(decoded > 0);
    QVERIFY(refused > 0);
}

void JpegTest::loadPictureFileChecksTheExtensionFirst_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error"); // empty when the file loads
    TextRow("jpg", {"1.jpg", ""});
    TextRow("JPG", {"2.JPG", ""});
    TextRow("JPEG", {"3.JPEG", ""});
    TextRow("Jpeg", {"4.Jpeg", ""});
    TextRow("png, even when it is a JPEG", {"5.png", "Unknown picture file extension (.png)"});
    TextRow("extension as written", {"6.PnG", "Unknown picture file extension (.PnG)"});
    TextRow("no extension", {"znak", "Unknown picture file extension (.)"});
    TextRow("ends in a dot", {"7.", "Unknown picture file extension (.)"});
    TextRow("last extension counts", {"8.jpg.bmp", "Unknown picture file extension (.bmp)"});
    TextRow("jpe is not enough", {"9.jpe", "Unknown picture file extension (.jpe)"});
    TextRow("missing png fails on the extension", {"missing.png", "Unknown picture file extension (.png)"});
}

void JpegTest::loadPictureFileChecksTheExtensionFirst() {
    QFETCH(QString, name);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (!name.startsWith(QLatin1String("missing"))) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(MakeJpeg(Fixture{.width = 40, .height = 30}));
    }
    try {
        const QImage image = tk::LoadPictureFile(path, QSize(5, 4));
        QVERIFY2(error.isEmpty(), "no error raised");
        QCOMPARE(image.size(), QSize(5, 4));
    } catch (const tk::EPictureError& raised) {
        QCOMPARE(raised.Text(), error);
    }
}

void JpegTest::loadPictureFileReportsWhatCannotBeOpened_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("systemText");
    TextRow("missing", {"23.jpg", "No such file or directory"});
    TextRow("folder", {"folder.jpg", "Is a directory"});
    TextRow("below a file", {"plain.jpg/1.jpg", "Not a directory"});
    TextRow("pipe", {"pipe.jpg", "No such device"});
}

void JpegTest::loadPictureFileReportsWhatCannotBeOpened() {
    QFETCH(QString, name);
    QFETCH(QString, systemText);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    QFile plain(dir.filePath(QStringLiteral("plain.jpg")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.jpg"))).constData(), 0600) == 0);
    // A relative name is reported with its full path.
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QString text;
    try {
        tk::LoadPictureFile(name);
    } catch (const tk::EPictureError& error) {
        text = error.Text();
    }
    QDir::setCurrent(oldDir);
    QCOMPARE(text, QStringLiteral("Cannot open file \"%1\". %2")
                       .arg(QDir(dir.path()).absoluteFilePath(name), systemText));
}

QTEST_GUILESS_MAIN(JpegTest)
#include "jpeg_test.moc"
