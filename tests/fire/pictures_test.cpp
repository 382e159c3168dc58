// The fire game's pictures: each decodes through our loader at its size as a baseline colour JPEG,
// every burning window or door meets the house around it without a seam, sits on a window or door
// rather than on wall, and each thumbnail looks like its house.
#include "fire/art/fire_pictures.h"
#include "support/test_main.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QDir>
#include <QFile>
#include <QRect>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// JPEG leaves small differences between two encodings of the same drawing; a seam or a misplaced
// drawing leaves far larger ones.
constexpr double kSeamMeanTolerance = 4.0; // mean difference per channel along the edge
constexpr int kSeamPixelTolerance = 48;    // the largest difference of any one channel on the edge
constexpr int kEdgeWidth = 2;              // how deep the edge band reaches into the picture
constexpr double kDistinctColours = 40.0;  // distance in RGB between clearly different colours
constexpr int kBesideDistance = 5;         // how far beside a hotspot the wall is sampled
constexpr int kBesidePatch = 2;            // the sample is a (2 * patch + 1)² square
constexpr double kMostlyWall = 0.5;        // share of a hotspot in the wall's colour that makes it wall
constexpr int kHistogramBits = 2;          // colour histograms count 4 levels per channel
constexpr double kLikeness = 0.7;          // histogram intersection of a thumbnail with its own house

struct Rgb {
    double r = 0, g = 0, b = 0;
};

double Distance(Rgb a, Rgb b) {
    return std::hypot(a.r - b.r, a.g - b.g, a.b - b.b);
}

Rgb MeanColour(const QImage& image, const QRect& rect) {
    Rgb sum;
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            sum.r += qRed(pixel);
            sum.g += qGreen(pixel);
            sum.b += qBlue(pixel);
            ++count;
        }
    return {sum.r / count, sum.g / count, sum.b / count};
}

double ShareNear(const QImage& image, const QRect& rect, Rgb colour) {
    int near = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (Distance({double(qRed(pixel)), double(qGreen(pixel)), double(qBlue(pixel))}, colour) <
                kDistinctColours)
                ++near;
        }
    return double(near) / (rect.width() * rect.height());
}

// A coarse colour histogram, each bin the share of the pixels in it.
QVector<double> Histogram(const QImage& image, const QRect& rect) {
    constexpr int levels = 1 << kHistogramBits;
    constexpr int shift = 8 - kHistogramBits;
    QVector<double> bins(levels * levels * levels, 0.0);
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            bins[((qRed(pixel) >> shift) * levels + (qGreen(pixel) >> shift)) * levels +
                 (qBlue(pixel) >> shift)] += 1.0 / (rect.width() * rect.height());
        }
    return bins;
}

double Intersection(const QVector<double>& a, const QVector<double>& b) {
    double sum = 0;
    for (int i = 0; i < a.size(); ++i)
        sum += std::min(a[i], b[i]);
    return sum;
}

int ChannelDifference(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

const HouseArt& HouseOf(const HotspotArt& hotspot) {
    for (const HouseArt& house : AllHouseArt())
        for (const HotspotArt& candidate : house.hotspots)
            if (&candidate == &hotspot)
                return house;
    qFatal("hotspot %s belongs to no house", hotspot.image);
}

// The hotspot of the current row, by its house and index.
const HotspotArt& FetchHotspot() {
    QFETCH(int, house);
    QFETCH(int, index);
    return AllHouseArt()[house].hotspots[index];
}

// The part of a hotspot's picture that its image lets through, in the picture's coordinates.
QRect VisiblePart(const HotspotArt& hotspot, const QImage& picture) {
    return {0, 0, std::min(picture.width(), hotspot.width), std::min(picture.height(), hotspot.height)};
}

// Where picture pixel (0, 0) of a hotspot lies in its house's picture.
QPoint OffsetInHouse(const HotspotArt& hotspot) {
    const HotspotArt& background = HouseOf(hotspot).background;
    return {hotspot.left - background.left, hotspot.top - background.top};
}

// Named rows: one per embedded picture, with the size it must have.
void AddPictureRows() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const struct {
        const char* name;
        QSize size;
    } rows[] = {
        {"rd", {800, 566}},       {"vila", {790, 521}},       {"panelak", {790, 521}},
        {"thumb_rd", {185, 161}}, {"thumb_vila", {185, 161}}, {"thumb_panelak", {185, 161}},
        {"rdd", {93, 143}},       {"rddl", {130, 77}},        {"rddp", {130, 77}},
        {"rdhp", {130, 77}},      {"vbd", {46, 110}},         {"vbh", {44, 109}},
        {"vpdl", {126, 120}},     {"vpdp", {94, 96}},         {"vpds", {41, 65}},
        {"vphl", {75, 93}},       {"vphp", {51, 76}},         {"vphs", {59, 87}},
        {"pao_a", {74, 74}},      {"pao_b", {74, 74}},        {"pao_c", {74, 74}},
        {"pao_d", {74, 74}},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.size;
}

void AddHotspotRows() {
    QTest::addColumn<int>("house");
    QTest::addColumn<int>("index");
    for (int house = 0; house < int(AllHouseArt().size()); ++house)
        for (int index = 0; index < int(AllHouseArt()[house].hotspots.size()); ++index)
            QTest::newRow(AllHouseArt()[house].hotspots[index].image) << house << index;
}

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    // First, so that every picture comes from the start-up batch rather than a decode on demand.
    void prefetchedPictureIsItsFileDecodedOnce_data() { AddPictureRows(); }
    void prefetchedPictureIsItsFileDecodedOnce();
    void decodesAtItsSizeAsBaselineColourJpeg_data() { AddPictureRows(); }
    void decodesAtItsSizeAsBaselineColourJpeg();
    void theTableOfSizesListsEveryPicture_data() { AddPictureRows(); }
    void theTableOfSizesListsEveryPicture();
    void nothingElseIsEmbedded();
    void anUnknownPictureRaises();
    void burningPictureMeetsTheHouseWithoutASeam_data() { AddHotspotRows(); }
    void burningPictureMeetsTheHouseWithoutASeam();
    void houseUnderAHotspotIsAWindowOrDoorNotWall_data() { AddHotspotRows(); }
    void houseUnderAHotspotIsAWindowOrDoorNotWall();
    void burningPictureShowsAFireInItsMiddle_data() { AddHotspotRows(); }
    void burningPictureShowsAFireInItsMiddle();
    void hotspotsLieInThePanelApartFromEachOtherAndTheLabels();
    void thumbnailLooksLikeItsOwnHouse_data();
    void thumbnailLooksLikeItsOwnHouse();
};

// Start-up decodes the pictures on a worker thread; what the window gets must be the very pixels of
// its file, shared by every later request rather than decoded again.
void PicturesTest::prefetchedPictureIsItsFileDecodedOnce() {
    QFETCH(QString, name);
    PrefetchFirePictures();
    const QImage picture = FirePicture(name);
    QFile file(QStringLiteral(":/fire/%1.jpg").arg(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(picture, tk::DecodeJpeg(file.readAll()));
    QCOMPARE(FirePicture(name).constBits(), picture.constBits());
}

void PicturesTest::decodesAtItsSizeAsBaselineColourJpeg() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage picture = FirePicture(name);
    QCOMPARE(picture.size(), size);

    QFile file(QStringLiteral(":/fire/%1.jpg").arg(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const tk::JpegInfo info = tk::ReadJpegInfo(file.readAll());
    QCOMPARE(QSize(info.width, info.height), size);
    QCOMPARE(info.components, 3);
    QCOMPARE(info.bitsPerSample, 8);
    QVERIFY(!info.progressive);
    QVERIFY(!info.arithmetic);
}

// The picture tools cut and check the pictures by this table.
void PicturesTest::theTableOfSizesListsEveryPicture() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const auto sizes = FirePictureSizes();
    const auto found = std::find_if(sizes.begin(), sizes.end(), [&](const PictureSize& entry) {
        return name == QLatin1String(entry.name);
    });
    QVERIFY(found != sizes.end());
    QCOMPARE(QSize(found->width, found->height), size);
}

void PicturesTest::nothingElseIsEmbedded() {
    QStringList expected;
    for (const PictureSize& entry : FirePictureSizes())
        expected << QString::fromLatin1(entry.name) + QStringLiteral(".jpg");
    expected.sort();
    QCOMPARE(QDir(QStringLiteral(":/fire")).entryList(QDir::Files, QDir::Name), expected);
}

// rdhl shows rddp's picture and has none of its own.
void PicturesTest::anUnknownPictureRaises() {
    QVERIFY_THROWS_EXCEPTION(tk::EPictureError, FirePicture(QStringLiteral("rdhl")));
}

// Checks the band along every edge of the visible part of the burning picture, where no flame is
// drawn, against the house picture beneath; a shared picture is checked at every place it is shown.
void PicturesTest::burningPictureMeetsTheHouseWithoutASeam() {
    const HotspotArt& hotspot = FetchHotspot();
    const QImage house = FirePicture(QString::fromLatin1(HouseOf(hotspot).background.picture));
    const QImage burning = FirePicture(QString::fromLatin1(hotspot.picture));
    const QRect visible = VisiblePart(hotspot, burning);
    const QPoint offset = OffsetInHouse(hotspot);
    const QRect inner = visible.adjusted(kEdgeWidth, kEdgeWidth, -kEdgeWidth, -kEdgeWidth);

    double sum = 0;
    int count = 0;
    int worst = 0;
    QPoint worstAt;
    for (int y = visible.top(); y <= visible.bottom(); ++y)
        for (int x = visible.left(); x <= visible.right(); ++x) {
            if (inner.contains(x, y))
                continue;
            const QRgb a = burning.pixel(x, y);
            const QRgb b = house.pixel(offset + QPoint(x, y));
            sum +=
                std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            count += 3;
            if (ChannelDifference(a, b) > worst) {
                worst = ChannelDifference(a, b);
                worstAt = QPoint(x, y);
            }
        }
    const double mean = sum / count;
    QVERIFY2(mean <= kSeamMeanTolerance, qPrintable(QStringLiteral("mean edge difference %1").arg(mean)));
    QVERIFY2(
        worst <= kSeamPixelTolerance,
        qPrintable(QStringLiteral("difference %1 at %2,%3").arg(worst).arg(worstAt.x()).arg(worstAt.y())));
}

// At most half of a hotspot has the colour of what lies just beside it: a window or door fills it.
void PicturesTest::houseUnderAHotspotIsAWindowOrDoorNotWall() {
    const HotspotArt& hotspot = FetchHotspot();
    const HouseArt& house = HouseOf(hotspot);
    const QImage picture = FirePicture(QString::fromLatin1(house.background.picture));
    const QPoint offset = OffsetInHouse(hotspot);
    const QRect under(offset, QSize(hotspot.width, hotspot.height));
    const int middle = under.center().y();
    for (const int x : {under.left() - kBesideDistance, under.right() + kBesideDistance}) {
        const Rgb beside = MeanColour(picture, QRect(x - kBesidePatch, middle - kBesidePatch,
                                                     2 * kBesidePatch + 1, 2 * kBesidePatch + 1));
        const double share = ShareNear(picture, under, beside);
        QVERIFY2(share <= kMostlyWall,
                 qPrintable(QStringLiteral("%1 of it has the colour beside it at x %2").arg(share).arg(x)));
    }
}

void PicturesTest::burningPictureShowsAFireInItsMiddle() {
    const HotspotArt& hotspot = FetchHotspot();
    const QImage house = FirePicture(QString::fromLatin1(HouseOf(hotspot).background.picture));
    const QImage burning = FirePicture(QString::fromLatin1(hotspot.picture));
    const QRect visible = VisiblePart(hotspot, burning);
    const QRect middle(visible.center() - QPoint(visible.width() / 4, visible.height() / 4),
                       QSize(visible.width() / 2, visible.height() / 2));
    const Rgb fire = MeanColour(burning, middle);
    const Rgb before = MeanColour(house, middle.translated(OffsetInHouse(hotspot)));
    QVERIFY2(Distance(fire, before) >= kDistinctColours,
             qPrintable(QStringLiteral("distance %1").arg(Distance(fire, before))));
    // Flames are warm: more red than blue.
    QVERIFY(fire.r > fire.b + kDistinctColours);
}

// A hotspot reaching over another or over a label would take the other's clicks.
void PicturesTest::hotspotsLieInThePanelApartFromEachOtherAndTheLabels() {
    const QRect panel(0, 0, 790, 521);
    const QSize timeLabel(48, 29);
    const QSize countLabel(102, 29);
    const QPoint timeLabelAt[] = {{16, 8}, {136, 8}, {16, 8}};
    for (int h = 0; h < int(AllHouseArt().size()); ++h) {
        const HouseArt& house = AllHouseArt()[h];
        const QRect labels[] = {QRect(timeLabelAt[h], timeLabel), QRect(QPoint(616, 8), countLabel)};
        for (const HotspotArt& a : house.hotspots) {
            const QRect rect(a.left, a.top, a.width, a.height);
            QVERIFY2(panel.contains(rect), a.image);
            for (const QRect& label : labels)
                QVERIFY2(!rect.intersects(label), a.image);
            for (const HotspotArt& b : house.hotspots)
                if (&a != &b)
                    QVERIFY2(!rect.intersects(QRect(b.left, b.top, b.width, b.height)), a.image);
        }
    }
}

void PicturesTest::thumbnailLooksLikeItsOwnHouse_data() {
    QTest::addColumn<int>("house");
    QTest::newRow("family house") << 0;
    QTest::newRow("villa") << 1;
    QTest::newRow("block of flats") << 2;
}

// A thumbnail has the colours of the part of its house seen on the panel, more than those of any
// other house.
void PicturesTest::thumbnailLooksLikeItsOwnHouse() {
    QFETCH(int, house);
    const QImage thumbnail = FirePicture(QString::fromLatin1(AllHouseArt()[house].thumbnail));
    const QVector<double> colours = Histogram(thumbnail, thumbnail.rect());
    const auto likeness = [&](const HouseArt& art) {
        const HotspotArt& background = art.background;
        const QImage picture = FirePicture(QString::fromLatin1(background.picture));
        const QRect seen = QRect(background.left, background.top, background.width, background.height)
                               .intersected(QRect(0, 0, 790, 521))
                               .translated(-background.left, -background.top)
                               .intersected(picture.rect());
        return Intersection(colours, Histogram(picture, seen));
    };
    const double own = likeness(AllHouseArt()[house]);
    QVERIFY2(own >= kLikeness, qPrintable(QStringLiteral("likeness %1").arg(own)));
    for (int other = 0; other < int(AllHouseArt().size()); ++other)
        if (other != house)
            QVERIFY(likeness(AllHouseArt()[other]) < own);
}

TK_TEST_MAIN(PicturesTest)
#include "pictures_test.moc"
