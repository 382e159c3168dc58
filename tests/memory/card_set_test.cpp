// The built-in card set: 23 faces and a back that every decoder takes, that lie next to the
// programs in the build folder, and that a child tells apart at card size.
#include "support/test_main.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/picture_cache.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kFaces = 23;
constexpr int kFullSize = 280;
constexpr int kCardSize = 70;
constexpr int kHistogramBits = 3; // 8 levels per channel: each background tint has a bin of its own
// Two measures, each blind where the other sees: the difference pixel by pixel misses a mirrored or
// moved copy, the colour histogram misses the same colours in other shapes.
// The same drawing moved by one pixel differs by up to 29 per channel, so a pair above 30 is farther
// apart than a picture from itself; the closest pair of the set measures 49 (prase and koza).
constexpr double kDifferenceApart = 30.0;
// 0.15 is a seventh of the card (a patch of 27 x 27 pixels, a head) in colours the other card lacks;
// the closest pair of the set measures 0.30 (králík and včela, both on pink).
constexpr double kColourApart = 0.15;

QString PicturePath(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name + QStringLiteral(".jpg"));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// As the board shows it: decoded by the program's loader at card size.
QImage CardPicture(const QString& name) {
    return tk::PictureCache::Instance()
        .Get(PicturePath(QStringLiteral(CARD_PICTURES_DIR), name), QSize(kCardSize, kCardSize), 1.0)
        .convertToFormat(QImage::Format_RGB888);
}

using Histogram = std::array<double, 1 << (3 * kHistogramBits)>;

Histogram ColourHistogram(const QImage& image) {
    Histogram bins{};
    constexpr int shift = 8 - kHistogramBits;
    const double share = 1.0 / (image.width() * image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            bins[(((qRed(pixel) >> shift) << kHistogramBits | qGreen(pixel) >> shift) << kHistogramBits) |
                 qBlue(pixel) >> shift] += share;
        }
    return bins;
}

// The share of either card in colours the other lacks: 0 for the same colours, 1 for none shared.
double ColourDistance(const Histogram& a, const Histogram& b) {
    double common = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        common += std::min(a[i], b[i]);
    return 1.0 - common;
}

// The mean difference per channel of the two cards, pixel by pixel.
double Difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3 * a.width() * a.height());
}

struct Card {
    QString name;
    QImage picture;
    Histogram colours;
};

std::vector<Card> Faces() {
    std::vector<Card> faces;
    for (int number = 1; number <= kFaces; ++number) {
        const QString name = QString::number(number);
        const QImage picture = CardPicture(name);
        faces.push_back({name, picture, ColourHistogram(picture)});
    }
    return faces;
}

} // namespace

class CardSetTest : public QObject {
    Q_OBJECT

private slots:
    void isABaselineColourJpegAtFourTimesCardSize_data() {
        QTest::addColumn<QString>("name");
        for (int number = 1; number <= kFaces; ++number)
            QTest::newRow(qPrintable(QString::number(number))) << QString::number(number);
        QTest::newRow("znak") << QStringLiteral("znak");
    }
    void isABaselineColourJpegAtFourTimesCardSize() {
        QFETCH(QString, name);
        const QByteArray data = ReadAll(PicturePath(QStringLiteral(CARD_PICTURES_DIR), name));
        QVERIFY2(!data.isEmpty(), qPrintable(name));
        const tk::JpegInfo info = tk::ReadJpegInfo(data);
        QCOMPARE(info.width, kFullSize);
        QCOMPARE(info.height, kFullSize);
        QCOMPARE(info.components, 3);
        QCOMPARE(info.progressive, false);
        QCOMPARE(info.arithmetic, false);
        QCOMPARE(info.bitsPerSample, 8);
        QCOMPARE(tk::DecodeJpeg(data).size(), QSize(kFullSize, kFullSize));
        // A game started in the build folder deals from the copy that lies next to it.
        QCOMPARE(ReadAll(PicturePath(QStringLiteral(PROGRAM_DIR), name)), data);
    }

    void noTwoFacesLookAlikeAtCardSize() {
        const std::vector<Card> faces = Faces();
        double closestColours = 1.0, closestDifference = 255.0;
        QString colourPair, differencePair;
        for (std::size_t i = 0; i < faces.size(); ++i)
            for (std::size_t j = i + 1; j < faces.size(); ++j) {
                const QString pair = faces[i].name + QStringLiteral(" and ") + faces[j].name;
                const double colours = ColourDistance(faces[i].colours, faces[j].colours);
                const double difference = Difference(faces[i].picture, faces[j].picture);
                if (colours < closestColours) {
                    closestColours = colours;
                    colourPair = pair;
                }
                if (difference < closestDifference) {
                    closestDifference = difference;
                    differencePair = pair;
                }
            }
        qInfo("closest difference: %s, %.1f; closest colours: %s, %.3f", qPrintable(differencePair),
              closestDifference, qPrintable(colourPair), closestColours);
        QVERIFY2(closestDifference > kDifferenceApart, qPrintable(differencePair));
        QVERIFY2(closestColours > kColourApart, qPrintable(colourPair));
    }

    void theBackIsUnlikeEveryFace() {
        const QImage back = CardPicture(QStringLiteral("znak"));
        const Histogram backColours = ColourHistogram(back);
        for (const Card& face : Faces()) {
            QVERIFY2(ColourDistance(backColours, face.colours) > kColourApart, qPrintable(face.name));
            QVERIFY2(Difference(back, face.picture) > kDifferenceApart, qPrintable(face.name));
        }
    }
};

TK_TEST_MAIN(CardSetTest)
#include "card_set_test.moc"
